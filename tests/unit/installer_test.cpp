#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "install/installer.h"
#include "install/logging_platform.h"
#include "install/unattended.h"

namespace {

// Records every platform call as one line of a journal, in order, and keeps
// the records handed to the spooler. Failures are scripted per call.
class FakePlatform : public IInstallPlatform {
  public:
    std::vector<std::string> journal;

    // Scripted answers.
    std::string driverDir = "D";
    bool dirOk = true;
    unsigned long dirError = 0;
    bool fillDirWithoutTerminator = false;
    std::map<std::string, SourceFileInfo> sources;      // by path; others: a 100-byte file
    std::map<std::string, unsigned long> sourceErrors;  // by path: nothing there
    std::map<std::string, unsigned long> copyErrors;    // by destination
    std::map<std::string, unsigned long> moveErrors;    // by destination
    bool driverOk = true;
    unsigned long driverError = 0;
    PrinterHandle printerHandle = reinterpret_cast<PrinterHandle>(0x1234);
    unsigned long printerError = 0;
    std::map<std::string, std::u16string> existingPrinters;  // name -> its driver
    unsigned long readPrinterError = 0;
    std::map<RegRoot, long> openStatus;
    std::map<std::string, long> setStatus;  // by value name
    std::map<unsigned long, std::u16string> errorTexts;

    // What the spooler was given.
    struct Driver {
        unsigned long cVersion;
        std::string name, environment, driverPath, dataFile, configFile, helpFile, monitorName,
            defaultDataType;
        bool monitorNameNull;
        std::string dependentFiles;  // the whole buffer
    };
    std::vector<Driver> drivers;
    struct Printer {
        std::string printerName, portName, driverName, printProcessor, datatype;
    };
    std::vector<Printer> printers;
    struct RegWrite {
        std::string name, text;
        unsigned long byteCount;
    };
    std::vector<RegWrite> regWrites;

    bool GetDriverDirectory(const char* environment, char* buffer, int size,
                            unsigned long& error) override {
        journal.push_back(std::string("dir ") + environment);
        EXPECT_EQ(size, 255);
        for (int i = 0; i < size; ++i) EXPECT_EQ(buffer[i], 0) << "buffer not zeroed at " << i;
        if (fillDirWithoutTerminator) {
            std::memset(buffer, 'x', static_cast<size_t>(size));
        } else if (dirOk) {
            std::memcpy(buffer, driverDir.c_str(), driverDir.size() + 1);
        }
        error = dirError;
        return dirOk;
    }
    bool QuerySourceFile(const char* path, SourceFileInfo& info, unsigned long& error) override {
        journal.push_back(std::string("query ") + path);
        auto failed = sourceErrors.find(path);
        if (failed != sourceErrors.end()) {
            error = failed->second;
            return false;
        }
        auto it = sources.find(path);
        if (it != sources.end()) {
            info = it->second;
        } else {
            // The package folders are folders, everything else a file.
            info.isDirectory = std::strcmp(path, "Printer Driver\\x86") == 0 ||
                               std::strcmp(path, "Printer Driver\\x64") == 0;
            info.size = info.isDirectory ? 0 : 100;
        }
        error = 0;
        return true;
    }
    bool MoveDriverFile(const char* source, const char* destination,
                        unsigned long& error) override {
        journal.push_back(std::string("move ") + source + " -> " + destination);
        auto it = moveErrors.find(destination);
        error = it == moveErrors.end() ? 0 : it->second;
        return error == 0;
    }
    void DeleteDriverFile(const char* path) override {
        journal.push_back(std::string("delete ") + path);
    }
    bool CopyDriverFile(const char* source, const char* destination, bool overwrite,
                        unsigned long& error) override {
        journal.push_back(std::string("copy ") + source + " -> " + destination +
                          (overwrite ? "" : " (keep)"));
        auto it = copyErrors.find(destination);
        error = it == copyErrors.end() ? 0 : it->second;
        return error == 0;
    }
    bool RegisterDriver(const DriverInfo3& info, unsigned long& error) override {
        journal.push_back("driver");
        drivers.push_back({info.cVersion, info.pName, info.pEnvironment, info.pDriverPath,
                           info.pDataFile, info.pConfigFile, info.pHelpFile,
                           info.pMonitorName ? info.pMonitorName : "", info.pDefaultDataType,
                           info.pMonitorName == nullptr,
                           std::string(info.pDependentFiles, kDependentFilesSize)});
        error = driverError;
        return driverOk;
    }
    PrinterHandle CreatePrinter(const PrinterInfo2& info, unsigned long& error) override {
        journal.push_back("printer");
        printers.push_back({info.pPrinterName, info.pPortName, info.pDriverName,
                            info.pPrintProcessor, info.pDatatype});
        error = printerHandle ? 0 : printerError;
        return printerHandle;
    }
    bool ReadPrinterDriver(const char* printer, char16_t* buffer, int size,
                           unsigned long& error) override {
        journal.push_back(std::string("read printer ") + printer);
        EXPECT_EQ(size, kDriverNameSize);
        auto it = existingPrinters.find(printer);
        error = it == existingPrinters.end() ? kErrorInvalidPrinterName : readPrinterError;
        if (error == 0) *std::copy(it->second.begin(), it->second.end(), buffer) = 0;
        return error == 0;
    }
    void ClosePrinterHandle(PrinterHandle printer) override {
        EXPECT_EQ(printer, printerHandle);
        journal.push_back("close printer");
    }
    long OpenRegKey(RegRoot root, const char* path, unsigned long access,
                    RegKeyHandle& key) override {
        return OpenKey("open ", root, path, access, key);
    }
    long CreateRegKey(RegRoot root, const char* path, unsigned long access,
                      RegKeyHandle& key) override {
        return OpenKey("create ", root, path, access, key);
    }
    long OpenKey(const char* verb, RegRoot root, const char* path, unsigned long access,
                 RegKeyHandle& key) {
        journal.push_back(verb + std::string(root == RegRoot::CurrentUser ? "HKCU\\" : "HKLM\\") +
                          path);
        EXPECT_EQ(access, 0x0002u);  // KEY_SET_VALUE
        long status = openStatus.count(root) ? openStatus[root] : 0;
        key = status == 0 ? &m_key : nullptr;
        return status;
    }
    long SetRegString(RegKeyHandle key, const char* name, const char* text,
                      unsigned long byteCount) override {
        EXPECT_EQ(key, &m_key);
        journal.push_back(std::string("set ") + name);
        regWrites.push_back({name, text, byteCount});
        return setStatus.count(name) ? setStatus[name] : 0;
    }
    void CloseRegKey(RegKeyHandle key) override {
        EXPECT_EQ(key, &m_key);
        journal.push_back("close key");
    }
    void ShowMessage(const char* text) override { journal.push_back(std::string("msg ") + text); }
    void Pause(unsigned long milliseconds) override {
        journal.push_back("pause " + std::to_string(milliseconds));
    }
    void SetProgress(int position) override {
        journal.push_back("progress " + std::to_string(position));
    }
    int ErrorText(unsigned long error, char16_t* buffer, int size) override {
        EXPECT_EQ(size, kErrorTextSize);
        auto it = errorTexts.find(error);
        if (it == errorTexts.end()) return 0;
        std::copy(it->second.begin(), it->second.end(), buffer);
        return static_cast<int>(it->second.size());
    }

