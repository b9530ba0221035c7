// UTF-16 to UTF-8, for texts the system gives in UTF-16 (its error texts,
// spooler names) that must reach a message or a log whatever the system's
// code page.
#pragma once

#include <cstddef>

#include "base/cstring.h"

// length UTF-16 units; an unpaired surrogate becomes U+FFFD.
CString Utf16ToUtf8(const char16_t* text, size_t length);
