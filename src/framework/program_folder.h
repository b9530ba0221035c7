// The program's own folder. The driver package and the USB installer lie
// beside the program; an elevated installer must never take them from
// whatever the current directory happens to be (a shortcut's "Start in",
// System32, a deployment tool's working folder).
#pragma once

#include <windows.h>

#include "framework/scoped.h"

// The folder of the running program (GetModuleFileNameW), without a closing
// backslash except for a drive root; empty when it cannot be read.
CHeapBlock<wchar_t> ProgramFolder();

// Makes the program's folder the current directory, so that the relative
// package paths resolve there; false when that cannot be done.
bool EnterProgramFolder();