    std::vector<std::string> Matching(const std::string& prefix) const {
        std::vector<std::string> lines;
        for (const std::string& line : journal) {
            if (line.compare(0, prefix.size(), prefix) == 0) lines.push_back(line);
        }
        return lines;
    }
    std::vector<int> Progress() const {
        std::vector<int> positions;
        for (const std::string& line : Matching("progress "))
            positions.push_back(std::stoi(line.substr(9)));
        return positions;
    }
    bool Called(const std::string& prefix) const { return !Matching(prefix).empty(); }

  private:
    int m_key = 0;
};

// The settings page's starting state: model row 4, default box ticked, port
// list at LPT1 and the serial lists at their initial positions.
InstallRequest Request(int row = 4, bool x64 = false) {
    InstallRequest request;
    request.bX64 = x64;
    request.nModelRow = row;
    request.strPortName = "COM1:";
    request.bSetDefault = true;
    request.nPortPos = 0;
    request.nBaudPos = 5;
    request.nDataBitsPos = 3;
    request.nStopBitsPos = 0;
    request.nParityPos = 2;
    request.nFlowPos = 2;
    return request;
}

const std::vector<int> kFullProgress = {10, 20, 30, 40, 50, 60, 70, 80, 90, 95, 100};

std::vector<InstallStep> Steps(const InstallResult& result) {
    std::vector<InstallStep> steps;
    for (int i = 0; i < result.FailureCount(); ++i) steps.push_back(result.Failure(i).step);
    return steps;
}

const char kRegistryMessage[] = "msg 错误：无法设置有关的注册表信息";

// The package files of row 4, in copy order.
const std::vector<std::string> kRow4Files = {
    "RQPRN.DLL",  "RQ230.GPD",  "uniDRVui.DLL", "uniDRV.DLL", "UNIDRV.HLP",
    "UNIRES.DLL", "TTFSUB.GPD", "STDNAMES.GPD", "RQPLUG.ini", "RQPLUG.dll",
};

TEST(Installer, FullSequenceForRow4OnX86) {
    FakePlatform fake;
    InstallRequest request = Request();
    request.nPortPos = 3;
    InstallResult result = RunInstallation(request, fake);

    std::vector<std::string> expected = {"dir Windows NT x86", "query Printer Driver\\x86"};
    for (const std::string& name : kRow4Files)
        expected.push_back("query Printer Driver\\x86\\" + name);
    const std::vector<std::string> copies = {
        "copy Printer Driver\\x86\\RQPRN.DLL -> D\\RQPRN.DLL.new",
        "progress 10",
        "copy Printer Driver\\x86\\RQ230.GPD -> D\\RQ230.GPD.new",
        "progress 20",
        "copy Printer Driver\\x86\\uniDRVui.DLL -> D\\uniDRVui.DLL.new",
        "progress 30",
        "copy Printer Driver\\x86\\uniDRV.DLL -> D\\uniDRV.DLL.new",
        "copy Printer Driver\\x86\\UNIDRV.HLP -> D\\UNIDRV.HLP.new",
        "progress 40",
        "copy Printer Driver\\x86\\UNIRES.DLL -> D\\UNIRES.DLL.new",
        "copy Printer Driver\\x86\\TTFSUB.GPD -> D\\TTFSUB.GPD.new",
        "progress 50",
        "copy Printer Driver\\x86\\STDNAMES.GPD -> D\\STDNAMES.GPD.new",
        "copy Printer Driver\\x86\\RQPLUG.ini -> D\\RQPLUG.ini.new",
        "copy Printer Driver\\x86\\RQPLUG.dll -> D\\RQPLUG.dll.new",
        "progress 60",
    };
    expected.insert(expected.end(), copies.begin(), copies.end());
    for (const std::string& name : kRow4Files)
        expected.push_back("move D\\" + name + ".new -> D\\" + name);
    const std::vector<std::string> rest = {
        "driver",
        "progress 70",
        "read printer RQ-230 Series",
        "printer",
        "progress 80",
        "create HKCU\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows",
        "set Device",
        "close key",
        "progress 90",
        "open HKLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports",
        "set COM1:",
        "close key",
        "progress 95",
        "close printer",
        "pause 500",
        "progress 100",
    };
    expected.insert(expected.end(), rest.begin(), rest.end());
    EXPECT_EQ(fake.journal, expected);
    EXPECT_TRUE(result.Succeeded());
    EXPECT_TRUE(FormatInstallOutcome(result, fake).IsEmpty());
}

TEST(Installer, X64VariantTakesSourcesAndEnvironmentFromX64) {
    FakePlatform fake;
    fake.driverDir = "C:\\WINDOWS\\system32\\spool\\DRIVERS\\x64";
    RunInstallation(Request(5, true), fake);

    const std::string d = fake.driverDir;
    const std::vector<std::string> expected = {
        "dir Windows x64",
        "query Printer Driver\\x64",
        "copy Printer Driver\\x64\\RQPRN.DLL -> " + d + "\\RQPRN.DLL.new",
        "copy Printer Driver\\x64\\RQ230N.GPD -> " + d + "\\RQ230N.GPD.new",
        "copy Printer Driver\\x64\\uniDRVui.DLL -> " + d + "\\uniDRVui.DLL.new",
        "copy Printer Driver\\x64\\uniDRV.DLL -> " + d + "\\uniDRV.DLL.new",
        "copy Printer Driver\\x64\\UNIDRV.HLP -> " + d + "\\UNIDRV.HLP.new",
        "copy Printer Driver\\x64\\UNIRES.DLL -> " + d + "\\UNIRES.DLL.new",
        "copy Printer Driver\\x64\\TTFSUB.GPD -> " + d + "\\TTFSUB.GPD.new",
        "copy Printer Driver\\x64\\STDNAMES.GPD -> " + d + "\\STDNAMES.GPD.new",
        "copy Printer Driver\\x64\\RQPLUG.ini -> " + d + "\\RQPLUG.ini.new",
        "copy Printer Driver\\x64\\RQPLUG.dll -> " + d + "\\RQPLUG.dll.new",
    };
    std::vector<std::string> actual = fake.Matching("dir ");
    actual.push_back(fake.Matching("query ").front());
    for (const std::string& copy : fake.Matching("copy ")) actual.push_back(copy);
    EXPECT_EQ(actual, expected);
    EXPECT_EQ(fake.Matching("move ").back(),
              "move " + d + "\\RQPLUG.dll.new -> " + d + "\\RQPLUG.dll");
}

struct DriverCase {
    int row;
    bool x64;
    const char* name;
    const char* environment;
    const char* dataFile;
};

class DriverRecord : public ::testing::TestWithParam<DriverCase> {};

TEST_P(DriverRecord, EveryField) {
    const DriverCase& c = GetParam();
    FakePlatform fake;
    RunInstallation(Request(c.row, c.x64), fake);
    ASSERT_EQ(fake.drivers.size(), 1u);
    const FakePlatform::Driver& d = fake.drivers[0];
    EXPECT_EQ(d.cVersion, 2u);
    EXPECT_EQ(d.name, c.name);
    EXPECT_EQ(d.environment, c.environment);
    EXPECT_EQ(d.driverPath, "\\uniDRV.DLL");
    EXPECT_EQ(d.dataFile, c.dataFile);
    EXPECT_EQ(d.configFile, "\\uniDRVui.DLL");
    EXPECT_EQ(d.helpFile, "\\uniDRV.HLP");
    EXPECT_FALSE(d.monitorNameNull);
    EXPECT_EQ(d.monitorName, "");
    EXPECT_EQ(d.defaultDataType, "RAW");
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DriverRecord,
    ::testing::Values(DriverCase{4, false, "RQ-230 Series", "Windows NT x86", "\\RQ230.GPD"},
                      DriverCase{5, true, "RQ-230N Series", "Windows x64", "\\RQ230N.GPD"},
                      DriverCase{22, false, "M-C51x Series", "Windows NT x86", "\\MC51X.GPD"}));

std::string Padded(std::string bytes) {
    bytes.resize(kDependentFilesSize, '\0');
    return bytes;
}

// Four entries without the plug-in, six with it, each zero-ended, then the
// closing empty text and zeros to the end of the buffer.
TEST(Installer, DependentFilesBufferByteForByte) {
    static const char kFour[] = "\\ttfsub.GPD\0\\unires.DLL\0\\stdnames.GPD\0RQPRN.DLL\0";
    static const char kSix[] =
        "\\ttfsub.GPD\0\\unires.DLL\0\\stdnames.GPD\0\\RQPLUG.ini\0\\RQPLUG.dll\0RQPRN.DLL\0";
    const std::string four = Padded(std::string(kFour, sizeof kFour));
    const std::string six = Padded(std::string(kSix, sizeof kSix));
    const struct {
        int row;
        const std::string& expected;
    } cases[] = {{0, four},  {4, four}, {9, four}, {12, four}, {21, four},
                 {22, four}, {5, six},  {8, six},  {13, six},  {20, six}};
    for (const auto& c : cases) {
        SCOPED_TRACE("row " + std::to_string(c.row));
        FakePlatform fake;
        RunInstallation(Request(c.row), fake);
        ASSERT_EQ(fake.drivers.size(), 1u);
        EXPECT_EQ(fake.drivers[0].dependentFiles, c.expected);
        // The plug-in files are copied for every row.
        EXPECT_EQ(fake.Matching("copy Printer Driver\\x86\\RQPLUG.").size(), 2u);
    }
}

TEST(BuildDependentFiles, RefusesAListThatDoesNotFitAndStaysInTheBuffer) {
    const std::string longName(240, 'N');
    char buffer[kDependentFilesSize + 8];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_FALSE(BuildDependentFiles(longName.c_str(), false, buffer, kDependentFilesSize));
    for (int i = kDependentFilesSize; i < static_cast<int>(sizeof buffer); ++i) {
        EXPECT_EQ(buffer[i], '#') << "written past the buffer at " << i;
    }
    // Just fits: the entries, their zero bytes and the closing empty text.
    const int fixed = 12 + 12 + 14;  // "\ttfsub.GPD", "\unires.DLL", "\stdnames.GPD" with zeros
    const std::string fitting(kDependentFilesSize - fixed - 4 - 2, 'N');
    EXPECT_TRUE(BuildDependentFiles(fitting.c_str(), false, buffer, kDependentFilesSize));
    EXPECT_EQ(buffer[kDependentFilesSize - 2], '\0');
    EXPECT_EQ(buffer[kDependentFilesSize - 3], 'L');
    EXPECT_EQ(buffer[kDependentFilesSize - 1], '\0');
    EXPECT_FALSE(BuildDependentFiles((fitting + "N").c_str(), false, buffer, kDependentFilesSize));
}

TEST(Installer, PrinterRecordAndDefaultPrinterValue) {
    const struct {
        const char* port;
        const char* device;
        unsigned long byteCount;
    } cases[] = {
        {"COM1:", "RQ-230 Series,winspool,COM1:", 29},
        {"LPT1:", "RQ-230 Series,winspool,LPT1:", 29},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.port);
        FakePlatform fake;
        InstallRequest request = Request();
        request.strPortName = c.port;
        RunInstallation(request, fake);

        ASSERT_EQ(fake.printers.size(), 1u);
        const FakePlatform::Printer& p = fake.printers[0];
        EXPECT_EQ(p.printerName, "RQ-230 Series");
        EXPECT_EQ(p.portName, c.port);
        EXPECT_EQ(p.driverName, "RQ-230 Series");
        EXPECT_EQ(p.printProcessor, "WinPrint");
        EXPECT_EQ(p.datatype, "RAW");

        ASSERT_EQ(fake.regWrites.size(), 1u);
        EXPECT_EQ(fake.regWrites[0].name, "Device");
        EXPECT_EQ(fake.regWrites[0].text, c.device);
        EXPECT_EQ(fake.regWrites[0].byteCount, c.byteCount);
    }
}

