#include "install/globals.h"

CString g_strPortName;
