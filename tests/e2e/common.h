// What the UI driver's parts share: text conversion and output, the scenario line, the ways a
// command fails, and the shape of a check that is polled until it holds.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// Everything is compared as UTF-16; output is UTF-8.
std::string ToUtf8(const std::wstring& w);
std::wstring FromUtf8(const std::string& s);
// Quoted for messages, so that leading or trailing blanks and empty texts stay visible.
std::string Q(const std::wstring& w);
// Shows a text with its zero units visible, as the registry holds it.
std::string ShowZeros(const std::wstring& w);
std::string Fmt(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::wstring Join(const std::vector<std::wstring>& v, const wchar_t* sep);
bool StartsWith(const std::wstring& s, const std::wstring& prefix);

// One line of the driver's log, with the seconds since the start; safe from any thread.
void Out(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
void InitOut();

struct Line {
    int number;
    std::string raw;
    std::string cmd;
    std::vector<std::string> words;  // arguments split at blanks
    std::string rest;                // everything after the command, blanks inside kept
};

std::string Trim(const std::string& s);
// Returns the text after the first n blank-separated words of s.
std::string After(const std::string& s, int n);
bool ParseInt(const std::string& s, long* v);
// The fields of a command argument written as <a>|<b>|...
std::vector<std::wstring> Fields(const std::string& s);

// A check that did not hold: the driver prints it with the line and dumps the windows.
class Failure {
  public:
    explicit Failure(std::string what) : what_(std::move(what)) {}
    const std::string& what() const { return what_; }

  private:
    std::string what_;
};

// The scenario itself is wrong (unknown command, missing argument).
class SyntaxError : public Failure {
    using Failure::Failure;
};

// The case cannot run here (require-os).
class Skip : public Failure {
    using Failure::Failure;
};

// A state to reach: what is expected, and a look that fills in what is found and says whether
// it matches. The player polls it; on time-out the failure reads "expected <what>, found ...".
struct Expectation {
    std::string what;
    std::function<bool(std::string* found)> holds;
};

// The file's lines without their line ends and surrounding blanks; false if it cannot be read.
bool ReadLines(const std::wstring& path, std::vector<std::string>* lines);
bool ReadFileBytes(const std::wstring& path, std::string* bytes);
// A path with its %VARIABLE%s replaced from the driver's environment (the wizard's is the same).
std::wstring Expand(const std::wstring& path);