TEST(Installer, PortsValueOnlyForComPositions) {
    const struct {
        int portPos, baud, dataBits, stopBits, parity, flow;
        const char* valueName;  // null: no Ports key is opened
        const char* text;
    } cases[] = {
        {0, 5, 3, 0, 2, 2, nullptr, nullptr},
        {1, 5, 3, 0, 2, 2, nullptr, nullptr},
        {2, 5, 3, 0, 2, 2, nullptr, nullptr},
        {3, 5, 3, 0, 2, 2, "COM1:", "19200,N,8,1,p"},
        {6, 8, 0, 2, 3, 1, "COM4:", "115200,O,5,2,x"},
        {4, 0, 1, 1, 0, 0, "COM2:", "300,E,6,1.5, "},  // flow "none" is a blank
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("port position " + std::to_string(c.portPos));
        FakePlatform fake;
        InstallRequest request = Request();
        request.bSetDefault = false;
        request.nPortPos = c.portPos;
        request.nBaudPos = c.baud;
        request.nDataBitsPos = c.dataBits;
        request.nStopBitsPos = c.stopBits;
        request.nParityPos = c.parity;
        request.nFlowPos = c.flow;
        InstallResult result = RunInstallation(request, fake);
        EXPECT_TRUE(result.Succeeded());
        if (!c.valueName) {
            EXPECT_FALSE(fake.Called("open "));
            EXPECT_TRUE(fake.regWrites.empty());
            continue;
        }
        EXPECT_EQ(fake.Matching("open "),
                  std::vector<std::string>{
                      "open HKLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports"});
        ASSERT_EQ(fake.regWrites.size(), 1u);
        EXPECT_EQ(fake.regWrites[0].name, c.valueName);
        EXPECT_EQ(fake.regWrites[0].text, c.text);
        EXPECT_EQ(fake.regWrites[0].byteCount, std::strlen(c.text) + 1);
    }
}

