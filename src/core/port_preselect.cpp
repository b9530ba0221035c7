#include "core/port_preselect.h"

#include <cstring>

namespace {

bool HasPrefix(const char* name, const char* prefix) {
    // strncmp stops at the name's end, so a name shorter than four never matches.
    return name && std::strncmp(name, prefix, 4) == 0;
}

}  // namespace

int PreselectPortRow(const char* const* names, int count) {
    if (!names) return -1;
    const int listed = count < kMaxPortRows ? count : kMaxPortRows;
    // Remembered rows start at 0, which is why a match at row 0 is lost.
    int com1 = 0;
    int lpt1 = 0;
    int file = 0;
    for (int row = 0; row < listed; ++row) {
        const char* name = names[row];
        if (HasPrefix(name, "COM1")) {
            com1 = row;
        } else if (HasPrefix(name, "LPT1")) {
            lpt1 = row;
        } else if (HasPrefix(name, "FILE")) {
            file = row;
        }
    }
    if (lpt1 > 0) return lpt1;
    if (com1 > 0) return com1;
    if (file > 0) return file;
    return -1;
}
