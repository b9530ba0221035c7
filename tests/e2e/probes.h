// What an installation leaves in the prefix, asked from inside it as the wizard sees it: the
// spooler's printers, drivers and driver directory, registry values and files. And the
// preparations that set the prefix up before the wizard runs: registry values and locks, printer
// and driver records, files and folders, files in use, a mutex another installer holds.
//
// Each function takes the command's argument text (fields separated by '|'); a malformed one
// throws SyntaxError, a preparation that cannot be made throws Failure. The expect_* functions
// return an Expectation for the player to poll.
#pragma once

#include "common.h"

namespace probes {

// expect-printer <name>|<port>|<driver>|<print processor>|<datatype>
Expectation Printer(const std::string& args);
// expect-no-printer <name>
Expectation NoPrinter(const std::string& args);
// expect-driver <environment>|<name>[|<field>=<value>...]
Expectation Driver(const std::string& args);
// expect-no-driver <environment>|<name>
Expectation NoDriver(const std::string& args);
// expect-driver-file <environment>|<file>[|<text>]
Expectation DriverFile(const std::string& args);
// expect-no-driver-file <environment>|<file>
Expectation NoDriverFile(const std::string& args);
// expect-reg <key>|<value>|<text>
Expectation RegValue(const std::string& args);
// expect-no-reg <key>[|<value>]
Expectation NoReg(const std::string& args);
// expect-file-line <path> <text> (exact = false), expect-file-lines <path> <a>|<b>... (true)
Expectation FileLines(const Line& l, bool exact);
// expect-file-contains <path> <text>
Expectation FileContains(const Line& l);
// expect-file-bom <path>: looks once.
void CheckFileBom(const std::string& path);
// expect-no-file <path>: looks once.
void CheckNoFile(const std::string& path);

void SetReg(const std::string& args);            // set-reg <key>|<value>|<text>
void DeleteRegKey(const std::string& key);       // delete-reg-key <key>
void DenyRegWrite(const std::string& key);       // deny-reg-write <key>
void AddPrinterRecord(const std::string& args);  // add-printer <name>|<port>|<driver>
void AddDriverRecord(const std::string& args);   // add-driver <environment>|<name>
void WriteTextFile(const std::string& args);     // write-file <path>|<text>
void MakeDir(const std::string& path);           // make-dir <path>

// What the driver holds on the wizard's behalf until the scenario ends: files kept open
// (hold-file) and the installers' mutex (hold-mutex, abandon-mutex, release-mutex).
class Holdings {
  public:
    Holdings() = default;
    ~Holdings();
    Holdings(const Holdings&) = delete;
    Holdings& operator=(const Holdings&) = delete;

    void HoldFile(const std::string& path);
    void HoldMutex(const std::string& name, DWORD waitMs);
    void ReleaseMutex();
    void AbandonMutex(const std::string& name);

  private:
    std::vector<HANDLE> files_;
    HANDLE mutex_ = nullptr;
};

}  // namespace probes
