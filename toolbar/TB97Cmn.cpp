#include "TB97Cmn.h"

#include <memory>
#include <string>
#include <vector>

#include "GdiCount.h"
#include "SysUtils.h"

TGetToolbarDockPosProcType GetToolbarDockPosProc = nullptr;

// ---- Hook registry ---------------------------------------------------------------------
//
// The state is constant-initialised plain data (no constructor runs for it), so that it is
// valid throughout program start and end, whatever order other units' statics take.

namespace {

struct THookProcData {
    THookProc Proc;
    int32_t RefCount;
    THookProcCodes Codes;
    // Cleared when the registration goes while a dispatch may still hold it; such records
    // wait in RetiredHookProcs until the outermost dispatch ends.
    bool Alive;
};

using THookProcList = std::vector<std::unique_ptr<THookProcData>>;

LRESULT CALLBACK CallWndProcHook(int Code, WPARAM WParam, LPARAM LParam);
LRESULT CALLBACK CBTHook(int Code, WPARAM WParam, LPARAM LParam);
LRESULT CALLBACK GetMessageHook(int Code, WPARAM WParam, LPARAM LParam);

struct THookKind {
    int Kind;
    HOOKPROC Dispatch;
    HHOOK Handle;
    int32_t UseCount;
};

enum : size_t { hkCallWndProc, hkCBT, hkGetMessage, hkCount };

THookKind HookKinds[hkCount] = {
    {WH_CALLWNDPROC, CallWndProcHook, nullptr, 0},
    {WH_CBT, CBTHook, nullptr, 0},
    {WH_GETMESSAGE, GetMessageHook, nullptr, 0},
};

THookProcList* HookProcList = nullptr;      // null while nothing is registered
THookProcList* RetiredHookProcs = nullptr;  // uninstalled during a dispatch
int DispatchDepth = 0;

struct THookKindSet {
    bool Uses[hkCount] = {};
};

THookKindSet HookKindsOf(THookProcCodes codes)
{
    THookKindSet s;
    s.Uses[hkCallWndProc] = codes.Contains(hpSendActivateApp) || codes.Contains(hpSendWindowPosChanged);
    s.Uses[hkCBT] = codes.Contains(hpPreDestroy);
    s.Uses[hkGetMessage] = codes.Contains(hpPostMouseMove);
    return s;
}

void RemoveHook(THookKind& kind)
{
    if (kind.Handle) {
        UnhookWindowsHookEx(kind.Handle);
        kind.Handle = nullptr;
    }
}

void ResetHooks()
{
    for (THookKind& kind : HookKinds) {
        RemoveHook(kind);
        kind.UseCount = 0;
    }
}

THookProcData* FindHookProc(THookProc proc)
{
    if (!HookProcList)
        return nullptr;
    for (const auto& rec : *HookProcList)
        if (rec->Proc == proc)
            return rec.get();
    return nullptr;
}

void RemoveHookProcRecord(THookProcData* rec)
{
    for (auto it = HookProcList->begin(); it != HookProcList->end(); ++it) {
        if (it->get() != rec)
            continue;
        std::unique_ptr<THookProcData> owned = std::move(*it);
        HookProcList->erase(it);
        if (DispatchDepth > 0) {
            owned->Alive = false;
            if (!RetiredHookProcs)
                RetiredHookProcs = new THookProcList;
            RetiredHookProcs->push_back(std::move(owned));
        }
        return;
    }
}

// Held by every dispatch: records that leave meanwhile stay readable until the last ends.
struct TDispatchScope {
    TDispatchScope() { ++DispatchDepth; }
    ~TDispatchScope()
    {
        if (--DispatchDepth == 0 && RetiredHookProcs) {
            delete RetiredHookProcs;
            RetiredHookProcs = nullptr;
        }
    }
    TDispatchScope(const TDispatchScope&) = delete;
    TDispatchScope& operator=(const TDispatchScope&) = delete;
};

// Calls the registrations that want Code, in list order, as the list stood when the event
// arrived; registrations made during the walk wait for the next event, and those removed
// during it are skipped.
void DispatchHookEvent(THookProcCode code, HWND wnd, WPARAM wParam, LPARAM lParam)
{
    if (!HookProcList)
        return;
    TDispatchScope scope;
    std::vector<THookProcData*> snapshot;
    snapshot.reserve(HookProcList->size());
    for (const auto& rec : *HookProcList)
        snapshot.push_back(rec.get());
    for (THookProcData* rec : snapshot) {
        if (!rec->Alive || !rec->Codes.Contains(code))
            continue;
        try {
            rec->Proc(code, wnd, wParam, lParam);
        } catch (...) {
            // A watcher's failure must not stop the others or the message.
        }
    }
}

LRESULT CALLBACK CallWndProcHook(int Code, WPARAM WParam, LPARAM LParam)
{
    try {
        if (HookProcList && Code == HC_ACTION) {
            const auto* msg = reinterpret_cast<const CWPSTRUCT*>(LParam);
            if (msg->message == WM_ACTIVATEAPP)
                DispatchHookEvent(hpSendActivateApp, msg->hwnd, msg->wParam, msg->lParam);
            else if (msg->message == WM_WINDOWPOSCHANGED)
                DispatchHookEvent(hpSendWindowPosChanged, msg->hwnd, msg->wParam, msg->lParam);
        }
    } catch (...) {
    }
    return CallNextHookEx(HookKinds[hkCallWndProc].Handle, Code, WParam, LParam);
}

LRESULT CALLBACK CBTHook(int Code, WPARAM WParam, LPARAM LParam)
{
    try {
        if (HookProcList && Code == HCBT_DESTROYWND)
            DispatchHookEvent(hpPreDestroy, reinterpret_cast<HWND>(WParam), 0, 0);
    } catch (...) {
    }
    return CallNextHookEx(HookKinds[hkCBT].Handle, Code, WParam, LParam);
}

LRESULT CALLBACK GetMessageHook(int Code, WPARAM WParam, LPARAM LParam)
{
    try {
        // WParam says whether the message leaves the queue; both are reported.
        if (HookProcList && Code == HC_ACTION) {
            const auto* msg = reinterpret_cast<const MSG*>(LParam);
            if (msg->message == WM_MOUSEMOVE)
                DispatchHookEvent(hpPostMouseMove, msg->hwnd, msg->wParam, msg->lParam);
        }
    } catch (...) {
    }
    return CallNextHookEx(HookKinds[hkGetMessage].Handle, Code, WParam, LParam);
}

// Hooks still installed at program end are removed whatever their counts.
struct THookRegistryFinalization {
    ~THookRegistryFinalization()
    {
        ResetHooks();
        delete HookProcList;
        HookProcList = nullptr;
        delete RetiredHookProcs;
        RetiredHookProcs = nullptr;
    }
} HookRegistryFinalization;

const THookKind* HookKindOf(int hookKind)
{
    for (const THookKind& kind : HookKinds)
        if (kind.Kind == hookKind)
            return &kind;
    return nullptr;
}

}  // namespace

