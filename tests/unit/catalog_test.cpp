#include <gtest/gtest.h>

#include "catalog/catalog.h"

TEST(Catalog, FirstAndLastRows) {
    EXPECT_STREQ(g_modelNames[0], "RQ-210(No Cut) Series");
    EXPECT_STREQ(g_gpdNames[0], "RQ210nocut");
    EXPECT_STREQ(g_dllNames[0], "RQPRN");
    EXPECT_STREQ(g_modelNames[kModelCount - 1], "M-C51x Series");
    EXPECT_STREQ(g_gpdNames[kModelCount - 1], "MC51X");
    EXPECT_STREQ(g_dllNames[kModelCount - 1], "RQPRN");
}

TEST(Catalog, PluginRowsAreFiveToEightAndThirteenToTwenty) {
    struct Case {
        int row;
        bool plugin;
    };
    const Case cases[] = {
        {0, false}, {4, false}, {5, true},   {8, true},   {9, false},  {12, false},
        {13, true}, {20, true}, {21, false}, {22, false}, {-1, false}, {23, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ModelHasPlugin(c.row), c.plugin) << "row " << c.row;
    }
}

// The settings page starts its serial lists at 5, 3, 0, 2, 2.
TEST(SerialTables, InitialSelectionsAndOddEntries) {
    EXPECT_STREQ(g_baudRates[5], "19200");
    EXPECT_STREQ(g_dataBits[3], "8");
    EXPECT_STREQ(g_stopBits[0], "1");
    EXPECT_STREQ(g_parityLetters[2], "N");
    EXPECT_STREQ(g_flowLetters[2], "p");

    EXPECT_STREQ(g_parityLetters[1], "E");  // Mark, not "M"
    EXPECT_STREQ(g_flowLetters[0], " ");    // None is one blank, not empty
    EXPECT_STREQ(g_portValueNames[2], "LPT3:");
    EXPECT_STREQ(g_portValueNames[kFirstComPortPos], "COM1:");
}

TEST(SerialTables, InTableBounds) {
    EXPECT_FALSE(InTable(-1, kPortValueCount));
    EXPECT_TRUE(InTable(0, kPortValueCount));
    EXPECT_TRUE(InTable(kPortValueCount - 1, kPortValueCount));
    EXPECT_FALSE(InTable(kPortValueCount, kPortValueCount));
}
