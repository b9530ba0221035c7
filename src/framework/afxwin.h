// A thin application framework over raw Win32: an application object, modal
// dialogs with per-class static message tables and data exchange, window
// objects for controls, list-view and progress-bar wrappers and the program's
// message box. Only as much as the wizard's pages use.
//
// Texts: the program's own texts are code page 936 byte strings. Wherever one
// is handed to the user interface it is converted from 936 explicitly and the
// wide API is used, so the pages read the same on any system code page. Texts
// that come from the system (spooler names) stay in the system's ANSI code
// page and go through the ANSI messages, so they round-trip unchanged.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <commctrl.h>

#include "base/cstring.h"
#include "framework/bit_cast.h"

constexpr UINT kProductCodePage = 936;

// The framework's standard help command.
constexpr UINT ID_HELP = 0xE146;

// ---------------------------------------------------------------------------
// Text conversion

// Owns the UTF-16 form of a code page 936 text (or of a text in another
// code page, such as CP_UTF8).
class CWideText {
  public:
    explicit CWideText(const char* text, UINT codePage = kProductCodePage);
    CWideText(const CWideText&) = delete;
    CWideText& operator=(const CWideText&) = delete;
    ~CWideText();
    const wchar_t* Get() const { return m_text ? m_text : L""; }
    operator const wchar_t*() const { return Get(); }  // NOLINT

  private:
    wchar_t* m_text;
};

// Code page 936 (or codePage) form of length UTF-16 units (-1: up to the
// terminating zero).
CString WideToBytes(const wchar_t* text, int length = -1, UINT codePage = kProductCodePage);

// ---------------------------------------------------------------------------
// Message tables

class CCmdTarget;
class CWnd;
class CDataExchange;

typedef void (CCmdTarget::*AFX_PMSG)();

enum AfxSig {
    AfxSig_end = 0,
    AfxSig_vv,   // void ()
    AfxSig_vwl,  // void (UINT, LPARAM)
    AfxSig_hv,   // HCURSOR ()
};

struct AFX_MSGMAP_ENTRY {
    UINT nMessage;
    UINT nCode;  // WM_COMMAND notification code
    UINT nID;    // WM_COMMAND control identifier
    AfxSig nSig;
    AFX_PMSG pfn;
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

template <typename Fn>
AFX_PMSG AfxMsgCast(Fn fn) {
    return AfxBitCast<AFX_PMSG>(fn);
}

#define DECLARE_MESSAGE_MAP()                         \
  protected:                                          \
    static const AFX_MSGMAP* GetThisMessageMap();     \
    const AFX_MSGMAP* GetMessageMap() const override; \
                                                      \
  private:

#define BEGIN_MESSAGE_MAP(theClass, baseClass)          \
    const AFX_MSGMAP* theClass::GetMessageMap() const { \
        return GetThisMessageMap();                     \
    }                                                   \
    const AFX_MSGMAP* theClass::GetThisMessageMap() {   \
        using ThisClass [[maybe_unused]] = theClass;    \
        typedef baseClass TheBaseClass;                 \
        static const AFX_MSGMAP_ENTRY entries[] = {
#define END_MESSAGE_MAP()                                                          \
    { 0, 0, 0, AfxSig_end, nullptr }                                               \
    }                                                                              \
    ;                                                                              \
    static const AFX_MSGMAP map = {&TheBaseClass::GetThisMessageMap, &entries[0]}; \
    return &map;                                                                   \
    }

#define ON_COMMAND(id, memberFxn)                              \
    {WM_COMMAND, BN_CLICKED, static_cast<UINT>(id), AfxSig_vv, \
     AfxMsgCast(static_cast<void (ThisClass::*)()>(&ThisClass::memberFxn))},
#define ON_BN_CLICKED(id, memberFxn) ON_COMMAND(id, memberFxn)
#define ON_CBN_SELCHANGE(id, memberFxn)                           \
    {WM_COMMAND, CBN_SELCHANGE, static_cast<UINT>(id), AfxSig_vv, \
     AfxMsgCast(static_cast<void (ThisClass::*)()>(&ThisClass::memberFxn))},
#define ON_WM_PAINT()           \
    {WM_PAINT, 0, 0, AfxSig_vv, \
     AfxMsgCast(static_cast<void (ThisClass::*)()>(&ThisClass::OnPaint))},
#define ON_WM_SYSCOMMAND()            \
    {WM_SYSCOMMAND, 0, 0, AfxSig_vwl, \
     AfxMsgCast(static_cast<void (ThisClass::*)(UINT, LPARAM)>(&ThisClass::OnSysCommand))},
#define ON_WM_QUERYDRAGICON()           \
    {WM_QUERYDRAGICON, 0, 0, AfxSig_hv, \
     AfxMsgCast(static_cast<HCURSOR (ThisClass::*)()>(&ThisClass::OnQueryDragIcon))},

class CCmdTarget {
  public:
    virtual ~CCmdTarget() = default;

