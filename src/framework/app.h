// The application object and the start-up sequence: WinMain runs the one
// CWinApp object's InitInstance, a message loop when it returns TRUE, and
// ExitInstance for the exit code.
#pragma once

#include <windows.h>

#include "base/cstring.h"
#include "framework/msgmap.h"

// The framework's standard help command.
constexpr UINT ID_HELP = 0xE146;

class CWinApp : public CCmdTarget {
  public:
    // appName nullptr: the title is the program file's name without extension.
    explicit CWinApp(const char* appName = nullptr);
    ~CWinApp() override;

    virtual BOOL InitInstance();
    virtual int ExitInstance();
    void OnHelp() {}

    const wchar_t* GetTitle() const { return m_title; }
    HINSTANCE m_hInstance;

  protected:
    DECLARE_MESSAGE_MAP()

  private:
    friend int AfxWinMain(HINSTANCE instance);
    void InitTitle();
    const char* m_pszAppName;
    wchar_t m_title[MAX_PATH];
};

CWinApp* AfxGetApp();
HINSTANCE AfxGetResourceHandle();
int AfxWinMain(HINSTANCE instance);

CString AfxLoadString(UINT id);

// Writes a text and a line feed to the debugger output.
void AfxDebugLine(const char* text);

// Kept for the start-up sequence; neither has anything to do on the systems
// the program runs on.
void AfxEnableControlContainer();
BOOL Enable3dControlsStatic();
