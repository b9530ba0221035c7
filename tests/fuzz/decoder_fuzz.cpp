// Properties of DecodeText that must hold for any bytes and any key, and the
// round trip through the host-side encoder.
//
// Input: 4 bytes key (little endian, all 32 bits used), 1 byte that picks a
// prefix length, then the text. The same text bytes double as plain bytes
// for the round trip.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "base/cstring.h"
#include "catalog/decoder.h"
#include "text_scrambler.h"

namespace {

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

bool SameBytes(const CString& a, const char* b, int length) {
    return a.GetLength() == length &&
           (length == 0 || std::memcmp(a.GetString(), b, static_cast<size_t>(length)) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 5) return 0;
    const unsigned key = static_cast<unsigned>(data[0]) | static_cast<unsigned>(data[1]) << 8 |
                         static_cast<unsigned>(data[2]) << 16 |
                         static_cast<unsigned>(data[3]) << 24;
    const unsigned pick = data[4];
    const char* bytes = reinterpret_cast<const char*>(data + 5);
    const int length = static_cast<int>(size - 5);
    const CString text(bytes, length);

    const CString plain = DecodeText(text, key);
    Check(plain.GetLength() == length / 2);

    // The key schedule is 16 bits wide; higher bits must not leak in.
    Check(DecodeText(text, key & 0xFFFFu) == plain);

    // Decoding is a left-to-right stream: an even prefix decodes to the
    // matching prefix, and one extra unpaired character changes nothing.
    const int pairs = static_cast<int>(pick % static_cast<unsigned>(length / 2 + 1));
    const CString head = DecodeText(CString(bytes, 2 * pairs), key);
    Check(SameBytes(head, plain.GetString(), pairs));
    if (2 * pairs < length) Check(DecodeText(CString(bytes, 2 * pairs + 1), key) == head);

    // Any plain bytes, zeros included, survive encoding and decoding.
    const CString letters = EncodeText(text, key);
    Check(letters.GetLength() == 2 * length);
    for (int i = 0; i < letters.GetLength(); ++i) {
        const unsigned char c = letters.ByteAt(i);
        Check(c >= 'A' && c <= (i % 2 == 0 ? 'J' : 'Z'));
    }
    Check(SameBytes(DecodeText(letters, key), bytes, length));
    return 0;
}
