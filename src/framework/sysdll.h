// System DLLs that the loader does not always take from the system directory
// (the spooler's WINSPOOL.DRV and COMCTL32) are not imported: they are bound
// at first use from the system directory only. An installer is often started,
// elevated, from a folder that anyone can write to, so no DLL may come from
// the program's folder or the current directory.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <winspool.h>
#include <shellapi.h>

#include "framework/scoped.h"

namespace sysdll {

// Runs first at start-up: takes the current directory out of the DLL search
// and, where the system can, limits the default search to the system
// directory.
void RestrictDllSearch();

// A function of kernel32 looked up by name; null on systems that lack it.
FARPROC KernelProc(const char* name);

// Loads a system DLL by file name from the system directory only.
HMODULE LoadSystemLibrary(const char* name);

// True when the 32-bit program runs on 64-bit Windows. IsWow64Process is
// looked up at run time: older systems lack it and count as 32-bit.
bool IsWow64();

// The same calls as the system's; a function that cannot be bound fails
// with ERROR_PROC_NOT_FOUND.

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* icc);

// SHELL32 is safe to import, but it is needed only by the USB button and
// loading it costs start-up time; it is bound on first use as well.
HINSTANCE ShellExecuteW(HWND owner, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters,
                        LPCWSTR directory, INT show);

BOOL GetPrinterDriverDirectoryA(LPSTR server, LPSTR environment, DWORD level, LPBYTE buffer,
                                DWORD size, LPDWORD needed);
BOOL AddPrinterDriverA(LPSTR server, DWORD level, LPBYTE info);
HANDLE AddPrinterA(LPSTR server, DWORD level, LPBYTE info);
BOOL OpenPrinterA(LPSTR name, LPHANDLE printer, LPPRINTER_DEFAULTSA defaults);
BOOL ClosePrinter(HANDLE printer);
BOOL DeletePrinter(HANDLE printer);
BOOL DeletePrinterDriverExA(LPSTR server, LPSTR environment, LPSTR driverName, DWORD deleteFlag,
                            DWORD versionFlag);
BOOL EnumPrinterDriversA(LPSTR server, LPSTR environment, DWORD level, LPBYTE buffer, DWORD size,
                         LPDWORD needed, LPDWORD count);
BOOL DeletePrinterDriverA(LPSTR server, LPSTR environment, LPSTR driverName);
BOOL GetPrinterW(HANDLE printer, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed);
// The printer's record of that level (wide), sized from the spooler's
// answer; empty with the last error set when it cannot be read.
CHeapBlock<BYTE> QueryPrinter(HANDLE printer, DWORD level);
BOOL EnumPortsW(LPWSTR server, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed,
                LPDWORD count);
BOOL ConfigurePortW(LPWSTR server, HWND owner, LPWSTR portName);
BOOL EnumMonitorsA(LPSTR server, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed,
                   LPDWORD count);
BOOL AddPortA(LPSTR server, HWND owner, LPSTR monitorName);

typedef BOOL (*EnumFn)(LPSTR server, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed,
                       LPDWORD count);
// A local spooler enumeration: a first call for the size, a second that
// fills a buffer of exactly that size. Returns the records and sets count;
// empty and 0 when nothing could be listed.
CHeapBlock<BYTE> Enumerate(EnumFn fn, DWORD level, DWORD* count);
typedef BOOL (*EnumFnW)(LPWSTR server, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed,
                        LPDWORD count);
CHeapBlock<BYTE> Enumerate(EnumFnW fn, DWORD level, DWORD* count);

}  // namespace sysdll
