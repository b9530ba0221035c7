#include "catalog/decoder.h"

CString DecodeText(const CString& text, unsigned startKey) {
    const int count = text.GetLength() / 2;
    CString plain;
    char* out = plain.GetBuffer(count);
    unsigned key = startKey & 0xFFFFu;
    for (int i = 0; i < count; ++i) {
        // Unsigned wrap-around keeps the result right modulo 256 even for
        // characters below 'A'.
        const unsigned high = text.ByteAt(2 * i) - 65u;
        const unsigned low = text.ByteAt(2 * i + 1) - 65u;
        const unsigned scrambled = (26u * high + low) & 0xFFu;
        out[i] = static_cast<char>(scrambled ^ (key >> 8));
        key = NextDecodeKey(key, scrambled);
    }
    // Explicit length: a decoded zero byte is data, not the end.
    plain.ReleaseBuffer(count);
    return plain;
}
