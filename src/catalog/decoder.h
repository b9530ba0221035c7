// Run-time decoder of the texts that ship scrambled: a string of capital
// letters, two per byte, plus a 16-bit starting key per text.
#pragma once

#include "base/cstring.h"

// Key schedule constants. With M % 4 == 1 and A odd the bare recurrence
// k = k * M + A has the full period 65536, and the multiplier carries every
// bit of k + c into the high byte that masks the next byte. Changing either
// value invalidates every stored text: rerun regen_list_texts.
// Kept as unsigned, not unsigned short, so the arithmetic never promotes to
// a signed int that could overflow.
constexpr unsigned kDecodeMultiplier = 0x5BD1;
constexpr unsigned kDecodeAddend = 0x1F3B;

static_assert(kDecodeMultiplier <= 0xFFFF && kDecodeAddend <= 0xFFFF, "16-bit constants");
static_assert(kDecodeMultiplier % 4 == 1 && kDecodeAddend % 2 == 1, "full-period key schedule");

// Next running key after scrambled byte c. The schedule is driven by the
// scrambled byte, so the encoder can follow it before it knows the plain one.
constexpr unsigned NextDecodeKey(unsigned key, unsigned scrambled) {
    return (((key + scrambled) & 0xFFFFu) * kDecodeMultiplier + kDecodeAddend) & 0xFFFFu;
}

// Letter pair (a, b) stands for (26 * (a - 'A') + (b - 'A')) mod 256; any
// character is taken through the same formula and an unpaired last one is
// ignored. Only the low 16 bits of startKey count. The result holds exactly
// text.GetLength() / 2 bytes, zero bytes included.
CString DecodeText(const CString& text, unsigned startKey);
