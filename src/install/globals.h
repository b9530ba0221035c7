#pragma once

#include "base/cstring.h"

// Port chosen on the port page; empty until the first installation starts.
extern CString g_strPortName;
