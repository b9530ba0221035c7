// The prefix probes and preparations of the UI driver; see probes.h.
#include "probes.h"

#include <winspool.h>

#include <cstdio>
#include <cwchar>

namespace probes {
namespace {

std::wstring Str(const wchar_t* s) {
    return s ? s : L"";
}

// File name after the last separator; the spooler reports full paths.
std::wstring BaseName(const std::wstring& path) {
    size_t p = path.find_last_of(L"\\/");
    return p == std::wstring::npos ? path : path.substr(p + 1);
}

// File names compare as Windows compares them.
bool SameFileName(const std::wstring& a, const std::wstring& b) {
    return _wcsicmp(a.c_str(), b.c_str()) == 0;
}

struct PrinterRecord {
    std::wstring name, port, driver, processor, datatype;
};

// Level 2 records of the local printers.
std::vector<PrinterRecord> LocalPrinters() {
    DWORD needed = 0, count = 0;
    EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &count);
    std::vector<BYTE> buf(needed + 1);
    if (!EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, buf.data(), needed, &needed, &count)) {
        count = 0;
    }
    std::vector<PrinterRecord> v;
    auto* p = reinterpret_cast<PRINTER_INFO_2W*>(buf.data());
    for (DWORD i = 0; i < count; ++i) {
        v.push_back({Str(p[i].pPrinterName), Str(p[i].pPortName), Str(p[i].pDriverName),
                     Str(p[i].pPrintProcessor), Str(p[i].pDatatype)});
    }
    return v;
}

struct DriverRecord {
    DWORD version = 0;
    std::wstring name, driver, data, config, help, monitor, datatype;
    std::vector<std::wstring> dependent;
};

// Level 3 records of the drivers registered for an environment ("Windows NT x86", ...).
std::vector<DriverRecord> Drivers(const std::wstring& env) {
    DWORD needed = 0, count = 0;
    LPWSTR e = const_cast<LPWSTR>(env.c_str());
    EnumPrinterDriversW(nullptr, e, 3, nullptr, 0, &needed, &count);
    std::vector<BYTE> buf(needed + 1);
    if (!EnumPrinterDriversW(nullptr, e, 3, buf.data(), needed, &needed, &count)) count = 0;
    std::vector<DriverRecord> v;
    auto* p = reinterpret_cast<DRIVER_INFO_3W*>(buf.data());
    for (DWORD i = 0; i < count; ++i) {
        DriverRecord r;
        r.version = p[i].cVersion;
        r.name = Str(p[i].pName);
        r.driver = Str(p[i].pDriverPath);
        r.data = Str(p[i].pDataFile);
        r.config = Str(p[i].pConfigFile);
        r.help = Str(p[i].pHelpFile);
        r.monitor = Str(p[i].pMonitorName);
        r.datatype = Str(p[i].pDefaultDataType);
        for (const wchar_t* d = p[i].pDependentFiles; d && *d; d += wcslen(d) + 1) {
            r.dependent.push_back(d);
        }
        v.push_back(r);
    }
    return v;
}

std::wstring DriverDirectory(const std::wstring& env) {
    wchar_t buf[MAX_PATH * 2] = {};
    DWORD needed = 0;
    if (!GetPrinterDriverDirectoryW(nullptr, const_cast<LPWSTR>(env.c_str()), 1,
                                    reinterpret_cast<LPBYTE>(buf), sizeof buf, &needed)) {
        throw Failure(
            Fmt("no driver directory for %s (error %lu)", Q(env).c_str(), GetLastError()));
    }
    return buf;
}

