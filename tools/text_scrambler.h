// Inverse of DecodeText. Only the host tool that produces the stored texts
// and the tests use it; the program itself never scrambles anything.
#pragma once

#include "base/cstring.h"
#include "catalog/decoder.h"

// Each scrambled byte c becomes the letters 'A' + c / 26 and 'A' + c % 26,
// so the first letter of a pair is always 'A' to 'J'.
inline CString EncodeText(const CString& plain, unsigned startKey) {
    CString letters;
    unsigned key = startKey & 0xFFFFu;
    for (int i = 0; i < plain.GetLength(); ++i) {
        const unsigned scrambled = plain.ByteAt(i) ^ (key >> 8);
        letters += static_cast<char>('A' + scrambled / 26);
        letters += static_cast<char>('A' + scrambled % 26);
        key = NextDecodeKey(key, scrambled);
    }
    return letters;
}