void InstallHookProc(THookProc Proc, THookProcCodes Codes, bool CountOnly)
{
    if (!HookProcList)
        HookProcList = new THookProcList;
    if (THookProcData* rec = FindHookProc(Proc)) {
        ++rec->RefCount;
    } else {
        try {
            HookProcList->push_back(std::make_unique<THookProcData>(THookProcData{Proc, 1, Codes, true}));
        } catch (...) {
            if (HookProcList->empty()) {
                delete HookProcList;
                HookProcList = nullptr;
            }
            throw;
        }
    }
    if (CountOnly)
        return;
    const THookKindSet kinds = HookKindsOf(Codes);
    for (size_t i = 0; i < hkCount; ++i) {
        if (!kinds.Uses[i])
            continue;
        THookKind& kind = HookKinds[i];
        ++kind.UseCount;
        // A failure leaves the handle null, so that the next installation tries again.
        if (!kind.Handle)
            kind.Handle = SetWindowsHookExW(kind.Kind, kind.Dispatch, nullptr, GetCurrentThreadId());
    }
}

void UninstallHookProc(THookProc Proc)
{
    if (!HookProcList)
        return;
    if (THookProcData* rec = FindHookProc(Proc)) {
        const THookKindSet kinds = HookKindsOf(rec->Codes);
        if (--rec->RefCount == 0)
            RemoveHookProcRecord(rec);
        for (size_t i = 0; i < hkCount; ++i) {
            if (!kinds.Uses[i])
                continue;
            THookKind& kind = HookKinds[i];
            if (kind.UseCount > 0)
                --kind.UseCount;
            if (kind.UseCount == 0)
                RemoveHook(kind);
        }
    }
    if (HookProcList->empty()) {
        delete HookProcList;
        HookProcList = nullptr;
        // Back to the initial state even when a procedure was installed again with other
        // codes than its first: no registration needs any hook now.
        ResetHooks();
    }
}