// Each failed write shows the message once, before its key is closed, and
// the installation goes on.
TEST(Installer, FailedRegistryWritesShowTheMessageOnceEach) {
    const struct {
        long deviceStatus, portStatus;
        std::vector<std::string> expected;
        std::vector<InstallStep> failures;
    } cases[] = {
        {5,
         0,
         {"set Device", kRegistryMessage, "close key", "progress 90", "open HKLM",
          "set COM1:", "close key"},
         {InstallStep::WriteDefaultValue}},
        {0,
         5,
         {"set Device", "close key", "progress 90", "open HKLM", "set COM1:", kRegistryMessage,
          "close key"},
         {InstallStep::WritePortsValue}},
        {5,
         87,
         {"set Device", kRegistryMessage, "close key", "progress 90", "open HKLM",
          "set COM1:", kRegistryMessage, "close key"},
         {InstallStep::WriteDefaultValue, InstallStep::WritePortsValue}},
    };
    for (const auto& c : cases) {
        FakePlatform fake;
        fake.setStatus["Device"] = c.deviceStatus;
        fake.setStatus["COM1:"] = c.portStatus;
        InstallRequest request = Request();
        request.nPortPos = 3;
        InstallResult result = RunInstallation(request, fake);

        std::vector<std::string> registry;
        bool inRegistry = false;
        for (const std::string& line : fake.journal) {
            if (line == "progress 95") break;
            if (line.compare(0, 4, "set ") == 0) inRegistry = true;
            if (inRegistry)
                registry.push_back(line.compare(0, 9, "open HKLM") == 0 ? "open HKLM" : line);
        }
        EXPECT_EQ(registry, c.expected);
        EXPECT_EQ(Steps(result), c.failures);
        EXPECT_EQ(fake.Progress(), kFullProgress);
    }
}

