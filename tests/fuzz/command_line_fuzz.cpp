// Splits and reads arbitrary command lines, and checks the splitter against
// the quoting rules it implements: any words, quoted the way a caller must
// quote them for the Windows C runtime, come back unchanged.
//
// Input: the command line as bytes (no zero byte inside is passed on).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "catalog/catalog.h"
#include "core/command_line.h"

namespace {

// The argument as a caller quotes it: backslashes double only before a quote
// or the closing quote, quotes are escaped.
std::string Quote(const std::string& word) {
    std::string out = "\"";
    size_t backslashes = 0;
    for (char c : word) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"') {
            out.append(backslashes * 2 + 1, '\\');
        } else {
            out.append(backslashes, '\\');
        }
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, '\\');
    out += '"';
    return out;
}

void Check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string line(reinterpret_cast<const char*>(data), size);
    line = line.substr(0, line.find('\0'));

    CommandWords words = SplitCommandLine(line.c_str());
    Check(words.count >= 0 && words.count <= kMaxArguments);
    size_t total = 0;
    for (int i = 0; i < words.count; ++i) total += static_cast<size_t>(words.words[i].GetLength());
    Check(total <= line.size());

    CommandRequest request = ParseCommand(words);
    switch (request.action) {
        case CommandAction::Wizard:
            Check(words.count == 0 && !words.tooMany);
            break;
        case CommandAction::Install:
        case CommandAction::Remove:
            Check(InTable(request.modelRow, kModelCount));
            Check(request.reason.IsEmpty());
            Check(!(request.action == CommandAction::Remove && request.hasPort));
            break;
        case CommandAction::Usage:
            break;
        case CommandAction::Refused:
            Check(!request.reason.IsEmpty());
            break;
    }

    // The words of this line, quoted again after a program name, split the same.
    std::string again = "\"C:\\Program Files\\DriverSetup.exe\"";
    for (int i = 0; i < words.count; ++i) again += " " + Quote(words.words[i].GetString());
    CommandWords back = SplitCommandLine(again.c_str());
    Check(back.count == words.count);
    for (int i = 0; i < words.count; ++i) Check(back.words[i] == words.words[i]);
    return 0;
}