  protected:
    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;
    // Finds the first entry for a message, walking from this class to its bases.
    const AFX_MSGMAP_ENTRY* FindMessageEntry(UINT message, UINT code, UINT id) const;
};

// ---------------------------------------------------------------------------
// Windows

class CWnd : public CCmdTarget {
  public:
    CWnd() : m_hWnd(nullptr) {}
    explicit CWnd(HWND hWnd) : m_hWnd(hWnd) {}
    ~CWnd() override;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    // Window object of a child control, owned by this window object and
    // valid while its window exists; nullptr when there is no such control.
    CWnd* GetDlgItem(int id);
    // Text in the product's code page.
    void SetDlgItemText(int id, const char* text);
    BOOL EnableWindow(BOOL enable);
    BOOL IsIconic() const;
    void GetClientRect(RECT* rect) const;
    HMENU GetSystemMenu(BOOL revert) const;
    HICON SetIcon(HICON icon, BOOL bigIcon);
    // Adds a code page 936 text as the last entry of a combo box.
    int AddComboString(const char* text);

    HWND m_hWnd;

  protected:
    void ReleaseChildren();

  private:
    struct Child {
        int id;
        CWnd* wnd;
    };
    static constexpr int kMaxChildren = 40;
    Child m_children[kMaxChildren] = {};
};

class CDataExchange {
  public:
    CDataExchange(CWnd* dlg, BOOL saveAndValidate)
        : m_pDlgWnd(dlg), m_bSaveAndValidate(saveAndValidate) {}
    CWnd* m_pDlgWnd;
    BOOL m_bSaveAndValidate;
};

// Binds a control object to the dialog's control with that identifier.
void DDX_Control(CDataExchange* pDX, int id, CWnd& control);

class CDialog : public CWnd {
  public:
    CDialog(UINT templateId, CWnd* parent = nullptr);
    ~CDialog() override = default;

    // Runs the dialog; IDOK, IDCANCEL, another EndDialog value, or -1 when
    // the dialog cannot be created.
    virtual INT_PTR DoModal();
    void EndDialog(int result);
    BOOL UpdateData(BOOL saveAndValidate = TRUE);

    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();

  protected:
    virtual void DoDataExchange(CDataExchange* pDX);
    // Inside a handler: let the platform's default processing have the message.
    void Default() { m_bHandled = false; }

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;

    DECLARE_MESSAGE_MAP()

  private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam, bool* handled);
    // Gives combo boxes the items that the dialog's item list resource holds.
    void ExecuteDlgInit();

    bool m_bHandled = true;
};

class CListCtrl : public CWnd {
  public:
    // The heading is a product text (code page 936).
    int InsertColumn(int column, const char* heading, int format = LVCFMT_LEFT, int width = -1);
    // Width in pixels at 96 DPI; the program is DPI aware, so it is scaled to
    // the system's DPI like the dialog's own layout.
    BOOL SetColumnWidth(int column, int width);
    DWORD GetExtendedStyle() const;
    DWORD SetExtendedStyle(DWORD exStyle);
    // Clears the remove bits, sets the add bits, keeps the others.
    void ModifyExtendedStyle(DWORD remove, DWORD add);
    // Row texts are system texts (ANSI code page), or UTF-16.
    int InsertItem(int index, const char* text);
    int InsertItem(int index, const wchar_t* text);
    BOOL SetItemText(int index, int subItem, const char* text);
    BOOL SetItemText(int index, int subItem, const wchar_t* text);
    CString GetItemText(int index, int subItem) const;
    BOOL SetItemState(int index, UINT state, UINT mask);
    UINT GetItemState(int index, UINT mask) const;
    int GetItemCount() const;
    BOOL DeleteAllItems();
    // First row whose state includes LVIS_SELECTED, or -1.
    int FindSelectedRow() const;
};

class CProgressCtrl : public CWnd {
  public:
    void SetRange(short lower, short upper);
    int SetPos(int pos);
};

class CPaintDC {
  public:
    explicit CPaintDC(CWnd* wnd);
    ~CPaintDC();
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;
    HDC GetSafeHdc() const { return m_hDC; }
    void DrawIcon(int x, int y, HICON icon) { ::DrawIcon(m_hDC, x, y, icon); }

    HDC m_hDC;
    PAINTSTRUCT m_ps;

  private:
    HWND m_hWnd;
};

// ---------------------------------------------------------------------------
// Application

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

// The program's message box: code page 936 text, the exclamation icon unless
// the type names another, captioned with the application title.
int AfxMessageBox(const char* text, UINT type = MB_OK, UINT helpId = 0);
// The same for a UTF-16 text, and for a UTF-8 one.
int AfxMessageBoxW(const wchar_t* text, UINT type = MB_OK);
int AfxMessageBoxUtf8(const char* text, UINT type = MB_OK);

CString AfxLoadString(UINT id);

// Writes a text and a line feed to the debugger output.
void AfxDebugLine(const char* text);

// Kept for the start-up sequence; neither has anything to do on the systems
// the program runs on.
void AfxEnableControlContainer();
BOOL Enable3dControlsStatic();
