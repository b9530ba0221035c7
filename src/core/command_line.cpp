#include "core/command_line.h"

#include <cstring>

#include "catalog/catalog.h"
#include "core/port_preselect.h"

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsNoCase(const char* a, const char* b) {
    while (*a && *b && LowerAscii(*a) == LowerAscii(*b)) {
        ++a;
        ++b;
    }
    return *a == '\0' && *b == '\0';
}

enum class Switch { Model, Port, NoDefault, Quiet, Log, Remove, Help };

struct SwitchName {
    const char* name;
    Switch kind;
    bool takesValue;
};

const SwitchName kSwitches[] = {
    {"model", Switch::Model, true},
    {"port", Switch::Port, true},
    {"nodefault", Switch::NoDefault, false},
    {"quiet", Switch::Quiet, false},
    {"log", Switch::Log, true},
    {"remove", Switch::Remove, false},
    {"?", Switch::Help, false},
};

// A row number 1 to 23 as written, or a printer name exactly as the
// installation names the printer; -1 for neither.
int FindModel(const CString& value) {
    const char* text = value.GetString();
    bool digits = !value.IsEmpty();
    for (const char* p = text; *p; ++p) digits = digits && *p >= '0' && *p <= '9';
    if (digits) {
        while (text[0] == '0' && text[1] != '\0') ++text;
        if (std::strlen(text) > 2) return -1;  // no valid row has more digits
        int row = 0;
        for (const char* p = text; *p; ++p) row = row * 10 + (*p - '0');
        return row >= 1 && row <= kModelCount ? row - 1 : -1;
    }
    for (int row = 0; row < kModelCount; ++row) {
        if (std::strcmp(g_modelNames[row], text) == 0) return row;
    }
    return -1;
}

CommandRequest Refuse(CommandRequest request, const char* reason, const char* detail = "") {
    request.action = CommandAction::Refused;
    request.reason = reason;
    request.reason += detail;
    return request;
}

}  // namespace

CommandWords SplitCommandLine(const char* line) {
    CommandWords result;
    if (!line) return result;
    const char* p = line;
    // The program name: no escapes, quotes only delimit.
    if (*p == '"') {
        ++p;
        while (*p && *p != '"') ++p;
        if (*p == '"') ++p;
    } else {
        while (*p && !IsBlank(*p)) ++p;
    }
    for (;;) {
        while (IsBlank(*p)) ++p;
        if (!*p) break;
        CString word;
        bool quoted = false;
        while (*p && (quoted || !IsBlank(*p))) {
            if (*p == '\\') {
                int backslashes = 0;
                while (*p == '\\') {
                    ++backslashes;
                    ++p;
                }
                if (*p == '"') {
                    for (int i = 0; i < backslashes / 2; ++i) word += '\\';
                    if (backslashes % 2) {
                        word += '"';
                        ++p;
                    }
                } else {
                    for (int i = 0; i < backslashes; ++i) word += '\\';
                }
            } else if (*p == '"') {
                ++p;
                if (quoted && *p == '"') {
                    word += '"';
                    ++p;
                } else {
                    quoted = !quoted;
                }
            } else {
                word += *p++;
            }
        }
        if (result.count == kMaxArguments) {
            result.tooMany = true;
            break;
        }
        result.words[result.count++] = word;
    }
    return result;
}

CommandRequest ParseCommand(const CommandWords& words) {
    CommandRequest request;
    if (words.count == 0 && !words.tooMany) return request;

    bool hasModel = false;
    bool remove = false;
    bool noDefault = false;
    CString model;
    const char* unknownWord = nullptr;
    const char* repeated = nullptr;
    bool help = false;
    const char* valueWord = nullptr;

    for (int i = 0; i < words.count; ++i) {
        const char* word = words.words[i].GetString();
        const SwitchName* found = nullptr;
        CString value;
        bool hasValue = false;
        if (word[0] == '/' || word[0] == '-') {
            const char* colon = std::strchr(word + 1, ':');
            CString name =
                colon ? CString(word + 1, static_cast<int>(colon - word - 1)) : CString(word + 1);
            for (const SwitchName& candidate : kSwitches) {
                if (EqualsNoCase(name, candidate.name)) found = &candidate;
            }
            if (colon) {
                hasValue = true;
                value = colon + 1;
            }
        }
        if (!found || found->takesValue != hasValue) {
            if (!found && !unknownWord) unknownWord = word;
            if (found && !valueWord) valueWord = word;
            continue;
        }
        if (found->takesValue && value.IsEmpty()) {
            if (!valueWord) valueWord = word;
            continue;
        }
        bool seen = false;
        switch (found->kind) {
            case Switch::Model:
                seen = hasModel;
                hasModel = true;
                model = value;
                break;
            case Switch::Port:
                seen = request.hasPort;
                request.hasPort = true;
                request.port = value;
                break;
            case Switch::NoDefault:
                seen = noDefault;
                noDefault = true;
                break;
            case Switch::Quiet:
                seen = request.quiet;
                request.quiet = true;
                break;
            case Switch::Log:
                seen = request.hasLog;
                request.hasLog = true;
                request.logPath = value;
                break;
            case Switch::Remove:
                seen = remove;
                remove = true;
                break;
            case Switch::Help:
                help = true;
                break;
        }
        if (seen && !repeated) repeated = word;
    }

    if (help) {
        request.action = CommandAction::Usage;
        return request;
    }
    if (words.tooMany) return Refuse(request, u8"参数过多");
    if (unknownWord) return Refuse(request, u8"未知的参数 ", unknownWord);
    if (valueWord) return Refuse(request, u8"参数的值不对：", valueWord);
    if (repeated) return Refuse(request, u8"参数重复：", repeated);
    if (!hasModel) return Refuse(request, u8"缺少 /model:");
    request.modelRow = FindModel(model);
    if (request.modelRow < 0) return Refuse(request, u8"未知的型号 ", model);
    if (remove) {
        if (request.hasPort) return Refuse(request, u8"/remove 不能与 /port: 同用");
        if (noDefault) return Refuse(request, u8"/remove 不能与 /nodefault 同用");
        request.action = CommandAction::Remove;
        return request;
    }
    request.setDefault = !noDefault;
    request.action = CommandAction::Install;
    return request;
}

int ResolvePortRow(const CommandRequest& request, const char* const* names, int count) {
    if (!names || count <= 0) return -1;
    const int listed = count < kMaxPortRows ? count : kMaxPortRows;
    if (!request.hasPort) return PreselectPortRow(names, listed);
    for (int row = 0; row < listed; ++row) {
        if (names[row] && EqualsNoCase(names[row], request.port)) return row;
    }
    return -1;
}

const char* CommandUsageText() {
    return u8"用法：\n"
           u8"DriverSetup.exe /model:<型号> [/port:<端口>] [/nodefault] [/quiet] [/log:<文件>]\n"
           u8"DriverSetup.exe /remove /model:<型号> [/quiet] [/log:<文件>]\n"
           "\n"
           u8"<型号>：型号序号 1 至 23，或打印机名称，例如 \"RQ-230N Series\"\n"
           u8"/port:  端口名称；省略时使用选择端口页默认选中的端口\n"
           u8"/nodefault:  不设为默认打印机\n"
           u8"/remove:  删除该型号的打印机和驱动\n"
           u8"/quiet:  不显示任何窗口\n"
           u8"/log:  日志文件；默认为 %TEMP%\\DriverSetup.log\n"
           "\n"
           u8"返回值：0 成功；87 命令行无效；1603 安装或删除失败；1618 另一个安装正在进行";
}
