#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "base/cstring.h"
#include "catalog/catalog.h"
#include "catalog/decoder.h"
#include "catalog/list_texts.h"

namespace {

// Same texts as tools/list_texts.txt; the literals compile to code page 936.
const char* const kExpectedListTexts[kModelCount] = {
    "RQ-210 系列热敏票据打印机（无切刀）", "RQ-210 系列热敏票据打印机（带切刀）",
    "RQ-220 系列热敏票据打印机（无切刀）", "RQ-220 系列热敏票据打印机（带切刀）",
    "RQ-230 系列热敏票据打印机",           "RQ-230N 系列热敏票据打印机",
    "RQ-A230 系列热敏票据打印机",          "RQ-B230 系列热敏票据打印机",
    "RQ-240 系列热敏票据打印机",           "RQ-C210 系列热敏票据打印机",
    "RQ-C215 系列热敏票据打印机",          "RQ-C230 系列热敏票据打印机",
    "RQ-D210 系列热敏票据打印机",          "RQ-D230 系列热敏票据打印机",
    "RQ-D240 系列热敏票据打印机",          "RQ-A240 系列热敏票据打印机",
    "RQ-G240 系列热敏票据打印机",          "RQ-B240 系列热敏票据打印机",
    "M-D50x 系列微型热敏打印机",           "M-60xA 系列微型热敏打印机",
    "M-60xB 系列微型热敏打印机",           "M-C50x 系列微型热敏打印机",
    "M-C51x 系列微型热敏打印机",
};
const char* const kExpectedDefaultName = "RQ 系列票据打印机";

std::string Bytes(const CString& s) {
    return std::string(s.GetString(), static_cast<size_t>(s.GetLength()));
}

// "RQ-210(No Cut) Series" -> "RQ-210 ".
std::string ModelPrefix(const char* displayName) {
    const std::string name = displayName;
    return name.substr(0, name.find_first_of("( ")) + " ";
}

}  // namespace

TEST(ListTexts, EveryRowDecodesToItsTextForThatModel) {
    for (int row = 0; row < kModelCount; ++row) {
        SCOPED_TRACE(row);
        const std::string text = Bytes(DecodeModelListText(row));
        EXPECT_EQ(text, kExpectedListTexts[row]);
        EXPECT_EQ(text.find('\0'), std::string::npos);
        // Guards against rows shifted against the catalogue.
        EXPECT_EQ(text.rfind(ModelPrefix(g_modelNames[row]), 0), 0u);
    }
    const std::string name = Bytes(DecodeDefaultPrinterName());
    EXPECT_EQ(name, kExpectedDefaultName);
    EXPECT_EQ(name.find('\0'), std::string::npos);
}

TEST(ListTexts, RowsOutsideTheCatalogueAreEmpty) {
    for (int row : {-1, kModelCount, 1000}) {
        EXPECT_TRUE(DecodeModelListText(row).IsEmpty()) << row;
    }
}

TEST(ListTexts, StoredFormAndKeys) {
    std::set<unsigned> keys;
    auto check = [&keys](const StoredText& stored) {
        const size_t length = std::strlen(stored.letters);
        EXPECT_GT(length, 0u);
        EXPECT_EQ(length % 2, 0u);
        for (size_t i = 0; i < length; ++i) {
            const char lowest = 'A';
            const char highest = i % 2 == 0 ? 'J' : 'Z';
            EXPECT_TRUE(stored.letters[i] >= lowest && stored.letters[i] <= highest) << i;
        }
        keys.insert(stored.startKey);
    };
    for (const StoredText& stored : g_modelListTexts) check(stored);
    check(g_defaultPrinterText);
    EXPECT_EQ(keys.size(), static_cast<size_t>(kModelCount + 1)) << "starting keys must differ";
}
