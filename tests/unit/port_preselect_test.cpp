#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/port_preselect.h"

namespace {

struct Case {
    const char* label;
    std::vector<const char*> names;
    int expected;
};

// 300 ports named "NUL:" except where given.
std::vector<const char*> ManyPorts(std::vector<std::pair<int, const char*>> at) {
    std::vector<const char*> names(300, "NUL:");
    for (const auto& [pos, name] : at) names[static_cast<size_t>(pos)] = name;
    return names;
}

}  // namespace

TEST(PreselectPortRow, ChoosesByPrefixPriorityAndLastMatch) {
    const Case cases[] = {
        {"LPT1 at 0 loses to COM1 at 3", {"LPT1:", "LPT2:", "LPT3:", "COM1:", "COM2:"}, 3},
        {"LPT1 beats COM1", {"COM2:", "NUL:", "LPT1:", "LPT2:", "FILE:", "COM1:"}, 2},
        {"COM1 beats FILE", {"NUL:", "FILE:", "COM1:"}, 2},
        {"FILE when nothing else", {"LPT2:", "FILE:"}, 1},
        {"no match", {"LPT2:", "COM3:", "USB001", "XPSPort:"}, -1},
        {"only match at 0", {"COM1:", "LPT2:", "COM3:"}, -1},
        {"LPT1 at 0 falls through to FILE", {"LPT1:", "NUL:", "FILE:"}, 2},
        {"last COM1 wins",
         {"LPT2:", "NUL:", "NUL:", "NUL:", "COM1:", "NUL:", "NUL:", "NUL:", "NUL:", "COM1:"},
         9},
        {"prefix only: COM10 counts", {"LPT2:", "COM10:"}, 1},
        {"exactly four characters", {"NUL:", "LPT1"}, 1},
        {"case sensitive", {"NUL:", "lpt1:", "com1:", "File:"}, -1},
        {"shorter than four", {"NUL:", "LPT", "COM", "FIL", ""}, -1},
        {"null names are empty", {nullptr, nullptr, "COM1:", nullptr}, 2},
        {"empty list", {}, -1},
        {"LPT1 beyond the listed rows", ManyPorts({{270, "LPT1:"}}), -1},
        {"beyond the rows does not displace", ManyPorts({{3, "COM1:"}, {270, "LPT1:"}}), 3},
        {"last listed row still counts", ManyPorts({{255, "LPT1:"}, {256, "COM1:"}}), 255},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(PreselectPortRow(c.names.data(), static_cast<int>(c.names.size())), c.expected);
    }
}

TEST(PreselectPortRow, NoNamesGiveNoRow) {
    EXPECT_EQ(PreselectPortRow(nullptr, 5), -1);
    const char* names[] = {"NUL:", "LPT1:"};
    EXPECT_EQ(PreselectPortRow(names, 0), -1);
    EXPECT_EQ(PreselectPortRow(names, -3), -1);
    EXPECT_EQ(PreselectPortRow(names, 1), -1);  // the LPT1 row is not among them
}
