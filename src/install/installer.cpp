#include "install/installer.h"

#include <cstring>

#include "catalog/catalog.h"

namespace {

struct Variant {
    const char* environment;
    const char* sourceFolder;  // relative to the current directory
};

constexpr Variant kX86 = {"Windows NT x86", "Printer Driver\\x86\\"};
constexpr Variant kX64 = {"Windows x64", "Printer Driver\\x64\\"};

// Copied after the model's DLL and GPD, under their own names. The plug-in
// files go along for every model, also those whose driver does not list them.
struct FixedCopy {
    const char* name;
    int progressAfter;  // 0: no progress step after this copy
};

constexpr FixedCopy kFixedCopies[] = {
    {"uniDRVui.DLL", 30}, {"uniDRV.DLL", 0},   {"UNIDRV.HLP", 40}, {"UNIRES.DLL", 0},
    {"TTFSUB.GPD", 50},   {"STDNAMES.GPD", 0}, {"RQPLUG.ini", 0},  {"RQPLUG.dll", 60},
};

// CopyFileA takes no longer paths.
constexpr int kMaxPath = 260;

const char kDefaultKeyPath[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows";
const char kPortsKeyPath[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports";
const char kRegistryMessage[] = "错误：无法设置有关的注册表信息";

struct Setting {
    int pos;
    int count;
    const char* label;
};

// Records every position that would index outside its table.
bool ValidateRequest(const InstallRequest& request, InstallResult& result) {
    const Setting settings[] = {
        {request.nModelRow, kModelCount, "型号"},
        {request.nPortPos, kPortValueCount, "端口"},
        {request.nBaudPos, kBaudRateCount, "波特率"},
        {request.nDataBitsPos, kDataBitsCount, "数据位"},
        {request.nStopBitsPos, kStopBitsCount, "停止位"},
        {request.nParityPos, kParityCount, "校验位"},
        {request.nFlowPos, kFlowCount, "流控制"},
    };
    bool valid = true;
    for (const Setting& setting : settings) {
        if (!InTable(setting.pos, setting.count)) {
            result.Add(InstallStep::InvalidRequest, 0, setting.label);
            valid = false;
        }
    }
    return valid;
}

// A directory the copies can go into: the query succeeded and left a
// non-empty, zero-ended text within the buffer.
bool QueryDriverDirectory(const Variant& variant, char (&dir)[kDriverDirSize],
                          IInstallPlatform& platform, InstallResult& result) {
    std::memset(dir, 0, sizeof dir);
    unsigned long error = 0;
    bool ok = platform.GetDriverDirectory(variant.environment, dir, kDriverDirSize, error);
    if (!ok) {
        result.Add(InstallStep::DriverDirectory, error);
        return false;
    }
    if (!std::memchr(dir, 0, sizeof dir)) {
        result.Add(InstallStep::DriverDirectory, kErrorInsufficientBuffer);
        return false;
    }
    if (dir[0] == '\0') {
        result.Add(InstallStep::DriverDirectory, 0);
        return false;
    }
    return true;
}

void CopyOne(const Variant& variant, const char* dir, const char* name, IInstallPlatform& platform,
             InstallResult& result) {
    CString source;
    source.Format("%s%s", variant.sourceFolder, name);
    CString destination;
    destination.Format("%s\\%s", dir, name);
    if (destination.GetLength() >= kMaxPath) {
        result.Add(InstallStep::CopyFile, kErrorFilenameExcedRange, name);
        return;
    }
    unsigned long error = 0;
    if (!platform.CopyDriverFile(source, destination, true, error)) {
        result.Add(InstallStep::CopyFile, error, name);
    }
}

void CopyDriverFiles(const Variant& variant, const char* dir, int row, IInstallPlatform& platform,
                     InstallResult& result) {
    CString name;
    name.Format("%s%s", g_dllNames[row], ".DLL");
    CopyOne(variant, dir, name, platform, result);
    platform.SetProgress(10);
    name.Format("%s%s", g_gpdNames[row], ".GPD");
    CopyOne(variant, dir, name, platform, result);
    platform.SetProgress(20);
    for (const FixedCopy& copy : kFixedCopies) {
        CopyOne(variant, dir, copy.name, platform, result);
        if (copy.progressAfter) platform.SetProgress(copy.progressAfter);
    }
}

void RegisterDriver(const Variant& variant, int row, IInstallPlatform& platform,
                    InstallResult& result) {
    char dependentFiles[kDependentFilesSize];
    if (!BuildDependentFiles(g_dllNames[row], ModelHasPlugin(row), dependentFiles,
                             kDependentFilesSize)) {
        result.Add(InstallStep::RegisterDriver, kErrorInsufficientBuffer, g_modelNames[row]);
        return;
    }
    CString dataFile;
    dataFile.Format("\\%s%s", g_gpdNames[row], ".GPD");

    DriverInfo3 info = {};
    info.cVersion = 2;
    info.pName = g_modelNames[row];
    info.pEnvironment = variant.environment;
    info.pDriverPath = "\\uniDRV.DLL";
    info.pDataFile = dataFile;
    info.pConfigFile = "\\uniDRVui.DLL";
    info.pHelpFile = "\\uniDRV.HLP";
    info.pDependentFiles = dependentFiles;
    info.pMonitorName = "";
    info.pDefaultDataType = "RAW";

    unsigned long error = 0;
    if (!platform.RegisterDriver(info, error)) {
        result.Add(InstallStep::RegisterDriver, error, g_modelNames[row]);
    }
}

// A key that cannot be opened skips the step quietly: the machine-wide key
// routinely refuses users without administrator rights, and a new profile
// may lack the per-user one. A failed write is reported while the key is
// still open; the key is closed once the user has closed the message.
void WriteRegistryText(IInstallPlatform& platform, RegRoot root, const char* path,
                       const char* valueName, const CString& text, InstallStep writeStep,
                       const char* detail, InstallResult& result) {
    RegKeyHandle key = nullptr;
    long status = platform.OpenRegKey(root, path, kKeySetValue, key);
    if (status != 0) return;
    status = platform.SetRegString(key, valueName, text,
                                   static_cast<unsigned long>(text.GetLength()) + 1);
    if (status != 0) {
        platform.ShowMessage(kRegistryMessage);
        result.Add(writeStep, static_cast<unsigned long>(status), detail);
    }
    platform.CloseRegKey(key);
}

// Every installation pauses half a second between 95 and 100.
void FinishProgress(IInstallPlatform& platform) {
    platform.Pause(500);
    platform.SetProgress(100);
}

struct Description {
    const char* before;  // text before the failure's detail
    const char* after;   // text after it
};

Description Describe(InstallStep step) {
    switch (step) {
        case InstallStep::InvalidRequest:
            return {"安装设置超出范围：", ""};
        case InstallStep::DriverDirectory:
            return {"无法获取打印机驱动程序目录", ""};
        case InstallStep::CopyFile:
            return {"无法复制文件 ", ""};
        case InstallStep::RegisterDriver:
            return {"无法安装打印机驱动程序 ", ""};
        case InstallStep::CreatePrinter:
            return {"无法创建打印机 ", ""};
        case InstallStep::DefaultPrinterMissing:
            return {"无法设为默认打印机：打印机 ", " 不存在"};
        case InstallStep::WriteDefaultValue:
            return {"无法写入默认打印机的注册表信息", ""};
        case InstallStep::WritePortsValue:
            return {"无法写入端口 ", " 设置的注册表信息"};
    }
    return {"", ""};
}

// Drops the line break and blanks the system appends to its texts.
CString TrimTrailingSpace(const CString& text) {
    int length = text.GetLength();
    while (length > 0) {
        char last = text.GetString()[length - 1];
        if (last != '\r' && last != '\n' && last != ' ' && last != '\t') break;
        --length;
    }
    return CString(text.GetString(), length);
}

}  // namespace

void InstallResult::Add(InstallStep step, unsigned long error, const char* detail) {
    if (m_count == kMaxFailures) return;
    InstallFailure& failure = m_failures[m_count++];
    failure.step = step;
    failure.error = error;
    failure.detail = detail;
}

bool BuildDependentFiles(const char* dllBaseName, bool withPlugin, char* buffer, int size) {
    if (size <= 0) return false;
    std::memset(buffer, 0, static_cast<size_t>(size));
    CString dllFile;
    dllFile.Format("%s%s", dllBaseName, ".DLL");
    const char* entries[6] = {"\\ttfsub.GPD", "\\unires.DLL", "\\stdnames.GPD"};
    int count = 3;
    if (withPlugin) {
        entries[count++] = "\\RQPLUG.ini";
        entries[count++] = "\\RQPLUG.dll";
    }
    entries[count++] = dllFile;

    int used = 0;
    for (int i = 0; i < count; ++i) {
        int length = static_cast<int>(std::strlen(entries[i]));
        // Room for the entry, its zero byte and the closing empty text.
        if (length + 2 > size - used) {
            std::memset(buffer, 0, static_cast<size_t>(size));
            return false;
        }
        std::memcpy(buffer + used, entries[i], static_cast<size_t>(length));
        used += length + 1;
    }
    return true;
}

InstallResult RunInstallation(const InstallRequest& request, IInstallPlatform& platform) {
    InstallResult result;
    g_strPortName = request.strPortName;

    if (!ValidateRequest(request, result)) {
        const int positions[] = {10, 20, 30, 40, 50, 60, 70, 80, 90, 95};
        for (int position : positions) platform.SetProgress(position);
        FinishProgress(platform);
        return result;
    }

    const Variant& variant = request.bX64 ? kX64 : kX86;
    const int row = request.nModelRow;
    const char* printerName = g_modelNames[row];

    char dir[kDriverDirSize];
    if (QueryDriverDirectory(variant, dir, platform, result)) {
        CopyDriverFiles(variant, dir, row, platform, result);
        RegisterDriver(variant, row, platform, result);
    } else {
        const int positions[] = {10, 20, 30, 40, 50, 60};
        for (int position : positions) platform.SetProgress(position);
    }
    platform.SetProgress(70);

    PrinterInfo2 printerInfo = {};
    printerInfo.pPrinterName = printerName;
    printerInfo.pPortName = g_strPortName;
    printerInfo.pDriverName = printerName;
    printerInfo.pPrintProcessor = "WinPrint";
    printerInfo.pDatatype = "RAW";
    unsigned long printerError = 0;
    PrinterHandle printer = platform.CreatePrinter(printerInfo, printerError);
    if (!printer && printerError != kErrorPrinterAlreadyExists) {
        result.Add(InstallStep::CreatePrinter, printerError, printerName);
    }
    platform.SetProgress(80);

    if (request.bSetDefault) {
        // A "Device" value naming a printer that does not exist would leave
        // the user without a working default printer.
        if (printer || platform.PrinterExists(printerName)) {
            CString device;
            device.Format("%s,%s,%s", printerName, "winspool", g_strPortName.GetString());
            WriteRegistryText(platform, RegRoot::CurrentUser, kDefaultKeyPath, "Device", device,
                              InstallStep::WriteDefaultValue, "", result);
        } else {
            result.Add(InstallStep::DefaultPrinterMissing, 0, printerName);
        }
    }
    platform.SetProgress(90);

    if (request.nPortPos >= kFirstComPortPos) {
        const char* valueName = g_portValueNames[request.nPortPos];
        CString settings;
        settings.Format("%s,%s,%s,%s,%s", g_baudRates[request.nBaudPos],
                        g_parityLetters[request.nParityPos], g_dataBits[request.nDataBitsPos],
                        g_stopBits[request.nStopBitsPos], g_flowLetters[request.nFlowPos]);
        WriteRegistryText(platform, RegRoot::LocalMachine, kPortsKeyPath, valueName, settings,
                          InstallStep::WritePortsValue, valueName, result);
    }
    platform.SetProgress(95);

    if (printer) platform.ClosePrinterHandle(printer);
    FinishProgress(platform);
    return result;
}

CString FormatInstallOutcome(const InstallResult& result, IInstallPlatform& platform) {
    CString text;
    if (result.Succeeded()) return text;
    text = "驱动安装失败。";
    for (int i = 0; i < result.FailureCount(); ++i) {
        const InstallFailure& failure = result.Failure(i);
        const Description description = Describe(failure.step);
        CString line(description.before);
        line += failure.detail;
        line += description.after;
        if (failure.error != 0) {
            CString systemText = TrimTrailingSpace(platform.ErrorText(failure.error));
            CString code;
            if (systemText.IsEmpty()) {
                code.Format("（错误 %lu）", failure.error);
            } else {
                code.Format("（错误 %lu：%s）", failure.error, systemText.GetString());
            }
            line += code;
        }
        text += "\n";
        text += line;
    }
    return text;
}
