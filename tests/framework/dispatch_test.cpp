// The framework's message dispatch, run under Wine: a handler that runs a
// nested modal dialog, during which its own page is repainted by a handler
// that leaves WM_PAINT to the default processing, must still be the one
// answer to its message. Were the outer message handed to the default
// processing as well, a WM_SYSCOMMAND SC_CLOSE that the page handles itself
// would also close the page (DefWindowProc sends WM_CLOSE, the dialog turns
// it into IDCANCEL).
#include <windows.h>

#include <cstdio>

#include "dispatch_test.h"
#include "framework/app.h"
#include "framework/dialog.h"

namespace {

// Shown inside the page's handler: repaints the page at once, the way a
// dialog moved over it or a message box closing would, then ends.
class CNestedDlg : public CDialog {
  public:
    explicit CNestedDlg(CWnd* page) : CDialog(IDD_NESTED, page), m_page(page) {}

  protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        ::RedrawWindow(m_page->m_hWnd, nullptr, nullptr,
                       RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        EndDialog(IDOK);
        return TRUE;
    }

  private:
    CWnd* m_page;
};

struct Case {
    const char* name;
    bool nested;         // the handler runs the nested dialog
    bool leaveDefault;   // the handler then hands the message on with Default()
    bool closeExpected;  // the default processing got the SC_CLOSE
};

const Case kCases[] = {
    {"handled", false, false, false},
    {"handled after a nested dialog that repainted the page", true, false, false},
    {"left to the default processing", false, true, true},
    {"left to the default processing after a nested dialog", true, true, true},
};

// Handles SC_CLOSE itself as the case says. The page ends with IDOK once
// every message the SC_CLOSE caused has been seen; the default processing's
// close shows as a call of OnCancel.
class CPageDlg : public CDialog {
  public:
    explicit CPageDlg(const Case& c) : CDialog(IDD_PAGE, nullptr), m_case(c) {}

    int m_paints = 0;
    bool m_cancelled = false;

  protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        ::PostMessageW(m_hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
        return TRUE;
    }
    void OnCancel() override { m_cancelled = true; }

    // void OnSysCommand(UINT nID, LPARAM lParam)
    void OnSysCommand(UINT nID, LPARAM) {
        if ((nID & 0xFFF0u) != SC_CLOSE) {
            Default();
            return;
        }
        if (m_case.nested) {
            CNestedDlg nested(this);
            nested.DoModal();
        }
        if (m_case.leaveDefault) Default();
        // Whatever the default processing posts comes before this.
        ::PostMessageW(m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_DONE, BN_CLICKED), 0);
    }
    void OnPaint() {
        ++m_paints;
        Default();
    }
    void OnDone() {
        // One more round, for a close that was posted rather than sent.
        if (!m_drained) {
            m_drained = true;
            ::PostMessageW(m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_DONE, BN_CLICKED), 0);
            return;
        }
        EndDialog(IDOK);
    }

    DECLARE_MESSAGE_MAP()

  private:
    const Case& m_case;
    bool m_drained = false;
};

BEGIN_MESSAGE_MAP(CPageDlg, CDialog)
ON_WM_SYSCOMMAND()
ON_WM_PAINT()
ON_COMMAND(IDC_DONE, OnDone)
END_MESSAGE_MAP()

class CTestApp : public CWinApp {
  public:
    BOOL InitInstance() override {
        for (const Case& c : kCases) {
            CPageDlg page(c);
            INT_PTR result = page.DoModal();
            bool ok = result == IDOK && page.m_cancelled == c.closeExpected &&
                      (!c.nested || page.m_paints > 0);
            std::printf(
                "%s %s: page closed by the default processing: expected %s, got %s"
                " (DoModal %d, repaints %d)\n",
                ok ? "ok  " : "FAIL", c.name, c.closeExpected ? "yes" : "no",
                page.m_cancelled ? "yes" : "no", static_cast<int>(result), page.m_paints);
            if (!ok) m_failures++;
        }
        std::fflush(stdout);
        return FALSE;
    }
    int ExitInstance() override { return m_failures == 0 ? 0 : 1; }

  private:
    int m_failures = 0;
};

CTestApp theApp;

}  // namespace
