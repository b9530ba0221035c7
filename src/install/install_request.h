// The inputs of one installation, read once from the settings page and the
// port page before anything is installed.
#pragma once

#include "base/cstring.h"

struct InstallRequest {
    bool bX64;            // x64 driver files and environment instead of x86
    int nModelRow;        // row of the model catalogue
    CString strPortName;  // port the printer is created on; may be empty
    bool bSetDefault;     // record the printer as the user's default printer
    int nPortPos;         // position in the port value names; COM ports write serial settings
    int nBaudPos;
    int nDataBitsPos;
    int nStopBitsPos;
    int nParityPos;
    int nFlowPos;
};