bool HookRegistrationListExists()
{
    return HookProcList != nullptr;
}

int HookRegistrationCount()
{
    return HookProcList ? static_cast<int>(HookProcList->size()) : 0;
}

int32_t HookProcRefCount(THookProc Proc)
{
    const THookProcData* rec = FindHookProc(Proc);
    return rec ? rec->RefCount : 0;
}

THookProcCodes HookProcRegisteredCodes(THookProc Proc)
{
    const THookProcData* rec = FindHookProc(Proc);
    return rec ? rec->Codes : THookProcCodes{};
}

bool HookInstalled(int HookKind)
{
    const THookKind* kind = HookKindOf(HookKind);
    return kind && kind->Handle != nullptr;
}

int32_t HookUseCount(int HookKind)
{
    const THookKind* kind = HookKindOf(HookKind);
    return kind ? kind->UseCount : 0;
}

// ---- Sorting ----------------------------------------------------------------------------

namespace {

// With a consistent order neither scan ever leaves L..R (the pivot and each exchanged item
// stop it); one that does would go on to read past the list or loop for ever, so it ends
// the sort with the list's index error.
void* ItemInRange(const TList& list, int index, int L, int R)
{
    if (index < L || index > R)
        throw EListError(L"List index out of bounds (" + std::to_wstring(index) + L")");
    return list.Get(index);
}

void QuickSort(TList& list, int L, int R, TListSortExCompare compare, void* extraData)
{
    int I;
    do {
        I = L;
        int J = R;
        void* pivot = list.Get(static_cast<int>((static_cast<unsigned>(L) + static_cast<unsigned>(R)) >> 1));
        do {
            while (compare(ItemInRange(list, I, L, R), pivot, extraData) < 0)
                ++I;
            while (compare(ItemInRange(list, J, L, R), pivot, extraData) > 0)
                --J;
            if (I <= J) {
                list.Exchange(I, J);
                ++I;
                --J;
            }
        } while (I <= J);
        if (L < J)
            QuickSort(list, L, J, compare, extraData);
        L = I;
    } while (I < R);
}

}  // namespace

void ListSortEx(TList& List, TListSortExCompare Compare, void* ExtraData)
{
    if (List.Count() < 2)
        return;
    QuickSort(List, 0, List.Count() - 1, Compare, ExtraData);
}

// ---- Painting helpers ---------------------------------------------------------------------