// <root>\<path> with the root as HKCU, HKLM or spelt out.
HKEY ParseKey(const std::wstring& full, std::wstring* path) {
    static const struct {
        const wchar_t* name;
        HKEY key;
    } kRoots[] = {{L"HKCU", HKEY_CURRENT_USER},
                  {L"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
                  {L"HKLM", HKEY_LOCAL_MACHINE},
                  {L"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE}};
    size_t slash = full.find(L'\\');
    std::wstring root = full.substr(0, slash);
    *path = slash == std::wstring::npos ? std::wstring() : full.substr(slash + 1);
    for (const auto& r : kRoots) {
        if (root == r.name) return r.key;
    }
    throw SyntaxError("a registry key starts with HKCU\\ or HKLM\\, not " + Q(full));
}

enum class RegState { kNoKey, kNoValue, kFound };

// A value's type and data; the data as UTF-16 units, the terminating zero included.
RegState ReadRegValue(const std::wstring& keyName, const std::wstring& value, DWORD* type,
                      std::wstring* data) {
    std::wstring path;
    HKEY root = ParseKey(keyName, &path);
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
        return RegState::kNoKey;
    }
    DWORD size = 0;
    LONG r = RegQueryValueExW(key, value.c_str(), nullptr, type, nullptr, &size);
    if (r == ERROR_SUCCESS) {
        std::vector<BYTE> buf(size + 2, 0);
        r = RegQueryValueExW(key, value.c_str(), nullptr, type, buf.data(), &size);
        data->assign(reinterpret_cast<const wchar_t*>(buf.data()), size / sizeof(wchar_t));
    }
    RegCloseKey(key);
    return r == ERROR_SUCCESS ? RegState::kFound : RegState::kNoValue;
}

// The checks of expect-driver: f[2...] are <field>=<value>; found gets the first mismatch.
bool CheckDriver(const DriverRecord& d, const std::wstring& dir, const std::vector<std::wstring>& f,
                 std::string* found) {
    std::vector<std::wstring> files = {d.driver, d.data, d.config, d.help};
    files.insert(files.end(), d.dependent.begin(), d.dependent.end());
    for (const std::wstring& file : files) {
        if (_wcsnicmp(file.c_str(), dir.c_str(), dir.size()) != 0) {
            *found = Q(file) + ", outside " + Q(dir);
            return false;
        }
    }
    for (size_t i = 2; i < f.size(); ++i) {
        size_t eq = f[i].find(L'=');
        if (eq == std::wstring::npos) throw SyntaxError("a driver field is <field>=<value>");
        std::wstring key = f[i].substr(0, eq), want = f[i].substr(eq + 1), have;
        bool same = false;
        if (key == L"version") {
            have = std::to_wstring(d.version);
            same = have == want;
        } else if (key == L"driver" || key == L"data" || key == L"config" || key == L"help") {
            have = BaseName(key == L"driver"   ? d.driver
                            : key == L"data"   ? d.data
                            : key == L"config" ? d.config
                                               : d.help);
            same = SameFileName(have, want);
        } else if (key == L"dependent") {
            std::vector<std::wstring> names;
            for (const std::wstring& dep : d.dependent) names.push_back(BaseName(dep));
            have = Join(names, L",");
            same = SameFileName(have, want);
        } else if (key == L"datatype" || key == L"monitor") {
            have = key == L"datatype" ? d.datatype : d.monitor;
            same = have == want;
        } else {
            throw SyntaxError("unknown driver field " + Q(key));
        }
        if (!same) {
            *found = ToUtf8(key) + "=" + Q(have);
            return false;
        }
    }
    return true;
}

// For abandon-mutex: owns the mutex, then ends without releasing it.
DWORD WINAPI TakeAndLeave(void* mutex) {
    return WaitForSingleObject(static_cast<HANDLE>(mutex), 5000);
}
}  // namespace

Expectation Printer(const std::string& args) {
    // Exactly one local printer of that name, with these values.
    std::vector<std::wstring> want = Fields(args);
    if (want.size() != 5) {
        throw SyntaxError("expect-printer <name>|<port>|<driver>|<processor>|<type>");
    }
    return {"one printer " + Q(Join(want, L"|")), [want](std::string* found) {
                std::vector<std::wstring> same;
                for (const PrinterRecord& p : LocalPrinters()) {
                    if (p.name != want[0]) continue;
                    same.push_back(Join({p.name, p.port, p.driver, p.processor, p.datatype}, L"|"));
                }
                *found = same.empty() ? "none" : Q(Join(same, L" and "));
                return same.size() == 1 && same[0] == Join(want, L"|");
            }};
}

Expectation NoPrinter(const std::string& args) {
    std::vector<std::wstring> want = Fields(args);
    if (want.size() != 1) throw SyntaxError("expect-no-printer <name>");
    return {"no printer " + Q(want[0]), [want](std::string* found) {
                std::vector<std::wstring> same;
                for (const PrinterRecord& p : LocalPrinters()) {
                    if (p.name != want[0]) continue;
                    same.push_back(Join({p.name, p.port, p.driver, p.processor, p.datatype}, L"|"));
                }
                *found = same.empty() ? "none" : Q(Join(same, L" and "));
                return same.empty();
            }};
}

Expectation Driver(const std::string& args) {
    // Exactly one driver of that name for the environment; every file it names lies in the
    // driver directory of the environment, and each field given has the value given (files by
    // base name, dependent files as a comma-separated list in order).
    std::vector<std::wstring> f = Fields(args);
    if (f.size() < 2) throw SyntaxError("expect-driver <environment>|<name>|<field>=<value>...");
    std::wstring dir = DriverDirectory(f[0]) + L"\\";
    return {"driver " + Q(f[1]) + " for " + Q(f[0]), [f, dir](std::string* found) {
                std::vector<DriverRecord> same;
                for (const DriverRecord& d : Drivers(f[0])) {
                    if (d.name == f[1]) same.push_back(d);
                }
                *found = Fmt("%u such drivers", static_cast<unsigned>(same.size()));
                return same.size() == 1 && CheckDriver(same[0], dir, f, found);
            }};
}

Expectation NoDriver(const std::string& args) {
    std::vector<std::wstring> f = Fields(args);
    if (f.size() != 2) throw SyntaxError("expect-no-driver <environment>|<name>");
    return {"no driver " + Q(f[1]) + " for " + Q(f[0]), [f](std::string* found) {
                unsigned same = 0;
                for (const DriverRecord& d : Drivers(f[0])) same += d.name == f[1];
                *found = Fmt("%u such drivers", same);
                return same == 0;
            }};
}

namespace {

// expect-driver-file and expect-no-driver-file: the file in the environment's driver directory.
Expectation DriverFileState(const std::string& args, bool none) {
    std::vector<std::wstring> f = Fields(args);
    if (f.size() < 2 || f.size() > (none ? 2u : 3u)) {
        throw SyntaxError(std::string(none ? "expect-no-driver-file" : "expect-driver-file") +
                          " <environment>|<file>" + (none ? "" : "[|<text>]"));
    }
    std::wstring path = DriverDirectory(f[0]) + L"\\" + f[1];
    std::string begin = f.size() == 3 ? ToUtf8(f[2]) : std::string();
    return {Q(path) + (none ? " absent" : " present") +
                (begin.empty() ? "" : ", beginning with " + Q(f[2])),
            [path, begin, none](std::string* found) {
                std::string bytes;
                if (!ReadFileBytes(path, &bytes)) {
                    *found = "no such file";
                    return none;
                }
                *found = "it, beginning with " + Q(FromUtf8(bytes.substr(0, 60)));
                return !none && bytes.compare(0, begin.size(), begin) == 0;
            }};
}

}  // namespace

Expectation DriverFile(const std::string& args) {
    return DriverFileState(args, false);
}

Expectation NoDriverFile(const std::string& args) {
    return DriverFileState(args, true);
}

Expectation RegValue(const std::string& args) {
    // A REG_SZ value holding the text and one terminating zero, as a writer that counted the
    // zero stores it.
    std::vector<std::wstring> f = Fields(args);
    if (f.size() != 3) throw SyntaxError("expect-reg <key>|<value>|<text>");
    return {"REG_SZ " + ShowZeros(f[2] + L'\0'), [f](std::string* found) {
                DWORD type = 0;
                std::wstring data;
                RegState s = ReadRegValue(f[0], f[1], &type, &data);
                if (s != RegState::kFound) {
                    *found = s == RegState::kNoKey ? "no such key" : "no such value";
                    return false;
                }
                *found = Fmt("type %lu ", type) + ShowZeros(data);
                return type == REG_SZ && data == f[2] + L'\0';
            }};
}

Expectation NoReg(const std::string& args) {
    // <key>: no such key; <key>|<value>: the key has no such value.
    std::vector<std::wstring> f = Fields(args);
    if (f.size() > 2) throw SyntaxError("expect-no-reg <key>[|<value>]");
    return {f.size() == 1 ? "no key" : "no value", [f](std::string* found) {
                DWORD type = 0;
                std::wstring data;
                RegState s = ReadRegValue(f[0], f.size() == 2 ? f[1] : L"", &type, &data);
                *found = s == RegState::kNoKey ? "no key" : "the key";
                if (f.size() == 2 && s == RegState::kFound) *found += ", value " + ShowZeros(data);
                return f.size() == 1 ? s == RegState::kNoKey : s != RegState::kFound;
            }};
}

Expectation FileLines(const Line& l, bool exact) {
    // exact: the file holds exactly these lines (<a>|<b>...); else it has a line equal to text.
    if (l.words.size() < 2) throw SyntaxError(l.cmd + " <path> <text>");
    std::wstring path = FromUtf8(l.words[0]);
    std::string want = After(l.rest, 1);
    return {(exact ? "the lines " : "a line ") + Q(FromUtf8(want)) + " in " + l.words[0],
            [path, want, exact](std::string* found) {
                std::vector<std::string> lines;
                if (!ReadLines(path, &lines)) {
                    *found = "no such file";
                    return false;
                }
                std::string joined;
                bool has = false;
                for (const auto& line : lines) {
                    joined += (joined.empty() ? "" : "|") + line;
                    has = has || line == want;
                }
                *found = Q(FromUtf8(joined));
                return exact ? joined == want : has;
            }};
}

Expectation FileContains(const Line& l) {
    // Some line of the file contains the text (for logs whose lines carry a time stamp).
    if (l.words.size() < 2) throw SyntaxError(l.cmd + " <path> <text>");
    std::wstring path = Expand(FromUtf8(l.words[0]));
    std::string want = After(l.rest, 1);
    return {"a line containing " + Q(FromUtf8(want)) + " in " + l.words[0],
            [path, want](std::string* found) {
                std::vector<std::string> lines;
                if (!ReadLines(path, &lines)) {
                    *found = "no such file";
                    return false;
                }
                *found = Fmt("%u other lines", static_cast<unsigned>(lines.size()));
                for (const auto& line : lines) {
                    if (line.find(want) != std::string::npos) return true;
                }
                return false;
            }};
}

void CheckFileBom(const std::string& path) {
    // The file begins with the UTF-8 byte-order mark, and holds it once.
    std::string bytes;
    if (!ReadFileBytes(Expand(FromUtf8(path)), &bytes)) throw Failure("cannot read " + path);
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") != 0) {
        std::string start;
        for (size_t i = 0; i < 3 && i < bytes.size(); ++i) {
            start += Fmt(" %02x", static_cast<unsigned char>(bytes[i]));
        }
        throw Failure("expected the byte-order mark ef bb bf at the start, found" +
                      (start.empty() ? std::string(" an empty file") : start));
    }
    if (bytes.find("\xEF\xBB\xBF", 3) != std::string::npos) {
        throw Failure("a second byte-order mark inside the file");
    }
}

