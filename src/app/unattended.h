// The program started with arguments: one action without any page, for
// deployment tools.
#pragma once

#include "core/command_line.h"
#include "framework/scoped.h"

// Said, with or without arguments, when the program's folder cannot become
// the current directory (UTF-8).
constexpr char kNoProgramFolderText[] = u8"错误：无法进入程序所在的文件夹，安装程序将退出。";

// The command line as read at start-up, before anything changes the current
// directory.
class CUnattendedCommand {
  public:
    CUnattendedCommand();
    ~CUnattendedCommand() = default;
    CUnattendedCommand(const CUnattendedCommand&) = delete;
    CUnattendedCommand& operator=(const CUnattendedCommand&) = delete;

    // Any word after the program name.
    bool HasArguments() const { return m_request.action != CommandAction::Wizard; }

    // Installs, removes or shows the usage as the command line asks, and
    // returns the process exit code. inProgramFolder: the program's folder
    // is the current directory, so the driver package can be found.
    int Run(bool inProgramFolder);

  private:
    CString m_lineUtf8;
    CommandRequest m_request;
    CHeapBlock<wchar_t> m_logPath;  // full path, resolved against the starting directory
};
