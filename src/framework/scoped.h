// One owner per kind of Win32 resource: each releases what it holds when it
// leaves its scope, so that no early return can leak it. Owners move but do
// not copy.
#pragma once

#include <windows.h>

#include <cstdlib>

// The spooler's ClosePrinter, bound at run time (framework/sysdll.h).
namespace sysdll {
BOOL ClosePrinter(HANDLE printer);
}

template <typename Traits>
class CScoped {
  public:
    using Handle = typename Traits::Handle;

    CScoped() = default;
    explicit CScoped(Handle handle) : m_handle(handle) {}
    ~CScoped() { Reset(); }
    CScoped(CScoped&& other) noexcept : m_handle(other.Release()) {}
    CScoped& operator=(CScoped&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    CScoped(const CScoped&) = delete;
    CScoped& operator=(const CScoped&) = delete;

    Handle Get() const { return m_handle; }
    bool IsValid() const { return m_handle != Traits::Invalid(); }
    explicit operator bool() const { return IsValid(); }
    // Releases what is held and takes the next handle.
    void Reset(Handle handle = Traits::Invalid()) {
        if (IsValid()) Traits::Close(m_handle);
        m_handle = handle;
    }
    // Gives the handle up without releasing it.
    Handle Release() {
        Handle handle = m_handle;
        m_handle = Traits::Invalid();
        return handle;
    }
    // For a call that returns the handle through a pointer: releases what is
    // held first.
    Handle* Receive() {
        Reset();
        return &m_handle;
    }

  private:
    Handle m_handle = Traits::Invalid();
};

// A block from std::calloc or std::malloc, such as the records of the
// spooler enumerations in sysdll.
template <typename T>
struct HeapTraits {
    using Handle = T*;
    static T* Invalid() { return nullptr; }
    static void Close(T* block) { std::free(block); }
};
template <typename T>
using CHeapBlock = CScoped<HeapTraits<T>>;

// The records of a heap block read as an array of R.
template <typename R, typename T>
const R* RecordsOf(const CHeapBlock<T>& block) {
    return reinterpret_cast<const R*>(block.Get());
}

struct PrinterTraits {
    using Handle = HANDLE;
    static HANDLE Invalid() { return nullptr; }
    static void Close(HANDLE printer) { sysdll::ClosePrinter(printer); }
};
using CScopedPrinter = CScoped<PrinterTraits>;

// A kernel object such as a mutex; null when there is none.
struct HandleTraits {
    using Handle = HANDLE;
    static HANDLE Invalid() { return nullptr; }
    static void Close(HANDLE handle) { ::CloseHandle(handle); }
};
using CScopedHandle = CScoped<HandleTraits>;

// A file from CreateFileW; INVALID_HANDLE_VALUE when there is none.
struct FileTraits {
    using Handle = HANDLE;
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE file) { ::CloseHandle(file); }
};
using CScopedFile = CScoped<FileTraits>;

// The screen's device context, for reading its metrics.
class CScreenDC {
  public:
    CScreenDC() : m_dc(::GetDC(nullptr)) {}
    ~CScreenDC() {
        if (m_dc) ::ReleaseDC(nullptr, m_dc);
    }
    CScreenDC(const CScreenDC&) = delete;
    CScreenDC& operator=(const CScreenDC&) = delete;
    HDC Get() const { return m_dc; }

  private:
    HDC m_dc;
};
