#include "framework/app.h"

#include "framework/sysdll.h"
#include "framework/text.h"

namespace {

CWinApp* g_pApp = nullptr;
HINSTANCE g_hInstance = nullptr;

}  // namespace

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
ON_COMMAND(ID_HELP, OnHelp)
END_MESSAGE_MAP()

CWinApp::CWinApp(const char* appName) : m_hInstance(nullptr), m_pszAppName(appName), m_title() {
    g_pApp = this;
}

CWinApp::~CWinApp() {
    if (g_pApp == this) g_pApp = nullptr;
}

BOOL CWinApp::InitInstance() {
    return TRUE;
}

int CWinApp::ExitInstance() {
    return 0;
}

void CWinApp::InitTitle() {
    if (m_pszAppName) {
        CWideText name(m_pszAppName);
        lstrcpynW(m_title, name, MAX_PATH);
        return;
    }
    wchar_t path[MAX_PATH] = {};
    DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) path[0] = L'\0';
    const wchar_t* name = path;
    for (const wchar_t* p = path; *p; ++p)
        if (*p == L'\\' || *p == L'/') name = p + 1;
    lstrcpynW(m_title, name, MAX_PATH);
    wchar_t* dot = nullptr;
    for (wchar_t* p = m_title; *p; ++p)
        if (*p == L'.') dot = p;
    if (dot) *dot = L'\0';
}

CWinApp* AfxGetApp() {
    return g_pApp;
}

HINSTANCE AfxGetResourceHandle() {
    return g_hInstance;
}

CString AfxLoadString(UINT id) {
    const wchar_t* resource = nullptr;
    int length = ::LoadStringW(AfxGetResourceHandle(), id, reinterpret_cast<LPWSTR>(&resource), 0);
    if (length <= 0 || !resource) return CString();
    return WideToBytes(resource, length);
}

void AfxDebugLine(const char* text) {
    CString line(text);
    line += "\n";
    ::OutputDebugStringA(line);
}

void AfxEnableControlContainer() {}

BOOL Enable3dControlsStatic() {
    return TRUE;
}

int AfxWinMain(HINSTANCE instance) {
    sysdll::RestrictDllSearch();
    g_hInstance = instance;
    CWinApp* app = AfxGetApp();
    if (!app) return 1;
    app->m_hInstance = instance;
    app->InitTitle();

    if (app->InitInstance()) {
        MSG msg;
        while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    return app->ExitInstance();
}
