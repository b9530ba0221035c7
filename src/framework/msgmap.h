// Per-class static message tables: each dialog class lists the messages it
// handles and the member function for each; a class finds an entry in its
// own table first, then in its bases'.
#pragma once

#include <windows.h>

#include "framework/bit_cast.h"

class CCmdTarget;

// A table holds every handler as a member of CCmdTarget. The entries convert
// with static_cast, so the compiler checks each handler's signature and that
// its class derives from CCmdTarget, and adjusts the pointer. A handler whose
// signature is not void () is converted to its own CCmdTarget type first;
// only then is it stored through AfxBitCast, and Dispatch converts it back
// for the entry's AfxSig. The handler's signature is written beside each
// entry macro.
typedef void (CCmdTarget::*AFX_PMSG)();
typedef void (CCmdTarget::*AFX_PMSG_vwl)(UINT, LPARAM);
typedef HCURSOR (CCmdTarget::*AFX_PMSG_hv)();

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

// void memberFxn()
#define ON_COMMAND(id, memberFxn)                              \
    {WM_COMMAND, BN_CLICKED, static_cast<UINT>(id), AfxSig_vv, \
     static_cast<AFX_PMSG>(&ThisClass::memberFxn)},
// void memberFxn()
#define ON_BN_CLICKED(id, memberFxn) ON_COMMAND(id, memberFxn)
// void memberFxn()
#define ON_CBN_SELCHANGE(id, memberFxn)                           \
    {WM_COMMAND, CBN_SELCHANGE, static_cast<UINT>(id), AfxSig_vv, \
     static_cast<AFX_PMSG>(&ThisClass::memberFxn)},
// void OnPaint()
#define ON_WM_PAINT() {WM_PAINT, 0, 0, AfxSig_vv, static_cast<AFX_PMSG>(&ThisClass::OnPaint)},
// void OnSysCommand(UINT nID, LPARAM lParam)
#define ON_WM_SYSCOMMAND()            \
    {WM_SYSCOMMAND, 0, 0, AfxSig_vwl, \
     AfxBitCast<AFX_PMSG>(static_cast<AFX_PMSG_vwl>(&ThisClass::OnSysCommand))},
// HCURSOR OnQueryDragIcon()
#define ON_WM_QUERYDRAGICON()           \
    {WM_QUERYDRAGICON, 0, 0, AfxSig_hv, \
     AfxBitCast<AFX_PMSG>(static_cast<AFX_PMSG_hv>(&ThisClass::OnQueryDragIcon))},

class CCmdTarget {
  public:
    virtual ~CCmdTarget() = default;

  protected:
    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;
    // Finds the first entry for a message, walking from this class to its bases.
    const AFX_MSGMAP_ENTRY* FindMessageEntry(UINT message, UINT code, UINT id) const;
};
