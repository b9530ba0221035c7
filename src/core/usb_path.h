// Full path of the USB virtual serial port driver installer below a folder.
#pragma once

#include <cstddef>

// Writes dir + "\" + the installer's relative path into out (always one
// backslash appended, so a drive root gives two in a row). Returns the length
// the path needs including its terminating zero; out is written only when it
// is at least that large, so a too-small buffer never yields a cut path.
template <typename CharT>
size_t BuildUsbInstallerPath(const CharT* dir, bool x64, CharT* out, size_t outSize) {
    static const char kX86[] = "USB Driver\\x86\\dpinstx86.exe";
    static const char kX64[] = "USB Driver\\x64\\dpinstx64.exe";
    const char* tail = x64 ? kX64 : kX86;
    size_t dirLength = 0;
    while (dir && dir[dirLength]) ++dirLength;
    size_t tailLength = sizeof(kX86) - 1;
    size_t needed = dirLength + 1 + tailLength + 1;
    if (!out || outSize < needed) return needed;
    size_t n = 0;
    for (size_t i = 0; i < dirLength; ++i) out[n++] = dir[i];
    out[n++] = static_cast<CharT>('\\');
    for (size_t i = 0; i < tailLength; ++i) out[n++] = static_cast<CharT>(tail[i]);
    out[n] = 0;
    return needed;
}
