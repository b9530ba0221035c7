// Run-time support: the program's entry point, and the C++ runtime's
// allocation functions without its exception machinery.
#include <windows.h>

#include <cstdlib>

#include "framework/app.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    return AfxWinMain(instance);
}

// memory ends it, as the framework's out-of-memory handling would, and these
// definitions keep the C++ runtime's exception machinery out of the program.

void* operator new(size_t size) {
    void* block = std::malloc(size ? size : 1);
    if (!block) std::abort();
    return block;
}

void* operator new[](size_t size) {
    return operator new(size);
}

void operator delete(void* block) noexcept {
    std::free(block);
}

void operator delete[](void* block) noexcept {
    std::free(block);
}

void operator delete(void* block, size_t) noexcept {
    std::free(block);
}

void operator delete[](void* block, size_t) noexcept {
    std::free(block);
}

extern "C" void __cxa_pure_virtual() {
    std::abort();
}
