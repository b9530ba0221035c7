#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "install/logging_platform.h"
#include "install/remover.h"
#include "install/unattended.h"

namespace {

// A spooler and a registry in memory; every call is one journal line.
class FakeRemovalPlatform : public IRemovalPlatform {
  public:
    std::vector<std::string> journal;

    std::set<std::string> printers;                         // by name
    std::set<std::pair<std::string, std::string>> drivers;  // environment, name
    bool hasDeleteEx = true;
    unsigned long missingExError = kErrorProcNotFound;  // how the spooler says it lacks it
    unsigned long openPrinterError = 0;                 // other than "no such printer"
    unsigned long deletePrinterError = 0;
    unsigned long deleteDriverError = 0;
    unsigned long findDriverError = 0;  // the driver list cannot be read
    long openKeyStatus = 0;
    long deleteValueStatus = 0;
    std::map<std::string, std::string> values;  // the Windows key of HKCU
    std::map<unsigned long, std::string> errorTexts;

    PrinterHandle OpenPrinterToDelete(const char* name, unsigned long& error) override {
        journal.push_back(std::string("open printer ") + name);
        error = openPrinterError;
        if (error) return nullptr;
        if (!printers.count(name)) {
            error = kErrorInvalidPrinterName;
            return nullptr;
        }
        m_open = name;
        return reinterpret_cast<PrinterHandle>(0x42);
    }
    bool DeletePrinter(PrinterHandle printer, unsigned long& error) override {
        journal.push_back("delete printer");
        EXPECT_EQ(printer, reinterpret_cast<PrinterHandle>(0x42));
        error = deletePrinterError;
        if (!error) printers.erase(m_open);
        return error == 0;
    }
    void ClosePrinterHandle(PrinterHandle printer) override {
        journal.push_back("close printer");
        EXPECT_EQ(printer, reinterpret_cast<PrinterHandle>(0x42));
    }
    bool FindDriver(const char* environment, const char* name, bool& listed,
                    unsigned long& error) override {
        journal.push_back(std::string("find driver ") + environment + "|" + name);
        error = findDriverError;
        listed = drivers.count({environment, name}) > 0;
        return error == 0;
    }
    bool DeleteDriverEx(const char* environment, const char* name, unsigned long deleteFlags,
                        unsigned long& error) override {
        journal.push_back(std::string("delete driver ex ") + environment + "|" + name + "|" +
                          std::to_string(deleteFlags));
        if (!hasDeleteEx) {
            error = missingExError;
            return false;
        }
        return DeleteRecord(environment, name, error);
    }
    bool DeleteDriver(const char* environment, const char* name, unsigned long& error) override {
        journal.push_back(std::string("delete driver ") + environment + "|" + name);
        return DeleteRecord(environment, name, error);
    }
    long OpenRegKey(RegRoot root, const char* path, unsigned long access,
                    RegKeyHandle& key) override {
        journal.push_back(std::string("open key ") +
                          (root == RegRoot::CurrentUser ? "HKCU\\" : "HKLM\\") + path + " " +
                          std::to_string(access));
        key = openKeyStatus == 0 ? reinterpret_cast<RegKeyHandle>(0x77) : nullptr;
        return openKeyStatus;
    }
    long QueryRegString(RegKeyHandle key, const char* name, CString& text) override {
        journal.push_back(std::string("query ") + name);
        EXPECT_EQ(key, reinterpret_cast<RegKeyHandle>(0x77));
        auto it = values.find(name);
        if (it == values.end()) return 2;
        text = it->second.c_str();
        return 0;
    }
    long DeleteRegValue(RegKeyHandle key, const char* name) override {
        journal.push_back(std::string("delete value ") + name);
        EXPECT_EQ(key, reinterpret_cast<RegKeyHandle>(0x77));
        if (deleteValueStatus == 0) values.erase(name);
        return deleteValueStatus;
    }
    void CloseRegKey(RegKeyHandle key) override {
        journal.push_back("close key");
        EXPECT_EQ(key, reinterpret_cast<RegKeyHandle>(0x77));
    }
    int ErrorText(unsigned long error, char16_t* buffer, int size) override {
        auto it = errorTexts.find(error);
        if (it == errorTexts.end()) return 0;
        int length = 0;
        for (char c : it->second) {
            if (length < size) buffer[length++] = static_cast<char16_t>(c);
        }
        return length;
    }

