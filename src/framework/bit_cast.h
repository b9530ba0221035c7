// Reinterprets one object representation as another of the same size:
// FARPROC to a typed function pointer, or one member function pointer type
// to another, without the casts that the compiler rightly warns about.
#pragma once

template <typename To, typename From>
To AfxBitCast(From from) {
    static_assert(sizeof(To) == sizeof(From), "sizes differ");
    To to;
    __builtin_memcpy(&to, &from, sizeof(to));
    return to;
}
