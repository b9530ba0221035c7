#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/command_line.h"

namespace {

std::vector<std::string> Words(const char* line) {
    CommandWords words = SplitCommandLine(line);
    std::vector<std::string> result;
    for (int i = 0; i < words.count; ++i) result.push_back(words.words[i].GetString());
    return result;
}

}  // namespace

TEST(SplitCommandLine, WindowsQuotingRules) {
    struct Case {
        const char* line;
        std::vector<std::string> words;
    } cases[] = {
        {"DriverSetup.exe", {}},
        {"\"C:\\Program Files\\DriverSetup.exe\"", {}},
        {"\"C:\\Program Files\\DriverSetup.exe\"   ", {}},
        {"DriverSetup.exe /quiet", {"/quiet"}},
        // The program name takes no escapes: its backslash before the quote is literal.
        {"\"C:\\dir\\\" /quiet", {"/quiet"}},
        {"x.exe  /model:4\t/quiet ", {"/model:4", "/quiet"}},
        {"x.exe \"/model:RQ-230N Series\"", {"/model:RQ-230N Series"}},
        {"x.exe /model:\"RQ-230N Series\" /nodefault", {"/model:RQ-230N Series", "/nodefault"}},
        {"x.exe /log:\"C:\\logs\\a b.log\"", {"/log:C:\\logs\\a b.log"}},
        {"x.exe a\\\\b", {"a\\\\b"}},           // backslashes without a quote: literal
        {"x.exe \"a\\\\\" b", {"a\\", "b"}},    // 2n backslashes + quote: n, quote ends
        {"x.exe a\\\"b", {"a\"b"}},             // 2n+1: n and a literal quote
        {"x.exe \"a\"\"b\" c", {"a\"b", "c"}},  // "" inside quotes: a literal quote
        {"x.exe \"\"", {""}},                   // an empty quoted word counts
        {"x.exe \"unterminated word", {"unterminated word"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Words(c.line), c.words) << c.line;
    }
}

TEST(SplitCommandLine, MoreWordsThanFitAreFlagged) {
    std::string line = "x.exe";
    for (int i = 0; i < kMaxArguments; ++i) line += " /quiet";
    EXPECT_FALSE(SplitCommandLine(line.c_str()).tooMany);
    line += " /quiet";
    CommandWords words = SplitCommandLine(line.c_str());
    EXPECT_TRUE(words.tooMany);
    EXPECT_EQ(words.count, kMaxArguments);
    EXPECT_EQ(ParseCommand(words).action, CommandAction::Refused);
}

// What each command line yields. Rows are 1-based on the command line and
// 0-based in the request.
TEST(ParseCommand, AcceptedAndRefusedCommandLines) {
    constexpr CommandAction I = CommandAction::Install;
    constexpr CommandAction R = CommandAction::Remove;
    constexpr CommandAction U = CommandAction::Usage;
    constexpr CommandAction X = CommandAction::Refused;
    constexpr CommandAction W = CommandAction::Wizard;
    struct Case {
        const char* line;
        CommandAction action;
        int row;
        const char* port;  // nullptr: no /port:
        bool setDefault;
        bool quiet;
        const char* log;  // nullptr: no /log:
    } cases[] = {
        {"x.exe", W, -1, nullptr, true, false, nullptr},
        {"x.exe /model:5 /quiet", I, 4, nullptr, true, true, nullptr},
        {"x.exe /model:1", I, 0, nullptr, true, false, nullptr},
        {"x.exe /model:23", I, 22, nullptr, true, false, nullptr},
        {"x.exe /model:05", I, 4, nullptr, true, false, nullptr},
        {"x.exe /model:00000023", I, 22, nullptr, true, false, nullptr},
        {"x.exe -MODEL:5 -Quiet -NoDefault", I, 4, nullptr, false, true, nullptr},
        {"x.exe /model:\"RQ-230N Series\" /nodefault", I, 5, nullptr, false, false, nullptr},
        {"x.exe \"/model:M-C51x Series\" /port:COM1:", I, 22, "COM1:", true, false, nullptr},
        {"x.exe /port:\"LPT1:\" /model:4 /log:C:\\t\\a.log", I, 3, "LPT1:", true, false,
         "C:\\t\\a.log"},
        {"x.exe /remove /model:5", R, 4, nullptr, true, false, nullptr},
        {"x.exe /REMOVE /model:\"RQ-230 Series\" /quiet /log:r.log", R, 4, nullptr, true, true,
         "r.log"},
        {"x.exe /?", U, -1, nullptr, true, false, nullptr},
        {"x.exe -?", U, -1, nullptr, true, false, nullptr},
        {"x.exe /model:99 /? /quiet", U, -1, nullptr, true, true, nullptr},
        // Refused: nothing may happen.
        {"x.exe /quiet", X, -1, nullptr, true, true, nullptr},     // no model
        {"x.exe /model:0", X, -1, nullptr, true, false, nullptr},  // below 1
        {"x.exe /model:000", X, -1, nullptr, true, false, nullptr},
        {"x.exe /model:100", X, -1, nullptr, true, false, nullptr},
        {"x.exe /model:24", X, -1, nullptr, true, false, nullptr},  // above 23
        {"x.exe /model:-1", X, -1, nullptr, true, false, nullptr},
        {"x.exe /model:4294967301", X, -1, nullptr, true, false, nullptr},  // no wrap-around
        {"x.exe /model:", X, -1, nullptr, true, false, nullptr},
        {"x.exe /model", X, -1, nullptr, true, false, nullptr},
        {"x.exe /model:rq-230 series", X, -1, nullptr, true, false, nullptr},  // names exact
        {"x.exe /model:RQ-230", X, -1, nullptr, true, false, nullptr},
        {"x.exe /model:\" RQ-230 Series\"", X, -1, nullptr, true, false, nullptr},
        {"x.exe /model:5 /silent", X, 4, nullptr, true, false, nullptr},     // unknown switch
        {"x.exe /model:5 extra", X, 4, nullptr, true, false, nullptr},       // stray word
        {"x.exe /model:5 /quiet:yes", X, 4, nullptr, true, false, nullptr},  // value on a flag
        {"x.exe /model:5 /port:", X, 4, nullptr, true, false, nullptr},
        {"x.exe /model:5 /log:", X, 4, nullptr, true, false, nullptr},
        {"x.exe /model:5 /model:6", X, 5, nullptr, true, false, nullptr},  // repeated
        {"x.exe /remove /model:5 /port:LPT1:", X, 4, "LPT1:", true, false, nullptr},
        {"x.exe /remove /model:5 /nodefault", X, 4, nullptr, true, false, nullptr},
        {"x.exe /remove", X, -1, nullptr, true, false, nullptr},
        {"x.exe /", X, -1, nullptr, true, false, nullptr},
        {"x.exe \"\"", X, -1, nullptr, true, false, nullptr},
    };
    for (const Case& c : cases) {
        CommandRequest request = ParseCommand(SplitCommandLine(c.line));
        SCOPED_TRACE(c.line);
        EXPECT_EQ(request.action, c.action);
        EXPECT_EQ(request.reason.IsEmpty(), c.action != X) << request.reason.GetString();
        if (c.action == I || c.action == R) {
            EXPECT_EQ(request.modelRow, c.row);
            EXPECT_EQ(request.hasPort, c.port != nullptr);
            EXPECT_STREQ(request.port, c.port ? c.port : "");
            EXPECT_EQ(request.setDefault, c.setDefault);
            EXPECT_EQ(request.hasLog, c.log != nullptr);
            EXPECT_STREQ(request.logPath, c.log ? c.log : "");
        }
        if (c.action != W && c.action != X) {
            EXPECT_EQ(request.quiet, c.quiet);
        }
    }
}

TEST(ParseCommand, QuietIsKnownAlsoWhenTheLineIsRefused) {
    // A refused line must not show the usage when /quiet was asked for.
    CommandRequest request = ParseCommand(SplitCommandLine("x.exe /quiet /model:0"));
    EXPECT_EQ(request.action, CommandAction::Refused);
    EXPECT_TRUE(request.quiet);
}

TEST(ResolvePortRow, NamedPortOrThePortPagesPreselection) {
    const char* ports[] = {"LPT1:", "LPT2:", "LPT3:", "COM1:", "COM2:", "FILE:", "XPSPort:"};
    const int count = 7;
    struct Case {
        const char* line;
        int row;
    } cases[] = {
        {"x.exe /model:5", 3},  // the page prefers COM1 when LPT1 is row 0
        {"x.exe /model:5 /port:LPT1:", 0},
        {"x.exe /model:5 /port:lpt2:", 1},  // the spooler's names ignore case
        {"x.exe /model:5 /port:XPSPort:", 6},
        {"x.exe /model:5 /port:LPT1", -1},  // not a listed name
        {"x.exe /model:5 /port:COM9:", -1},
    };
    for (const Case& c : cases) {
        CommandRequest request = ParseCommand(SplitCommandLine(c.line));
        EXPECT_EQ(ResolvePortRow(request, ports, count), c.row) << c.line;
    }

    CommandRequest preselect = ParseCommand(SplitCommandLine("x.exe /model:5"));
    const char* none[] = {"LPT1:", "COM3:", "USB001"};  // the page would preselect nothing
    EXPECT_EQ(ResolvePortRow(preselect, none, 3), -1);
    EXPECT_EQ(ResolvePortRow(preselect, nullptr, 0), -1);

    // Only the rows the port page lists count.
    std::vector<const char*> many(300, "NUL:");
    many[270] = "LPT9:";
    CommandRequest beyond = ParseCommand(SplitCommandLine("x.exe /model:5 /port:LPT9:"));
    EXPECT_EQ(ResolvePortRow(beyond, many.data(), 300), -1);
}