  private:
    bool DeleteRecord(const char* environment, const char* name, unsigned long& error) {
        if (deleteDriverError) {
            error = deleteDriverError;
            return false;
        }
        if (!drivers.erase({environment, name})) {
            error = kErrorUnknownPrinterDriver;
            return false;
        }
        error = 0;
        return true;
    }
    std::string m_open;
};

const char kKey[] = "open key HKCU\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows 3";

// What an installation of row 4 left, beside another model's printer and driver.
FakeRemovalPlatform Installed() {
    FakeRemovalPlatform fake;
    fake.printers = {"RQ-230 Series", "RQ-230N Series"};
    fake.drivers = {{"Windows NT x86", "RQ-230 Series"}, {"Windows NT x86", "RQ-230N Series"}};
    fake.values["Device"] = "RQ-230 Series,winspool,LPT1:";
    return fake;
}

}  // namespace

TEST(Removal, DeletesPrinterThenDriverThenTheDefaultNamingIt) {
    FakeRemovalPlatform fake = Installed();
    RemovalResult result = RunRemoval(4, false, fake);

    const std::vector<std::string> expected = {
        "open printer RQ-230 Series",
        "delete printer",
        "close printer",
        "find driver Windows NT x86|RQ-230 Series",
        "delete driver ex Windows NT x86|RQ-230 Series|1",
        kKey,
        "query Device",
        "delete value Device",
        "close key",
    };
    EXPECT_EQ(fake.journal, expected);
    EXPECT_TRUE(result.Succeeded());
    EXPECT_TRUE(result.printerDeleted);
    EXPECT_TRUE(result.driverDeleted);
    EXPECT_TRUE(result.defaultCleared);
    EXPECT_FALSE(result.filesLeft);
    // The other model's printer and driver stay.
    EXPECT_EQ(fake.printers, std::set<std::string>{"RQ-230N Series"});
    EXPECT_EQ(fake.drivers.size(), 1u);
    EXPECT_EQ(fake.values.count("Device"), 0u);
    EXPECT_EQ(RemovalExitCode(result), 0);
    EXPECT_STREQ(FormatRemovalOutcome(result, fake), u8"驱动删除完成");
}

TEST(Removal, X64VariantDeletesTheX64Registration) {
    FakeRemovalPlatform fake = Installed();
    fake.drivers.insert({"Windows x64", "RQ-230 Series"});
    RunRemoval(4, true, fake);
    EXPECT_EQ(fake.journal[4], "delete driver ex Windows x64|RQ-230 Series|1");
    EXPECT_EQ(fake.drivers.count({"Windows NT x86", "RQ-230 Series"}), 1u);
    EXPECT_EQ(fake.drivers.count({"Windows x64", "RQ-230 Series"}), 0u);
}

TEST(Removal, NothingToRemoveIsASuccessThatChangesNothing) {
    FakeRemovalPlatform fake;
    fake.values["Device"] = "Other Printer,winspool,COM2:";
    RemovalResult result = RunRemoval(4, false, fake);
    EXPECT_TRUE(result.Succeeded());
    EXPECT_TRUE(result.NothingFound());
    EXPECT_EQ(fake.values["Device"], "Other Printer,winspool,COM2:");
    // No deletion is asked for: spoolers refuse a missing driver each in their own words.
    const std::vector<std::string> expected = {"open printer RQ-230 Series",
                                               "find driver Windows NT x86|RQ-230 Series", kKey,
                                               "query Device", "close key"};
    EXPECT_EQ(fake.journal, expected);
    EXPECT_EQ(RemovalExitCode(result), 0);
    EXPECT_STREQ(FormatRemovalOutcome(result, fake), u8"没有需要删除的打印机或驱动");
}

