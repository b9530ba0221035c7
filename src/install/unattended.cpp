#include "install/unattended.h"

#include "core/command_line.h"

InstallRequest UnattendedInstallRequest(int modelRow, const char* port, bool setDefault, bool x64) {
    InstallRequest request;
    request.bX64 = x64;
    request.nModelRow = modelRow;
    request.strPortName = port;
    request.bSetDefault = setDefault;
    request.nPortPos = kInitialPortPos;
    request.nBaudPos = kInitialBaudPos;
    request.nDataBitsPos = kInitialDataBitsPos;
    request.nStopBitsPos = kInitialStopBitsPos;
    request.nParityPos = kInitialParityPos;
    request.nFlowPos = kInitialFlowPos;
    return request;
}

int InstallExitCode(const InstallResult& result) {
    return result.Succeeded() ? kExitSuccess : kExitInstallFailure;
}

int RemovalExitCode(const RemovalResult& result) {
    return result.Succeeded() ? kExitSuccess : kExitInstallFailure;
}
