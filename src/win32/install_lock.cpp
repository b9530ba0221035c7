#include "win32/install_lock.h"

namespace {

// Global\ so that installers in other sessions (another user's, a service's)
// are excluded too.
const wchar_t kGlobalName[] = L"Global\\DriverSetup.Installation";
const wchar_t kLocalName[] = L"Local\\DriverSetup.Installation";

HANDLE OpenOrCreate(const wchar_t* name) {
    HANDLE mutex = ::CreateMutexW(nullptr, FALSE, name);
    // Created by another user's installer: waiting and releasing is all the
    // lock needs, and that much may still be granted.
    if (!mutex && ::GetLastError() == ERROR_ACCESS_DENIED)
        mutex = ::OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, name);
    return mutex;
}

// A wait result that gives this thread the mutex. An abandoned mutex is
// ours as well: an installer that was killed must not lock out the next.
bool Owns(DWORD wait) {
    return wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
}

}  // namespace

InstallLock::InstallLock() = default;

// The mutex itself is closed after this, by its owner.
InstallLock::~InstallLock() {
    if (m_held) ::ReleaseMutex(m_mutex.Get());
}

bool InstallLock::Open() {
    if (m_mutex) return true;
    HANDLE mutex = OpenOrCreate(kGlobalName);
    // Creating a Global\ object may be refused to processes without the
    // privilege for it; the session's namespace still excludes the common
    // case of two installers started by the same user.
    if (!mutex) mutex = OpenOrCreate(kLocalName);
    m_mutex.Reset(mutex);
    return m_mutex.IsValid();
}

bool InstallLock::TryAcquire() {
    if (m_held) return true;
    if (!Open()) return false;
    m_held = Owns(::WaitForSingleObject(m_mutex.Get(), 0));
    return m_held;
}

bool InstallLock::AcquireWaiting() {
    if (m_held) return true;
    if (!Open()) return false;
    HANDLE mutex = m_mutex.Get();
    for (;;) {
        DWORD wait = ::MsgWaitForMultipleObjects(1, &mutex, FALSE, INFINITE, QS_ALLINPUT);
        if (Owns(wait)) {
            m_held = true;
            return true;
        }
        if (wait != WAIT_OBJECT_0 + 1) return false;
        // The caller disables what must not be clicked meanwhile; the rest
        // of the thread's messages keep its windows painted.
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                // Leave the quit for the thread's own loop.
                ::PostQuitMessage(static_cast<int>(msg.wParam));
                return false;
            }
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
}