TEST(Removal, DefaultClearedOnlyWhenItNamesTheRemovedPrinter) {
    struct Case {
        const char* device;
        bool cleared;
    } cases[] = {
        {"RQ-230 Series,winspool,LPT1:", true},
        {"rq-230 series,winspool,COM1:", true},  // the spooler ignores case
        {"RQ-230 Series", true},
        {"RQ-230N Series,winspool,LPT1:", false},  // a longer name with the same start
        {"RQ-230 Serie,winspool,LPT1:", false},
        {"Other,winspool,LPT1:", false},
        {"", false},
    };
    for (const Case& c : cases) {
        FakeRemovalPlatform fake = Installed();
        fake.values["Device"] = c.device;
        RemovalResult result = RunRemoval(4, false, fake);
        EXPECT_EQ(result.defaultCleared, c.cleared) << c.device;
        EXPECT_EQ(fake.values.count("Device") == 0, c.cleared) << c.device;
        EXPECT_TRUE(result.Succeeded()) << c.device;
    }

    // No value, or no key: nothing to clear, nothing failed.
    FakeRemovalPlatform noValue = Installed();
    noValue.values.clear();
    EXPECT_TRUE(RunRemoval(4, false, noValue).Succeeded());
    FakeRemovalPlatform noKey = Installed();
    noKey.openKeyStatus = 2;
    RemovalResult result = RunRemoval(4, false, noKey);
    EXPECT_TRUE(result.Succeeded());
    EXPECT_EQ(noKey.journal.back(), kKey);  // no close of a key that is not open
}

TEST(Removal, APrinterThatCannotBeDeletedStopsTheRemoval) {
    for (bool failOpen : {true, false}) {
        FakeRemovalPlatform fake = Installed();
        fake.errorTexts[5] = "Access is denied.\r\n";
        (failOpen ? fake.openPrinterError : fake.deletePrinterError) = 5;
        RemovalResult result = RunRemoval(4, false, fake);

        EXPECT_FALSE(result.Succeeded());
        EXPECT_EQ(RemovalExitCode(result), 1603);
        // The driver is still in use, and the default printer still exists.
        EXPECT_EQ(fake.drivers.size(), 2u);
        EXPECT_EQ(fake.values.count("Device"), 1u);
        EXPECT_EQ(fake.journal.back(), failOpen ? "open printer RQ-230 Series" : "close printer");
        EXPECT_STREQ(FormatRemovalOutcome(result, fake),
                     u8"驱动删除失败。\n无法删除打印机 RQ-230 Series（错误 5：Access is denied.）");
    }
}

TEST(Removal, FallsBackToThePlainDeletionWhereTheExtendedOneIsMissing) {
    // Not bound, not implemented, or its flags refused.
    for (unsigned long missing :
         {kErrorProcNotFound, kErrorCallNotImplemented, kErrorInvalidParameter}) {
        FakeRemovalPlatform fake = Installed();
        fake.hasDeleteEx = false;
        fake.missingExError = missing;
        RemovalResult result = RunRemoval(4, false, fake);
        EXPECT_EQ(fake.journal[4], "delete driver ex Windows NT x86|RQ-230 Series|1");
        EXPECT_EQ(fake.journal[5], "delete driver Windows NT x86|RQ-230 Series");
        EXPECT_TRUE(result.Succeeded());
        EXPECT_TRUE(result.driverDeleted);
        EXPECT_TRUE(result.filesLeft);
        EXPECT_EQ(fake.drivers.count({"Windows NT x86", "RQ-230 Series"}), 0u);
    }

    // Any other refusal is the answer: no second attempt.
    FakeRemovalPlatform inUse = Installed();
    inUse.deleteDriverError = 3001;
    RemovalResult result = RunRemoval(4, false, inUse);
    EXPECT_EQ(inUse.journal[5], kKey);
    EXPECT_FALSE(result.Succeeded());
    EXPECT_FALSE(result.filesLeft);
}

