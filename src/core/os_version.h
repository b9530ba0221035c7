// Classification of the running Windows version into the wizard's OS code.
#pragma once

constexpr unsigned kPlatformWin32s = 0;
constexpr unsigned kPlatformWindows = 1;  // Windows 95, 98, Me
constexpr unsigned kPlatformNT = 2;

// OS codes: 0 not classified, 1 Windows 95, 2 Windows 98/Me, 3 NT 4.0 and
// older, 4 Windows 2000 (and unknown platforms), 5 XP, 6 Server 2003,
// 7 Vista, 8 Windows 7, 9 Windows 8 (and later systems that report 6.2).
// A version that fits no code leaves previousCode as it is.
int ClassifyOs(unsigned platformId, unsigned major, unsigned minor, int previousCode);

// OS codes 3 to 9 are NT systems, for which the wizard confirms the finished
// installation.
inline bool IsNtOsCode(int code) {
    return code >= 3 && code <= 9;
}
