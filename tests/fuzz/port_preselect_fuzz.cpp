// Compares PreselectPortRow with a plain re-statement of the rule.
//
// Input: port names separated by '\n'; a name that is exactly "~" is passed
// as a null pointer. At most kMaxNames names, so lists both below and above
// the row limit are tried.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/port_preselect.h"

namespace {

constexpr int kMaxNames = 300;
constexpr int kReferenceRowLimit = 256;

bool StartsWith4(const char* name, const char* prefix) {
    for (int i = 0; i < 4; ++i) {
        if (name[i] == '\0' || name[i] != prefix[i]) return false;
    }
    return true;
}

int ReferencePreselect(const std::vector<const char*>& names) {
    // In order of preference.
    const char* const prefixes[] = {"LPT1", "COM1", "FILE"};
    int lastRow[3] = {-1, -1, -1};
    const int rows = static_cast<int>(names.size()) < kReferenceRowLimit
                         ? static_cast<int>(names.size())
                         : kReferenceRowLimit;
    for (int row = 0; row < rows; ++row) {
        const char* name = names[row] ? names[row] : "";
        for (int p = 0; p < 3; ++p) {
            if (StartsWith4(name, prefixes[p])) lastRow[p] = row;
        }
    }
    for (int p = 0; p < 3; ++p) {
        if (lastRow[p] > 0) return lastRow[p];
    }
    return -1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* bytes = reinterpret_cast<const char*>(data);
    // Each name gets its own exact-size allocation so ASan sees any read past
    // its terminating zero.
    std::vector<std::vector<char>> buffers;
    std::vector<const char*> names;
    buffers.reserve(kMaxNames);
    size_t start = 0;
    for (size_t i = 0; i <= size && static_cast<int>(names.size()) < kMaxNames; ++i) {
        if (i < size && bytes[i] != '\n') continue;
        if (i - start == 1 && bytes[start] == '~') {
            names.push_back(nullptr);
        } else {
            buffers.emplace_back(i - start + 1, '\0');
            std::copy(bytes + start, bytes + i, buffers.back().begin());
            names.push_back(buffers.back().data());
        }
        start = i + 1;
    }

    const int count = static_cast<int>(names.size());
    if (PreselectPortRow(names.data(), count) != ReferencePreselect(names)) __builtin_trap();
    return 0;
}