void CheckNoFile(const std::string& path) {
    if (GetFileAttributesW(FromUtf8(path).c_str()) != INVALID_FILE_ATTRIBUTES) {
        throw Failure(path + " exists");
    }
}

void SetReg(const std::string& args) {
    // Creates the key as needed and writes a REG_SZ value.
    std::vector<std::wstring> f = Fields(args);
    if (f.size() != 3) throw SyntaxError("set-reg <key>|<value>|<text>");
    std::wstring path;
    HKEY root = ParseKey(f[0], &path);
    HKEY key = nullptr;
    LONG r =
        RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
    if (r == ERROR_SUCCESS) {
        r = RegSetValueExW(key, f[1].c_str(), 0, REG_SZ,
                           reinterpret_cast<const BYTE*>(f[2].c_str()),
                           static_cast<DWORD>((f[2].size() + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
    }
    if (r != ERROR_SUCCESS) throw Failure(Fmt("cannot write the value (error %ld)", r));
}

void DeleteRegKey(const std::string& key) {
    // Removes the key with everything below it; it must exist.
    std::wstring path;
    HKEY root = ParseKey(FromUtf8(key), &path);
    LONG r = RegDeleteTreeW(root, path.c_str());
    if (r != ERROR_SUCCESS) throw Failure(Fmt("cannot delete the key (error %ld)", r));
}

void DenyRegWrite(const std::string& keyName) {
    // The key's security no longer lets anyone set values or create subkeys in it (reading
    // stays allowed), as a key locked by a policy would.
    std::wstring path;
    HKEY root = ParseKey(FromUtf8(keyName), &path);
    HKEY key = nullptr;
    LONG r = RegOpenKeyExW(root, path.c_str(), 0, WRITE_DAC, &key);
    if (r == ERROR_SUCCESS) {
        SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
        PSID everyone = nullptr;
        AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone);
        alignas(ACL) BYTE aclBuffer[256];
        PACL acl = reinterpret_cast<PACL>(aclBuffer);
        InitializeAcl(acl, sizeof aclBuffer, ACL_REVISION);
        AddAccessDeniedAce(acl, ACL_REVISION, KEY_SET_VALUE | KEY_CREATE_SUB_KEY, everyone);
        AddAccessAllowedAce(acl, ACL_REVISION, KEY_ALL_ACCESS, everyone);
        SECURITY_DESCRIPTOR sd;
        InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
        SetSecurityDescriptorDacl(&sd, TRUE, acl, FALSE);
        r = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &sd);
        FreeSid(everyone);
        RegCloseKey(key);
    }
    if (r != ERROR_SUCCESS) throw Failure(Fmt("cannot lock the key (error %ld)", r));
    HKEY probe = nullptr;
    r = RegOpenKeyExW(root, path.c_str(), 0, KEY_SET_VALUE, &probe);
    if (r == ERROR_SUCCESS) {
        RegCloseKey(probe);
        throw Failure("the locked key still opens for writing");
    }
}

void AddPrinterRecord(const std::string& args) {
    // A local printer of the user's, WinPrint and RAW.
    std::vector<std::wstring> f = Fields(args);
    if (f.size() != 3) throw SyntaxError("add-printer <name>|<port>|<driver>");
    std::wstring processor = L"WinPrint", datatype = L"RAW";
    PRINTER_INFO_2W p = {};
    p.pPrinterName = &f[0][0];
    p.pPortName = &f[1][0];
    p.pDriverName = &f[2][0];
    p.pPrintProcessor = &processor[0];
    p.pDatatype = &datatype[0];
    HANDLE printer = AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&p));
    if (!printer) throw Failure(Fmt("cannot add the printer (error %lu)", GetLastError()));
    ClosePrinter(printer);
}

