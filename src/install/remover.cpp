#include "install/remover.h"

#include "base/utf8.h"
#include "catalog/catalog.h"

namespace {

// The environments the installation registers its driver for.
const char kEnvironmentX86[] = "Windows NT x86";
const char kEnvironmentX64[] = "Windows x64";

const char kDefaultKeyPath[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows";

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Deletes the printer; true when it is gone afterwards (also when it never
// was there).
bool RemovePrinter(const char* name, IRemovalPlatform& platform, RemovalResult& result) {
    unsigned long error = 0;
    bool deleted;
    {
        RemovalPrinter printer(platform, platform.OpenPrinterToDelete(name, error));
        if (!printer) {
            if (error == kErrorInvalidPrinterName) return true;
            result.Add(RemovalStep::DeletePrinter, error, name);
            return false;
        }
        deleted = platform.DeletePrinter(printer.Get(), error);
    }
    if (!deleted) {
        result.Add(RemovalStep::DeletePrinter, error, name);
        return false;
    }
    result.printerDeleted = true;
    return true;
}

// The spooler has no extended deletion, or does not take its flags (Wine
// answers ERROR_INVALID_PARAMETER to any).
bool ExtendedDeletionMissing(unsigned long error) {
    return error == kErrorProcNotFound || error == kErrorCallNotImplemented ||
           error == kErrorInvalidParameter;
}

// Spoolers differ in how they refuse to delete a driver they do not have
// (Wine: ERROR_INVALID_PARAMETER), so the list decides whether there is one.
void RemoveDriver(const char* environment, const char* name, IRemovalPlatform& platform,
                  RemovalResult& result) {
    unsigned long error = 0;
    bool listed = true;
    if (platform.FindDriver(environment, name, listed, error) && !listed) return;
    bool deleted = platform.DeleteDriverEx(environment, name, kDeleteUnusedFiles, error);
    if (!deleted && ExtendedDeletionMissing(error)) {
        deleted = platform.DeleteDriver(environment, name, error);
        if (deleted) result.filesLeft = true;
    }
    if (deleted) {
        result.driverDeleted = true;
    } else if (error != kErrorUnknownPrinterDriver) {
        result.Add(RemovalStep::DeleteDriver, error, name);
    }
}

// A default printer that no longer exists leaves the user without one;
// without the value Windows picks another.
void ClearDefaultPrinter(const char* name, IRemovalPlatform& platform, RemovalResult& result) {
    RegKeyHandle handle = nullptr;
    if (platform.OpenRegKey(RegRoot::CurrentUser, kDefaultKeyPath, kKeyQueryValue | kKeySetValue,
                            handle) != 0)
        return;
    RemovalRegKey key(platform, handle);
    CString device;
    if (platform.QueryRegString(key.Get(), "Device", device) == 0 &&
        DeviceValueNamesPrinter(device, name)) {
        long status = platform.DeleteRegValue(key.Get(), "Device");
        if (status == 0) {
            result.defaultCleared = true;
        } else {
            result.Add(RemovalStep::ClearDefault, static_cast<unsigned long>(status));
        }
    }
}

const char* Describe(RemovalStep step) {
    switch (step) {
        case RemovalStep::InvalidRequest:
            return u8"型号超出范围";
        case RemovalStep::DeletePrinter:
            return u8"无法删除打印机 ";
        case RemovalStep::DeleteDriver:
            return u8"无法删除打印机驱动程序 ";
        case RemovalStep::ClearDefault:
            return u8"无法清除默认打印机的注册表信息";
    }
    return "";
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

void RemovalResult::Add(RemovalStep step, unsigned long error, const char* detail) {
    if (m_count == kMaxFailures) return;
    RemovalFailure& failure = m_failures[m_count++];
    failure.step = step;
    failure.error = error;
    failure.detail = detail;
}

bool DeviceValueNamesPrinter(const char* device, const char* printerName) {
    if (!device || !printerName || !*printerName) return false;
    while (*printerName && LowerAscii(*device) == LowerAscii(*printerName)) {
        ++device;
        ++printerName;
    }
    return *printerName == '\0' && (*device == ',' || *device == '\0');
}

RemovalResult RunRemoval(int modelRow, bool x64, IRemovalPlatform& platform) {
    RemovalResult result;
    if (!InTable(modelRow, kModelCount)) {
        result.Add(RemovalStep::InvalidRequest, 0);
        return result;
    }
    const char* name = g_modelNames[modelRow];
    if (!RemovePrinter(name, platform, result)) return result;
    RemoveDriver(x64 ? kEnvironmentX64 : kEnvironmentX86, name, platform, result);
    ClearDefaultPrinter(name, platform, result);
    return result;
}

CString FormatRemovalOutcome(const RemovalResult& result, IRemovalPlatform& platform) {
    if (result.NothingFound()) return CString(u8"没有需要删除的打印机或驱动");
    if (result.Succeeded()) return CString(u8"驱动删除完成");
    CString text = u8"驱动删除失败。";
    for (int i = 0; i < result.FailureCount(); ++i) {
        const RemovalFailure& failure = result.Failure(i);
        CString line(Describe(failure.step));
        line += failure.detail;
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
