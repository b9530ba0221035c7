// Machine-wide lock around one installation: two installers copying into the
// same driver directory at once would leave files that match neither
// package. Held from the first copy to the last registry value.
#pragma once

#include <windows.h>

#include "framework/scoped.h"

class InstallLock {
  public:
    InstallLock();
    ~InstallLock();  // releases if held

    // No wait; false when another installation holds it (or on error).
    bool TryAcquire();
    // Waits until free, keeping the calling thread's windows painted; false
    // only on error.
    bool AcquireWaiting();

    InstallLock(const InstallLock&) = delete;
    InstallLock& operator=(const InstallLock&) = delete;

  private:
    bool Open();

    CScopedHandle m_mutex;
    bool m_held = false;
};