void AddDriverRecord(const std::string& args) {
    // A driver record of that name for the environment, with the wizard's file names, as an
    // earlier installation would have registered it.
    std::vector<std::wstring> f = Fields(args);
    if (f.size() != 2) throw SyntaxError("add-driver <environment>|<name>");
    DRIVER_INFO_3W d = {};
    d.cVersion = 3;
    d.pName = &f[1][0];
    d.pEnvironment = &f[0][0];
    std::wstring driver = L"uniDRV.DLL", data = L"RQ230.GPD", config = L"uniDRVui.DLL";
    d.pDriverPath = &driver[0];
    d.pDataFile = &data[0];
    d.pConfigFile = &config[0];
    if (!AddPrinterDriverW(nullptr, 3, reinterpret_cast<LPBYTE>(&d))) {
        throw Failure(Fmt("cannot add the driver (error %lu)", GetLastError()));
    }
}

void WriteTextFile(const std::string& args) {
    // The file holds the text as one line, replacing what it held.
    std::vector<std::wstring> f = Fields(args);
    if (f.size() != 2) throw SyntaxError("write-file <path>|<text>");
    FILE* out = _wfopen(f[0].c_str(), L"wb");
    std::string text = ToUtf8(f[1]) + "\r\n";
    bool ok = out && std::fwrite(text.data(), 1, text.size(), out) == text.size();
    if (out) ok = std::fclose(out) == 0 && ok;
    if (!ok) throw Failure("cannot write " + Q(f[0]));
}