namespace {

void MoveOrigin(HDC dc, POINT by)
{
    OffsetWindowOrgEx(dc, -by.x, -by.y, nullptr);
}

bool HasVisibleStyle(HWND wnd)
{
    return (GetWindowLongW(wnd, GWL_STYLE) & WS_VISIBLE) != 0;
}

struct TWindowCollector {
    HWND Of;
    std::vector<HWND> Found;
};

BOOL CALLBACK CollectDirectChild(HWND child, LPARAM data)
{
    auto* c = reinterpret_cast<TWindowCollector*>(data);
    try {
        if (GetAncestor(child, GA_PARENT) == c->Of && HasVisibleStyle(child))
            c->Found.push_back(child);
    } catch (...) {
    }
    return TRUE;
}

BOOL CALLBACK CollectOwned(HWND top, LPARAM data)
{
    auto* c = reinterpret_cast<TWindowCollector*>(data);
    try {
        if (GetWindow(top, GW_OWNER) == c->Of && HasVisibleStyle(top))
            c->Found.push_back(top);
    } catch (...) {
    }
    return TRUE;
}

// Prints w at its own place in wnd's client area; the DC's origin is wnd's client origin.
void PrintInto(HWND wnd, HDC dc, HWND w, LPARAM flags)
{
    RECT r{};
    GetWindowRect(w, &r);
    MapWindowPoints(nullptr, wnd, reinterpret_cast<POINT*>(&r), 2);
    TDCStateGuard save(dc);
    MoveOrigin(dc, POINT{r.left, r.top});
    IntersectClipRect(dc, 0, 0, r.right - r.left, r.bottom - r.top);
    SendMessageW(w, WM_PRINT, reinterpret_cast<WPARAM>(dc), flags);
}

}  // namespace

void SelectNCUpdateRgn(HWND Wnd, HDC DC, HRGN Rgn)
{
    if (!Rgn || Rgn == reinterpret_cast<HRGN>(1))
        return;
    RECT r{};
    GetWindowRect(Wnd, &r);
    if (SelectClipRgn(DC, Rgn) == ERROR) {
        HRGN whole = CountedCreateRectRgnIndirect(&r);
        SelectClipRgn(DC, whole);
        CountedDeleteObject(whole);
    }
    // The region is in screen coordinates; the window DC's are the window's own.
    OffsetClipRgn(DC, -r.left, -r.top);
}

void HandleWMPrint(HWND Wnd, TMessage& Message, THandleWMPrintNCPaintProc NCPaintFunc, LPARAM AppData)
{
    HDC dc = reinterpret_cast<HDC>(Message.WParam);
    const LPARAM flags = Message.LParam;
    if (!(flags & PRF_CHECKVISIBLE) || IsWindowVisible(Wnd)) {
        TDCStateGuard whole(dc);
        if (flags & PRF_NONCLIENT) {
            TDCStateGuard save(dc);
            if (NCPaintFunc)
                NCPaintFunc(Wnd, dc, AppData);
        }
        RECT wr{};
        GetWindowRect(Wnd, &wr);
        POINT origin{0, 0};
        ClientToScreen(Wnd, &origin);
        origin.x -= wr.left;
        origin.y -= wr.top;
        if (flags & PRF_CLIENT) {
            // Without PRF_NONCLIENT the DC stands for the client area already.
            if (flags & PRF_ERASEBKGND) {
                TDCStateGuard save(dc);
                if (flags & PRF_NONCLIENT)
                    MoveOrigin(dc, origin);
                SendMessageW(Wnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
            }
            {
                TDCStateGuard save(dc);
                if (flags & PRF_NONCLIENT)
                    MoveOrigin(dc, origin);
                SendMessageW(Wnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), 0);
            }
            MoveOrigin(dc, origin);
            if (flags & PRF_CHILDREN) {
                TWindowCollector children{Wnd, {}};
                EnumChildWindows(Wnd, CollectDirectChild, reinterpret_cast<LPARAM>(&children));
                for (HWND child : children.Found)
                    PrintInto(Wnd, dc, child, PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND | PRF_CHILDREN);
            }
            if (flags & PRF_OWNED) {
                TWindowCollector owned{Wnd, {}};
                EnumWindows(CollectOwned, reinterpret_cast<LPARAM>(&owned));
                for (HWND w : owned.Found)
                    PrintInto(Wnd, dc, w, flags);
            }
        }
    }
    Message.Result = 1;
}

void HandleWMPrintClient(TWinControl* Control, TMessage& Message)
{
    HDC dc = reinterpret_cast<HDC>(Message.WParam);
    TMessage paint{WM_PAINT, Message.WParam, 0, 0};
    TDCStateGuard save(dc);
    Control->PaintHandler(paint);
}

bool ApplicationIsActive()
{
    return GetActiveWindow() != nullptr;
}
