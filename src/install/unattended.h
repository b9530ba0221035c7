// What an unattended run installs and what it answers to the deployment tool.
#pragma once

#include "install/install_request.h"
#include "install/installer.h"
#include "install/remover.h"

// Where the settings page starts its hidden port and serial lists, which no
// person can change; an unattended run installs with them.
constexpr int kInitialPortPos = 0;  // "LPT1"
constexpr int kInitialBaudPos = 5;
constexpr int kInitialDataBitsPos = 3;
constexpr int kInitialStopBitsPos = 0;
constexpr int kInitialParityPos = 2;
constexpr int kInitialFlowPos = 2;

// The request the pages would gather for this model, port and default box,
// with every other list where the settings page leaves it.
InstallRequest UnattendedInstallRequest(int modelRow, const char* port, bool setDefault, bool x64);

// 0, or 1603 when any step failed.
int InstallExitCode(const InstallResult& result);
int RemovalExitCode(const RemovalResult& result);