void MakeDir(const std::string& pathText) {
    std::wstring path = FromUtf8(pathText);
    if (!CreateDirectoryW(path.c_str(), nullptr)) {
        throw Failure(Fmt("cannot create %s (error %lu)", Q(path).c_str(), GetLastError()));
    }
}

Holdings::~Holdings() {
    for (HANDLE h : files_) CloseHandle(h);
    if (mutex_) CloseHandle(mutex_);
}

void Holdings::HoldFile(const std::string& pathText) {
    // Kept open until the scenario ends, as by a program that has it in use: others may read it
    // but not write, replace or delete it. (Wine running as root ignores the read-only
    // attribute, so this is how a destination is made unwritable.)
    std::wstring path = FromUtf8(pathText);
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        throw Failure(Fmt("cannot open %s (error %lu)", Q(path).c_str(), GetLastError()));
    }
    files_.push_back(h);
}

void Holdings::HoldMutex(const std::string& nameText, DWORD waitMs) {
    // Owned here, as another installer would own it, until ReleaseMutex.
    std::wstring name = FromUtf8(nameText);
    if (name.empty() || mutex_) throw SyntaxError("hold-mutex <name>, once");
    mutex_ = CreateMutexW(nullptr, FALSE, name.c_str());
    if (!mutex_ || WaitForSingleObject(mutex_, waitMs) != WAIT_OBJECT_0) {
        throw Failure(Fmt("cannot own the mutex (error %lu)", GetLastError()));
    }
}

void Holdings::ReleaseMutex() {
    if (!mutex_) throw SyntaxError("release-mutex needs hold-mutex first");
    ::ReleaseMutex(mutex_);
    CloseHandle(mutex_);
    mutex_ = nullptr;
}

void Holdings::AbandonMutex(const std::string& nameText) {
    // A thread takes the mutex and ends without releasing it, as an installer killed in the
    // middle would; the mutex stays open here, abandoned.
    std::wstring name = FromUtf8(nameText);
    if (name.empty() || mutex_) throw SyntaxError("abandon-mutex <name>, once");
    mutex_ = CreateMutexW(nullptr, FALSE, name.c_str());
    HANDLE thread = mutex_ ? CreateThread(nullptr, 0, TakeAndLeave, mutex_, 0, nullptr) : nullptr;
    DWORD taken = WAIT_FAILED;
    if (thread) {
        WaitForSingleObject(thread, 10000);
        GetExitCodeThread(thread, &taken);
        CloseHandle(thread);
    }
    if (taken != WAIT_OBJECT_0) throw Failure("the thread could not take the mutex");
    // Not released: owned by a thread that is gone. ReleaseMutex only closes it now.
}

}  // namespace probes