// Both values are written only because the user asked for them, so a key
// that cannot be opened is a failure like a value that cannot be written.
TEST(Installer, KeysThatCannotBeOpenedAreFailures) {
    FakePlatform fake;
    fake.openStatus[RegRoot::CurrentUser] = 5;
    fake.openStatus[RegRoot::LocalMachine] = 5;
    InstallRequest request = Request();
    request.nPortPos = 3;
    InstallResult result = RunInstallation(request, fake);
    EXPECT_EQ(fake.Matching("msg "),
              (std::vector<std::string>{kRegistryMessage, kRegistryMessage}));
    EXPECT_FALSE(fake.Called("set "));
    EXPECT_FALSE(fake.Called("close key"));
    ASSERT_EQ(Steps(result), (std::vector<InstallStep>{InstallStep::WriteDefaultValue,
                                                       InstallStep::WritePortsValue}));
    EXPECT_EQ(result.Failure(0).error, 5u);
    EXPECT_STREQ(result.Failure(1).detail, "COM1:");
    EXPECT_EQ(fake.Progress(), kFullProgress);
}

// A new profile may lack the per-user key: it is created, not skipped.
TEST(Installer, DefaultPrinterKeyIsCreatedWhenMissing) {
    FakePlatform fake;
    InstallResult result = RunInstallation(Request(), fake);
    EXPECT_EQ(fake.Matching("create "),
              std::vector<std::string>{
                  "create HKCU\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows"});
    EXPECT_FALSE(fake.Called("open "));
    EXPECT_TRUE(result.Succeeded());
}

TEST(Installer, UntickedDefaultBoxOpensNoKey) {
    FakePlatform fake;
    InstallRequest request = Request();
    request.bSetDefault = false;
    RunInstallation(request, fake);
    EXPECT_FALSE(fake.Called("open "));
    EXPECT_FALSE(fake.Called("create "));
    EXPECT_EQ(fake.Progress(), kFullProgress);
}

// The printer is looked for first, since not every spooler refuses a second
// printer of the same name: one that is there already is used only when it
// is on our driver, and is never created anew.
TEST(Installer, PrinterCreationOutcomes) {
    const struct {
        const char* label;
        const char16_t* existingDriver;  // null: no printer of that name
        unsigned long readError;         // reading the existing printer
        bool handle;
        unsigned long createError;
        std::vector<std::string> printerCalls;
        bool deviceWritten;
        std::vector<InstallStep> failures;
        unsigned long recorded;
    } cases[] = {
        {"created", nullptr, 0, true, 0, {"read", "printer"}, true, {}, 0},
        {"there already on our driver", u"RQ-230 Series", 0, false, 0, {"read"}, true, {}, 0},
        {"there already on another driver",
         u"Generic / Text Only",
         0,
         false,
         0,
         {"read"},
         false,
         {InstallStep::PrinterOtherDriver},
         0},
        {"there but cannot be read",
         u"RQ-230 Series",
         5,
         false,
         0,
         {"read"},
         false,
         {InstallStep::OpenExistingPrinter},
         5},
        {"unknown port",
         nullptr,
         0,
         false,
         1796,
         {"read", "printer"},
         false,
         {InstallStep::CreatePrinter, InstallStep::DefaultPrinterMissing},
         1796},
        {"refused as existing, yet not to be found",
         nullptr,
         0,
         false,
         kErrorPrinterAlreadyExists,
         {"read", "printer", "read"},
         false,
         {InstallStep::OpenExistingPrinter},
         kErrorInvalidPrinterName},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        FakePlatform fake;
        if (!c.handle) fake.printerHandle = nullptr;
        fake.printerError = c.createError;
        if (c.existingDriver) fake.existingPrinters["RQ-230 Series"] = c.existingDriver;
        fake.readPrinterError = c.readError;
        InstallResult result = RunInstallation(Request(), fake);

        std::vector<std::string> printerCalls;
        for (const std::string& line : fake.journal) {
            if (line == "read printer RQ-230 Series") printerCalls.push_back("read");
            if (line == "printer") printerCalls.push_back("printer");
        }
        EXPECT_EQ(printerCalls, c.printerCalls);
        EXPECT_EQ(fake.Called("close printer"), c.handle);
        EXPECT_EQ(fake.Called("set Device"), c.deviceWritten);
        EXPECT_FALSE(fake.Called("msg "));
        EXPECT_EQ(Steps(result), c.failures);
        if (!c.failures.empty()) {
            EXPECT_EQ(result.Failure(0).error, c.recorded);
            EXPECT_STREQ(result.Failure(0).detail, "RQ-230 Series");
        }
        if (c.failures == std::vector<InstallStep>{InstallStep::PrinterOtherDriver}) {
            EXPECT_STREQ(result.Failure(0).other, "Generic / Text Only");
        }
        EXPECT_EQ(fake.Progress(), kFullProgress);
    }
}

