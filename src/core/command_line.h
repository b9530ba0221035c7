// Unattended use: splitting the command line into words and reading the
// switches that deployment tools pass (install, remove, usage).
#pragma once

#include "base/cstring.h"

// Exit codes in the meaning that deployment tools (Group Policy, Configuration
// Manager, Intune, PDQ) already give them.
constexpr int kExitSuccess = 0;
constexpr int kExitBadCommandLine = 87;      // ERROR_INVALID_PARAMETER
constexpr int kExitInstallFailure = 1603;    // ERROR_INSTALL_FAILURE
constexpr int kExitAnotherInstaller = 1618;  // ERROR_INSTALL_ALREADY_RUNNING

// More words than any valid command line has; a longer one is refused.
constexpr int kMaxArguments = 16;

struct CommandWords {
    CString words[kMaxArguments];
    int count = 0;
    bool tooMany = false;  // the line had more words than fit
};

// The words after the program name, split by the rules of the Windows C
// runtime and CommandLineToArgvW: blanks separate words outside quotes, a
// quote toggles quoting anywhere in a word, 2n backslashes before a quote
// give n backslashes and the quote toggles, 2n+1 give n and a literal quote,
// backslashes elsewhere are literal, and "" inside quotes is a literal quote.
// The program name itself ends at its closing quote or the first blank.
CommandWords SplitCommandLine(const char* line);

enum class CommandAction {
    Wizard,   // no words: the pages, as always
    Install,  // /model: ...
    Remove,   // /remove /model: ...
    Usage,    // /?
    Refused,  // anything else; reason says why
};

struct CommandRequest {
    CommandAction action = CommandAction::Wizard;
    int modelRow = -1;     // 0-based catalogue row
    bool hasPort = false;  // /port: given
    CString port;          // its value as written
    bool setDefault = true;
    bool quiet = false;
    bool hasLog = false;  // /log: given
    CString logPath;      // its value as written
    CString reason;       // Refused: what is wrong, for the user and the log (UTF-8)
};

// Reads the words. Switches are case-insensitive, start with '/' or '-', and
// take their value after the first ':'. <m> is a row 1 to 23 or exactly a
// printer name of the catalogue. /? wins over everything else.
CommandRequest ParseCommand(const CommandWords& words);

// The port of an unattended installation among the spooler's ports, listed
// in enumeration order: the one /port: names (compared without regard to
// ASCII case, as the spooler does), else the port page's preselection.
// Only the rows the port page would list count. -1 when there is none.
int ResolvePortRow(const CommandRequest& request, const char* const* names, int count);

// The usage text shown for /? and for a refused command line (UTF-8).
const char* CommandUsageText();
