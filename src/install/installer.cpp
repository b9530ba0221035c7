#include "install/installer.h"

#include <cstring>

#include "base/utf8.h"
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
const char kRegistryMessage[] = "错误：无法设置有关的注册表信息";  // code page 936

struct Setting {
    int pos;
    int count;
    const char* label;
};

// Records every position that would index outside its table.
bool ValidateRequest(const InstallRequest& request, InstallResult& result) {
    const Setting settings[] = {
        {request.nModelRow, kModelCount, u8"型号"},
        {request.nPortPos, kPortValueCount, u8"端口"},
        {request.nBaudPos, kBaudRateCount, u8"波特率"},
        {request.nDataBitsPos, kDataBitsCount, u8"数据位"},
        {request.nStopBitsPos, kStopBitsCount, u8"停止位"},
        {request.nParityPos, kParityCount, u8"校验位"},
        {request.nFlowPos, kFlowCount, u8"流控制"},
    };
    bool valid = true;
    for (const Setting& setting : settings) {
        if (!InTable(setting.pos, setting.count)) {
            result.Add(InstallStep::InvalidRequest, 0, setting.label);
            valid = false;
        }
    }
    // A printer without a port cannot print, and its "Device" value would
    // name no port.
    if (request.strPortName.IsEmpty()) {
        result.Add(InstallStep::NoPort, 0);
        valid = false;
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

// One package file on its way into the driver directory.
struct FileCopy {
    CString name;
    CString source;
    CString partial;  // temporary name beside the destination
    CString destination;
    int progressAfter;
};

constexpr int kCopyCount = 2 + sizeof kFixedCopies / sizeof kFixedCopies[0];

int ListCopies(const Variant& variant, const char* dir, int row, FileCopy (&copies)[kCopyCount]) {
    int count = 0;
    copies[count].name.Format("%s%s", g_dllNames[row], ".DLL");
    copies[count++].progressAfter = 10;
    copies[count].name.Format("%s%s", g_gpdNames[row], ".GPD");
    copies[count++].progressAfter = 20;
    for (const FixedCopy& fixed : kFixedCopies) {
        copies[count].name = fixed.name;
        copies[count++].progressAfter = fixed.progressAfter;
    }
    for (FileCopy& copy : copies) {
        copy.source.Format("%s%s", variant.sourceFolder, copy.name.GetString());
        copy.destination.Format("%s\\%s", dir, copy.name.GetString());
        copy.partial.Format("%s%s", copy.destination.GetString(), kPartialSuffix);
    }
    return count;
}

// A damaged package installs nothing: the folder and every file are checked
// before the first copy, and each bad file is named.
bool CheckPackage(const Variant& variant, const FileCopy (&copies)[kCopyCount],
                  IInstallPlatform& platform, InstallResult& result) {
    CString folder(variant.sourceFolder, static_cast<int>(std::strlen(variant.sourceFolder)) - 1);
    SourceFileInfo info;
    unsigned long error = 0;
    if (!platform.QuerySourceFile(folder, info, error) || !info.isDirectory) {
        result.Add(InstallStep::SourceFolder, error ? error : kErrorPathNotFound, folder);
        return false;
    }
    bool complete = true;
    for (const FileCopy& copy : copies) {
        if (copy.partial.GetLength() >= kMaxPath) {
            result.Add(InstallStep::CopyFile, kErrorFilenameExcedRange, copy.name);
            complete = false;
            continue;
        }
        info = SourceFileInfo();
        error = 0;
        if (!platform.QuerySourceFile(copy.source, info, error)) {
            result.Add(InstallStep::CopyFile, error ? error : kErrorFileNotFound, copy.name);
            complete = false;
        } else if (info.isDirectory) {
            result.Add(InstallStep::SourceNotAFile, 0, copy.name);
            complete = false;
        } else if (info.size == 0) {
            result.Add(InstallStep::SourceEmpty, 0, copy.name);
            complete = false;
        }
    }
    return complete;
}

void DeletePartials(const FileCopy* first, const FileCopy* end, IInstallPlatform& platform) {
    for (const FileCopy* copy = first; copy != end; ++copy)
        platform.DeleteDriverFile(copy->partial);
}

// Copies to the temporary names first, so that a full disk or a failed read
// never leaves a truncated file under a name the spooler uses; only when all
// are complete do they replace the real files. False after the first
// failure, with the temporary files removed.
bool CopyDriverFiles(const Variant& variant, const char* dir, int row, IInstallPlatform& platform,
                     InstallResult& result) {
    FileCopy copies[kCopyCount];
    const int count = ListCopies(variant, dir, row, copies);
    if (!CheckPackage(variant, copies, platform, result)) return false;

    for (int i = 0; i < count; ++i) {
        unsigned long error = 0;
        if (!platform.CopyDriverFile(copies[i].source, copies[i].partial, true, error)) {
            result.Add(InstallStep::CopyFile, error, copies[i].name);
            DeletePartials(copies, copies + i + 1, platform);
            return false;
        }
        if (copies[i].progressAfter) platform.SetProgress(copies[i].progressAfter);
    }
    for (int i = 0; i < count; ++i) {
        unsigned long error = 0;
        if (!platform.MoveDriverFile(copies[i].partial, copies[i].destination, error)) {
            result.Add(InstallStep::CopyFile, error, copies[i].name);
            DeletePartials(copies + i, copies + count, platform);
            return false;
        }
    }
    return true;
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

// Only called for a value the user asked for, so a key that cannot be
// opened is as much a failure as a value that cannot be written. The message
// is shown while the key is still open; the key is closed once the user has
// closed it.
void WriteRegistryText(IInstallPlatform& platform, RegRoot root, const char* path, bool create,
                       const char* valueName, const CString& text, InstallStep writeStep,
                       const char* detail, InstallResult& result) {
    RegKeyHandle handle = nullptr;
    long status = create ? platform.CreateRegKey(root, path, kKeySetValue, handle)
                         : platform.OpenRegKey(root, path, kKeySetValue, handle);
    const bool opened = status == 0;
    // Closed on the way out: the message below shows while the key is open.
    InstallRegKey key(platform, opened ? handle : nullptr);
    if (opened) {
        status = platform.SetRegString(key.Get(), valueName, text,
                                       static_cast<unsigned long>(text.GetLength()) + 1);
    }
    if (status != 0) {
        platform.ShowMessage(kRegistryMessage);
        result.Add(writeStep, static_cast<unsigned long>(status), detail);
    }
}

enum class PrinterState {
    Ready,    // created now, or there already on our driver (a repeated installation)
    Missing,  // the spooler refused to create it
    NotOurs,  // a printer of that name that is not known to be ours: left untouched
};

// Ready when the printer's driver is ours; otherwise recorded as a failure.
PrinterState JudgeExisting(const char* printerName, const char16_t* driver, InstallResult& result) {
    size_t length = 0;
    while (length + 1 < kDriverNameSize && driver[length]) ++length;
    CString driverName = Utf16ToUtf8(driver, length);
    if (driverName == printerName) return PrinterState::Ready;
    result.Add(InstallStep::PrinterOtherDriver, 0, printerName, driverName);
    return PrinterState::NotOurs;
}

// Looked for before it is created: not every spooler refuses a second
// printer of the same name (Wine's replaces the first), and a printer that
// is not ours must not change.
PrinterState CreateOrFindPrinter(const char* printerName, const char* portName,
                                 IInstallPlatform& platform, PrinterHandle& printer,
                                 InstallResult& result) {
    char16_t driver[kDriverNameSize] = {};
    unsigned long error = 0;
    if (platform.ReadPrinterDriver(printerName, driver, kDriverNameSize, error))
        return JudgeExisting(printerName, driver, result);
    if (error != kErrorInvalidPrinterName) {
        // It is there, but what it is cannot be told.
        result.Add(InstallStep::OpenExistingPrinter, error, printerName);
        return PrinterState::NotOurs;
    }

    PrinterInfo2 printerInfo = {};
    printerInfo.pPrinterName = printerName;
    printerInfo.pPortName = portName;
    printerInfo.pDriverName = printerName;
    printerInfo.pPrintProcessor = "WinPrint";
    printerInfo.pDatatype = "RAW";
    printer = platform.CreatePrinter(printerInfo, error);
    if (printer) return PrinterState::Ready;
    if (error != kErrorPrinterAlreadyExists) {
        result.Add(InstallStep::CreatePrinter, error, printerName);
        return PrinterState::Missing;
    }
    // Created by someone else meanwhile.
    if (platform.ReadPrinterDriver(printerName, driver, kDriverNameSize, error))
        return JudgeExisting(printerName, driver, result);
    result.Add(InstallStep::OpenExistingPrinter, error, printerName);
    return PrinterState::NotOurs;
}

// The printer, then the default printer and COM port values, moving the
// bar from 70 to 95.
void CreatePrinterAndWriteValues(const InstallRequest& request, const char* printerName,
                                 IInstallPlatform& platform, InstallResult& result) {
    // Closed once the values are written, before the last progress step.
    InstallPrinter printer(platform);
    const PrinterState state =
        CreateOrFindPrinter(printerName, request.strPortName, platform, printer.Receive(), result);
    platform.SetProgress(80);

    if (request.bSetDefault) {
        // A "Device" value naming a printer that does not exist would leave
        // the user without a working default printer.
        if (state == PrinterState::Ready) {
            CString device;
            device.Format("%s,%s,%s", printerName, "winspool", request.strPortName.GetString());
            WriteRegistryText(platform, RegRoot::CurrentUser, kDefaultKeyPath, true, "Device",
                              device, InstallStep::WriteDefaultValue, "", result);
        } else if (state == PrinterState::Missing) {
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
        WriteRegistryText(platform, RegRoot::LocalMachine, kPortsKeyPath, false, valueName,
                          settings, InstallStep::WritePortsValue, valueName, result);
    }
    platform.SetProgress(95);
}

// Every installation pauses half a second between 95 and 100.
void FinishProgress(IInstallPlatform& platform) {
    platform.Pause(500);
    platform.SetProgress(100);
}

struct Description {
    const char* before;  // text before the failure's detail
    const char* middle;  // between the detail and the other name
    const char* after;   // text at the end
};

Description Describe(InstallStep step) {
    switch (step) {
        case InstallStep::InvalidRequest:
            return {u8"安装设置超出范围：", "", ""};
        case InstallStep::NoPort:
            return {u8"未选择打印机端口", "", ""};
        case InstallStep::DriverDirectory:
            return {u8"无法获取打印机驱动程序目录", "", ""};
        case InstallStep::SourceFolder:
            return {u8"找不到驱动程序文件夹 ", "", ""};
        case InstallStep::SourceNotAFile:
            return {u8"无法复制文件 ", u8"：安装包中同名的是文件夹", ""};
        case InstallStep::SourceEmpty:
            return {u8"安装包已损坏：文件 ", u8" 为空", ""};
        case InstallStep::CopyFile:
            return {u8"无法复制文件 ", "", ""};
        case InstallStep::RegisterDriver:
            return {u8"无法安装打印机驱动程序 ", "", ""};
        case InstallStep::CreatePrinter:
            return {u8"无法创建打印机 ", "", ""};
        case InstallStep::OpenExistingPrinter:
            return {u8"打印机 ", u8" 已存在，但无法读取其设置", ""};
        case InstallStep::PrinterOtherDriver:
            return {u8"打印机 ", u8" 已存在并使用其他驱动程序 ", u8"，未作更改"};
        case InstallStep::DefaultPrinterMissing:
            return {u8"无法设为默认打印机：打印机 ", u8" 不存在", ""};
        case InstallStep::WriteDefaultValue:
            return {u8"无法写入默认打印机的注册表信息", "", ""};
        case InstallStep::WritePortsValue:
            return {u8"无法写入端口 ", u8" 设置的注册表信息", ""};
        case InstallStep::InstallLock:
            return {u8"无法等待其他安装程序结束", "", ""};
    }
    return {"", "", ""};
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

void InstallResult::Add(InstallStep step, unsigned long error, const char* detail,
                        const char* other) {
    if (m_count == kMaxFailures) return;
    InstallFailure& failure = m_failures[m_count++];
    failure.step = step;
    failure.error = error;
    failure.detail = detail;
    failure.other = other;
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

    if (!ValidateRequest(request, result)) {
        const int positions[] = {10, 20, 30, 40, 50, 60, 70, 80, 90, 95};
        for (int position : positions) platform.SetProgress(position);
        FinishProgress(platform);
        return result;
    }

    const Variant& variant = request.bX64 ? kX64 : kX86;
    const int row = request.nModelRow;
    const char* printerName = g_modelNames[row];

    // A driver registered on missing or old files, and a printer on it, would
    // look installed and fail when printing: without the directory or after a
    // failed copy nothing is registered.
    char dir[kDriverDirSize];
    if (!QueryDriverDirectory(variant, dir, platform, result)) return result;
    if (!CopyDriverFiles(variant, dir, row, platform, result)) return result;
    RegisterDriver(variant, row, platform, result);
    platform.SetProgress(70);

    CreatePrinterAndWriteValues(request, printerName, platform, result);
    FinishProgress(platform);
    return result;
}

CString FormatInstallOutcome(const InstallResult& result, IInstallPlatform& platform) {
    CString text;
    if (result.Succeeded()) return text;
    text = u8"驱动安装失败。";
    for (int i = 0; i < result.FailureCount(); ++i) {
        const InstallFailure& failure = result.Failure(i);
        const Description description = Describe(failure.step);
        CString line(description.before);
        line += failure.detail;
        line += description.middle;
        line += failure.other;
        line += description.after;
        if (failure.error != 0) {
            char16_t wide[kErrorTextSize];
            int length = platform.ErrorText(failure.error, wide, kErrorTextSize);
            if (length < 0 || length > kErrorTextSize) length = 0;
            CString systemText = TrimTrailingSpace(Utf16ToUtf8(wide, static_cast<size_t>(length)));
            CString code;
            if (systemText.IsEmpty()) {
                code.Format(u8"（错误 %lu）", failure.error);
            } else {
                code.Format(u8"（错误 %lu：%s）", failure.error, systemText.GetString());
            }
            line += code;
        }
        text += "\n";
        text += line;
    }
    return text;
}