TEST(Installer, PauseComesBetween95And100AfterThePrinterIsClosed) {
    FakePlatform fake;
    RunInstallation(Request(), fake);
    const std::vector<std::string> tail(fake.journal.end() - 4, fake.journal.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"progress 95", "close printer", "pause 500",
                                              "progress 100"}));
}

// Nothing the spooler uses may point at a missing or truncated file: after
// a failed copy the copied files stay under their temporary names, which are
// removed, and nothing is registered.
TEST(Installer, AFailedCopyStopsBeforeRegistration) {
    FakePlatform fake;
    fake.copyErrors["D\\RQ230.GPD.new"] = 112;  // ERROR_DISK_FULL
    InstallResult result = RunInstallation(Request(), fake);

    const std::vector<std::string> tail(fake.journal.end() - 5, fake.journal.end());
    EXPECT_EQ(tail, (std::vector<std::string>{
                        "copy Printer Driver\\x86\\RQPRN.DLL -> D\\RQPRN.DLL.new", "progress 10",
                        "copy Printer Driver\\x86\\RQ230.GPD -> D\\RQ230.GPD.new",
                        "delete D\\RQPRN.DLL.new", "delete D\\RQ230.GPD.new"}));
    EXPECT_FALSE(fake.Called("move "));
    ASSERT_EQ(Steps(result), std::vector<InstallStep>{InstallStep::CopyFile});
    EXPECT_STREQ(result.Failure(0).detail, "RQ230.GPD");
    EXPECT_EQ(result.Failure(0).error, 112u);
}

TEST(Installer, AFailedReplaceStopsAndRemovesTheRemainingTemporaryFiles) {
    FakePlatform fake;
    fake.moveErrors["D\\UNIRES.DLL"] = 32;  // ERROR_SHARING_VIOLATION
    InstallResult result = RunInstallation(Request(), fake);

    EXPECT_EQ(fake.Matching("move ").size(), 6u);
    EXPECT_EQ(fake.Matching("delete "),
              (std::vector<std::string>{"delete D\\UNIRES.DLL.new", "delete D\\TTFSUB.GPD.new",
                                        "delete D\\STDNAMES.GPD.new", "delete D\\RQPLUG.ini.new",
                                        "delete D\\RQPLUG.dll.new"}));
    EXPECT_EQ(fake.journal.back(), "delete D\\RQPLUG.dll.new");
    ASSERT_EQ(Steps(result), std::vector<InstallStep>{InstallStep::CopyFile});
    EXPECT_STREQ(result.Failure(0).detail, "UNIRES.DLL");
    EXPECT_EQ(fake.Progress(), (std::vector<int>{10, 20, 30, 40, 50, 60}));
}