TEST(Removal, DriverAndDefaultFailuresAreReported) {
    FakeRemovalPlatform fake = Installed();
    fake.deleteDriverError = 3001;  // ERROR_PRINTER_DRIVER_IN_USE: another printer uses it
    fake.deleteValueStatus = 5;
    RemovalResult result = RunRemoval(4, false, fake);
    EXPECT_TRUE(result.printerDeleted);
    ASSERT_EQ(result.FailureCount(), 2);
    EXPECT_EQ(result.Failure(0).step, RemovalStep::DeleteDriver);
    EXPECT_EQ(result.Failure(1).step, RemovalStep::ClearDefault);
    EXPECT_STREQ(FormatRemovalOutcome(result, fake),
                 u8"驱动删除失败。\n无法删除打印机驱动程序 RQ-230 Series（错误 3001）\n"
                 u8"无法清除默认打印机的注册表信息（错误 5）");
    EXPECT_EQ(RemovalExitCode(result), 1603);
}

TEST(Removal, ADriverListThatCannotBeReadStillLetsTheDeletionTry) {
    FakeRemovalPlatform fake = Installed();
    fake.findDriverError = 5;
    RemovalResult result = RunRemoval(4, false, fake);
    EXPECT_TRUE(result.Succeeded());
    EXPECT_TRUE(result.driverDeleted);
    EXPECT_EQ(fake.drivers.count({"Windows NT x86", "RQ-230 Series"}), 0u);
}

TEST(Removal, RowOutsideTheCatalogueTouchesNothing) {
    for (int row : {-1, 23}) {
        FakeRemovalPlatform fake = Installed();
        RemovalResult result = RunRemoval(row, false, fake);
        EXPECT_FALSE(result.Succeeded());
        EXPECT_TRUE(fake.journal.empty());
    }
}

namespace {

class VectorLog : public ILogSink {
  public:
    std::vector<std::string> lines;
    void Line(const char* text) override { lines.push_back(text); }
    void LineCp936(const char* text) override { lines.push_back(std::string("936:") + text); }
};

}  // namespace

TEST(LoggingRemovalPlatform, OneLinePerCallWithResultAndSystemText) {
    FakeRemovalPlatform fake = Installed();
    fake.hasDeleteEx = false;
    fake.errorTexts[kErrorProcNotFound] = "The specified procedure could not be found.\r\n";
    VectorLog log;
    LoggingRemovalPlatform logging(fake, log);
    RemovalResult result = RunRemoval(4, false, logging);
    EXPECT_TRUE(result.Succeeded());
    const std::vector<std::string> expected = {
        "OpenPrinterA \"RQ-230 Series\" (PRINTER_ALL_ACCESS): ok",
        "DeletePrinter: ok",
        "ClosePrinter",
        "EnumPrinterDriversA \"Windows NT x86\" lists \"RQ-230 Series\": ok",
        "DeletePrinterDriverExA \"RQ-230 Series\" environment \"Windows NT x86\" flags 0x1: "
        "error 127: The specified procedure could not be found.",
        "DeletePrinterDriverA \"RQ-230 Series\" environment \"Windows NT x86\": ok",
        "the driver files were left in the driver directory",
        "RegOpenKeyExA HKCU\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows: ok",
        "RegQueryValueExA \"Device\" = \"RQ-230 Series,winspool,LPT1:\": ok",
        "RegDeleteValueA \"Device\": ok",
        "RegCloseKey",
    };
    EXPECT_EQ(log.lines, expected);
}

TEST(UnattendedInstallRequest, AsTheSettingsPageLeavesItsLists) {
    InstallRequest request = UnattendedInstallRequest(4, "LPT1:", false, true);
    EXPECT_TRUE(request.bX64);
    EXPECT_EQ(request.nModelRow, 4);
    EXPECT_STREQ(request.strPortName, "LPT1:");
    EXPECT_FALSE(request.bSetDefault);
    // Port list at "LPT1" (no serial settings), serial lists at 19200,N,8,1,p.
    EXPECT_EQ(request.nPortPos, 0);
    EXPECT_EQ(request.nBaudPos, 5);
    EXPECT_EQ(request.nDataBitsPos, 3);
    EXPECT_EQ(request.nStopBitsPos, 0);
    EXPECT_EQ(request.nParityPos, 2);
    EXPECT_EQ(request.nFlowPos, 2);
}
