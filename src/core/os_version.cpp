#include "core/os_version.h"

int ClassifyOs(unsigned platformId, unsigned major, unsigned minor, int previousCode) {
    switch (platformId) {
        case kPlatformWindows:
            if (major != 4) return previousCode;
            if (minor == 0) return 1;
            if (minor == 10 || minor == 90) return 2;
            return previousCode;
        case kPlatformNT:
            if (major <= 4) return 3;
            if (major == 5 && minor <= 2) return 4 + static_cast<int>(minor);
            if (major == 6 && minor <= 2) return 7 + static_cast<int>(minor);
            return previousCode;
        default:
            return 4;
    }
}