// A damaged package installs nothing: every bad file is named, none is
// copied, and the progress bar does not move.
TEST(Installer, DamagedPackageInstallsNothing) {
    const std::string folder = "Printer Driver\\x86";
    const struct {
        const char* label;
        std::map<std::string, SourceFileInfo> sources;
        std::map<std::string, unsigned long> errors;
        std::vector<InstallStep> failures;
        std::vector<std::string> details;
        std::vector<unsigned long> codes;
    } cases[] = {
        {"missing variant folder",
         {},
         {{folder, 3}},
         {InstallStep::SourceFolder},
         {"Printer Driver\\x86"},
         {3}},
        {"a file where the folder should be",
         {{folder, {false, 10}}},
         {},
         {InstallStep::SourceFolder},
         {"Printer Driver\\x86"},
         {kErrorPathNotFound}},
        {"missing, folder and empty files",
         {{folder + "\\UNIDRV.HLP", {true, 0}}, {folder + "\\TTFSUB.GPD", {false, 0}}},
         {{folder + "\\RQ230.GPD", 2}},
         {InstallStep::CopyFile, InstallStep::SourceNotAFile, InstallStep::SourceEmpty},
         {"RQ230.GPD", "UNIDRV.HLP", "TTFSUB.GPD"},
         {2, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        FakePlatform fake;
        fake.sources = c.sources;
        fake.sourceErrors = c.errors;
        InstallResult result = RunInstallation(Request(), fake);

        EXPECT_EQ(fake.journal.front(), "dir Windows NT x86");
        for (const std::string& line : fake.journal) {
            EXPECT_TRUE(line.compare(0, 6, "query ") == 0 || line.compare(0, 4, "dir ") == 0)
                << line;
        }
        EXPECT_EQ(Steps(result), c.failures);
        std::vector<std::string> details;
        std::vector<unsigned long> codes;
        for (int i = 0; i < result.FailureCount(); ++i) {
            details.push_back(result.Failure(i).detail.GetString());
            codes.push_back(result.Failure(i).error);
        }
        EXPECT_EQ(details, c.details);
        EXPECT_EQ(codes, c.codes);
    }
}

// Without a usable directory the files would be copied to the root of the
// current drive, and a printer created on whatever driver of that name the
// spooler already had; the installation stops before both instead.
TEST(Installer, UnusableDriverDirectoryStopsBeforeAnythingIsInstalled) {
    const struct {
        const char* label;
        bool ok;
        unsigned long error;
        bool unterminated;
        unsigned long recorded;
    } cases[] = {
        {"query fails", false, 1796, false, 1796},
        {"empty text", true, 0, false, 0},
        {"no terminator in the buffer", true, 0, true, kErrorInsufficientBuffer},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        FakePlatform fake;
        fake.dirOk = c.ok;
        fake.dirError = c.error;
        fake.driverDir = "";
        fake.fillDirWithoutTerminator = c.unterminated;
        InstallResult result = RunInstallation(Request(), fake);

        EXPECT_FALSE(fake.Called("copy "));
        EXPECT_FALSE(fake.Called("driver"));
        EXPECT_FALSE(fake.Called("printer"));
        EXPECT_FALSE(fake.Called("set Device"));
        EXPECT_EQ(fake.Progress(), std::vector<int>{});
        ASSERT_EQ(Steps(result), std::vector<InstallStep>{InstallStep::DriverDirectory});
        EXPECT_EQ(result.Failure(0).error, c.recorded);
    }
}

TEST(Installer, DestinationsTooLongForThePlatformAreNotCopied) {
    FakePlatform fake;
    // 243 + "\" + "uniDRV.DLL" + ".new" stays below 260; "\STDNAMES.GPD.new"
    // does not. The check comes before any copy, so none is made.
    fake.driverDir = std::string(243, 'd');
    InstallResult result = RunInstallation(Request(), fake);

    std::set<std::string> failed;
    for (int i = 0; i < result.FailureCount(); ++i) {
        EXPECT_EQ(result.Failure(i).step, InstallStep::CopyFile);
        EXPECT_EQ(result.Failure(i).error, kErrorFilenameExcedRange);
        failed.insert(result.Failure(i).detail.GetString());
    }
    EXPECT_EQ(failed, (std::set<std::string>{"uniDRVui.DLL", "STDNAMES.GPD"}));
    EXPECT_FALSE(fake.Called("copy "));
    EXPECT_FALSE(fake.Called("driver"));
    EXPECT_TRUE(fake.Progress().empty());
}

TEST(Installer, PositionsOutsideTheTablesTouchNothing) {
    const struct {
        const char* label;
        int InstallRequest::*field;
        int value;
    } cases[] = {
        {"model row -1", &InstallRequest::nModelRow, -1},
        {"model row 23", &InstallRequest::nModelRow, 23},
        {"port position -1", &InstallRequest::nPortPos, -1},
        {"port position 7", &InstallRequest::nPortPos, 7},
        {"baud 9", &InstallRequest::nBaudPos, 9},
        {"data bits 4", &InstallRequest::nDataBitsPos, 4},
        {"stop bits 3", &InstallRequest::nStopBitsPos, 3},
        {"parity 5", &InstallRequest::nParityPos, 5},
        {"flow -1", &InstallRequest::nFlowPos, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        FakePlatform fake;
        InstallRequest request = Request();
        request.strPortName = "LPT1:";
        request.*c.field = c.value;
        InstallResult result = RunInstallation(request, fake);

        std::vector<std::string> expected;
        for (int position : kFullProgress) {
            if (position == 100) expected.push_back("pause 500");
            expected.push_back("progress " + std::to_string(position));
        }
        EXPECT_EQ(fake.journal, expected);
        ASSERT_EQ(Steps(result), std::vector<InstallStep>{InstallStep::InvalidRequest});
    }
}

// A printer without a port would be made the default and called installed.
TEST(Installer, NoPortTouchesNothing) {
    FakePlatform fake;
    InstallRequest request = Request();
    request.strPortName = "";
    InstallResult result = RunInstallation(request, fake);
    for (const std::string& line : fake.journal) {
        EXPECT_TRUE(line.compare(0, 9, "progress ") == 0 || line == "pause 500") << line;
    }
    EXPECT_EQ(Steps(result), std::vector<InstallStep>{InstallStep::NoPort});
}

TEST(InstallOutcome, NamesEachFailedStepWithTheSystemText) {
    FakePlatform fake;
    fake.printerHandle = nullptr;
    fake.printerError = 1796;
    fake.setStatus["COM1:"] = 5;
    fake.errorTexts[5] = u"拒绝访问。\r\n";
    InstallRequest request = Request();
    request.nPortPos = 3;
    InstallResult result = RunInstallation(request, fake);

    EXPECT_STREQ(FormatInstallOutcome(result, fake),
                 u8"驱动安装失败。\n"
                 u8"无法创建打印机 RQ-230 Series（错误 1796）\n"
                 u8"无法设为默认打印机：打印机 RQ-230 Series 不存在\n"
                 u8"无法写入端口 COM1: 设置的注册表信息（错误 5：拒绝访问。）");
}

// The system's texts come in UTF-16 and stay whole whatever their language;
// in code page 936 a Korean text would have become question marks.
TEST(InstallOutcome, SystemTextsOutsideTheProductCodePageStayWhole) {
    FakePlatform fake;
    fake.sourceErrors["Printer Driver\\x86\\RQ230.GPD"] = 2;
    fake.sources["Printer Driver\\x86\\TTFSUB.GPD"] = {false, 0};
    fake.errorTexts[2] = u"지정된 파일을 찾을 수 없습니다. \r\n";
    InstallResult result = RunInstallation(Request(), fake);

    // Outside the assertion macro, which would quote the text in code page 936.
    const char* expected =
        u8"驱动安装失败。\n"
        u8"无法复制文件 RQ230.GPD（错误 2：지정된 파일을 찾을 수 없습니다.）\n"
        u8"安装包已损坏：文件 TTFSUB.GPD 为空";
    EXPECT_STREQ(FormatInstallOutcome(result, fake), expected);
}

TEST(InstallOutcome, OtherSteps) {
    const struct {
        InstallStep step;
        unsigned long error;
        const char* detail;
        const char* other;
        const char* line;
    } cases[] = {
        {InstallStep::InvalidRequest, 0, u8"型号", "", u8"安装设置超出范围：型号"},
        {InstallStep::NoPort, 0, "", "", u8"未选择打印机端口"},
        {InstallStep::DriverDirectory, 0, "", "", u8"无法获取打印机驱动程序目录"},
        {InstallStep::SourceFolder, 3, "Printer Driver\\x64", "",
         u8"找不到驱动程序文件夹 Printer Driver\\x64（错误 3）"},
        {InstallStep::SourceNotAFile, 0, "RQPRN.DLL", "",
         u8"无法复制文件 RQPRN.DLL：安装包中同名的是文件夹"},
        {InstallStep::RegisterDriver, 1797, "RQ-230 Series", "",
         u8"无法安装打印机驱动程序 RQ-230 Series（错误 1797）"},
        {InstallStep::OpenExistingPrinter, 5, "RQ-230 Series", "",
         u8"打印机 RQ-230 Series 已存在，但无法读取其设置（错误 5）"},
        {InstallStep::PrinterOtherDriver, 0, "RQ-230 Series", u8"Generic / Text Only",
         u8"打印机 RQ-230 Series 已存在并使用其他驱动程序 Generic / Text Only，未作更改"},
        {InstallStep::WriteDefaultValue, 5, "", "", u8"无法写入默认打印机的注册表信息（错误 5）"},
        {InstallStep::WritePortsValue, 5, "COM4:", "",
         u8"无法写入端口 COM4: 设置的注册表信息（错误 5）"},
        {InstallStep::InstallLock, 6, "", "", u8"无法等待其他安装程序结束（错误 6）"},
    };
    FakePlatform fake;
    for (const auto& c : cases) {
        InstallResult result;
        result.Add(c.step, c.error, c.detail, c.other);
        EXPECT_EQ(std::string(FormatInstallOutcome(result, fake)),
                  std::string(u8"驱动安装失败。\n") + c.line);
    }
}

// The log of an unattended run sees every call and changes none: the same
// calls reach the platform, in the same order, with the same result.
class RecordingLog : public ILogSink {
  public:
    std::vector<std::string> lines;
    void Line(const char* text) override { lines.push_back(text); }
    void LineCp936(const char* text) override { lines.push_back(std::string("936:") + text); }
};

TEST(LoggingPlatform, ForwardsEveryCallAndLogsEachWithItsResult) {
    FakePlatform plain;
    plain.copyErrors["D\\RQ230.GPD.new"] = 5;
    InstallResult plainResult = RunInstallation(Request(), plain);

    FakePlatform fake;
    fake.copyErrors["D\\RQ230.GPD.new"] = 5;
    fake.errorTexts[5] = u"Access is denied.\r\n";
    RecordingLog log;
    LoggingPlatform logging(fake, log);
    InstallResult result = RunInstallation(Request(), logging);

    EXPECT_EQ(fake.journal, plain.journal);
    EXPECT_EQ(Steps(result), Steps(plainResult));
    // The exit code of a run with arguments comes from the same result.
    EXPECT_EQ(InstallExitCode(result), 1603);
    EXPECT_EQ(InstallExitCode(InstallResult()), 0);
    EXPECT_EQ(FormatInstallOutcome(result, logging).GetString(),
              std::string(FormatInstallOutcome(result, fake)));

    auto has = [&](const std::string& line) {
        return std::find(log.lines.begin(), log.lines.end(), line) != log.lines.end();
    };
    EXPECT_TRUE(has("GetPrinterDriverDirectoryA \"Windows NT x86\" = \"D\": ok"));
    EXPECT_TRUE(has("CopyFileA \"Printer Driver\\x86\\RQPRN.DLL\" -> \"D\\RQPRN.DLL.new\": ok"));
    EXPECT_TRUE(
        has("CopyFileA \"Printer Driver\\x86\\RQ230.GPD\" -> \"D\\RQ230.GPD.new\": "
            "error 5: Access is denied."));
    // One line per platform call that is a step; progress and the pause are not.
    size_t steps = 0;
    for (const std::string& call : fake.journal) {
        if (call.rfind("progress", 0) != 0 && call.rfind("pause", 0) != 0) ++steps;
    }
    EXPECT_EQ(log.lines.size(), steps);
}

}  // namespace
