// TCustomToolWindow97: construction, changes of parent between docks and floating parents,
// last-dock membership, streaming quirks, keeping a floating window on screen, setters.
#include "TB97.h"

#include <algorithm>
#include <cstdio>

#include "LayoutText.h"

#include "Tb97cnst.h"
#include "Tb97vers.h"

TList* FloatingWindowList = nullptr;

// ---- unit functions -------------------------------------------------------------------------

TDockType GetDockTypeOf(const TDock97* dock)
{
    if (!dock)
        return dtNotDocked;
    return DockTypeOfPosition(dock->Position());
}

void RecalcFrame(TWinControl* control)
{
    if (control && control->HandleAllocated())
        SetWindowPos(control->Handle(), nullptr, 0, 0, 0, 0,
                     SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void GetFrameAndClientRects(HWND wnd, RECT& frame, RECT& client)
{
    RECT w{};
    GetWindowRect(wnd, &w);
    frame = RECT{0, 0, w.right - w.left, w.bottom - w.top};
    POINT origin{0, 0};
    ::ClientToScreen(wnd, &origin);
    GetClientRect(wnd, &client);
    OffsetRect(&client, origin.x - w.left, origin.y - w.top);
}

TCustomForm* GetToolWindowParentForm(const TCustomToolWindow97* toolWindow)
{
    TCustomForm* outermost = nullptr;
    for (TWinControl* p = toolWindow->Parent(); p; p = p->Parent())
        if (auto* form = dynamic_cast<TCustomForm*>(p))
            outermost = form;
    if (auto* floating = dynamic_cast<TFloatingWindowParent*>(outermost))
        return floating->OwnerForm();
    return outermost;
}

TCustomForm* ValidToolWindowParentForm(const TCustomToolWindow97* toolWindow)
{
    TCustomForm* form = GetToolWindowParentForm(toolWindow);
    if (!form)
        throw EInvalidOperation(L"コントロール '" + toolWindow->Name() + L"' は親ウィンドウを持っていません");
    return form;
}

TDock97* AsDock(TWinControl* control)
{
    return dynamic_cast<TDock97*>(control);
}

namespace {

TGetToolbarDockPosType ToolbarDockPos(TControl* control)
{
    for (TControl* c = control; c; c = c->Parent())
        if (auto* bar = dynamic_cast<TCustomToolWindow97*>(c)) {
            if (TDock97* dock = bar->DockedTo())
                return static_cast<TGetToolbarDockPosType>(dock->Position());
            return gtpNone;
        }
    return gtpNone;
}

// Floating parents are numbered, not named after their address: the low 32 bits of two
// live addresses can be equal on 64-bit Windows.
uint32_t NextFloatingParentNumber()
{
    static uint32_t counter = 0;
    for (;;) {
        const uint32_t n = ++counter;
        wchar_t name[40];
        swprintf(name, 40, L"TB97FloatingWindowParent_%.8X", n);
        bool inUse = false;
        for (int i = 0; Screen && i < Screen->FormCount() && !inUse; ++i)
            inUse = Screen->Forms(i)->Name() == name;
        if (!inUse)
            return n;
    }
}

}  // namespace

// ---- monitors -----------------------------------------------------------------------------

namespace {

TMonitorLookup& MonitorLookup()
{
    static TMonitorLookup lookup;
    return lookup;
}

}  // namespace

TMonitorFunctions LookUpMonitorFunctions()
{
    TMonitorFunctions f;
    if (HMODULE user32 = GetModuleHandleW(L"user32.dll")) {
        f.MonitorFromRect = reinterpret_cast<decltype(f.MonitorFromRect)>(
            reinterpret_cast<void*>(GetProcAddress(user32, "MonitorFromRect")));
        f.MonitorFromPoint = reinterpret_cast<decltype(f.MonitorFromPoint)>(
            reinterpret_cast<void*>(GetProcAddress(user32, "MonitorFromPoint")));
        f.GetMonitorInfoA = reinterpret_cast<decltype(f.GetMonitorInfoA)>(
            reinterpret_cast<void*>(GetProcAddress(user32, "GetMonitorInfoA")));
    }
    f.MonitorCount = GetSystemMetrics(SM_CMONITORS);
    return f;
}

TMonitorLookup SetMonitorLookup(TMonitorLookup lookup)
{
    TMonitorLookup previous = std::move(MonitorLookup());
    MonitorLookup() = std::move(lookup);
    return previous;
}

namespace {

TMonitorFunctions CurrentMonitorFunctions()
{
    return MonitorLookup() ? MonitorLookup()() : LookUpMonitorFunctions();
}

}  // namespace

bool MultipleMonitors()
{
    const int count = CurrentMonitorFunctions().MonitorCount;
    return count != 0 && count != 1;
}

RECT PrimaryWorkArea()
{
    RECT r{};
    if (SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0))
        return r;
    return RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

RECT WorkAreaOfRect(const RECT& r)
{
    const TMonitorFunctions f = CurrentMonitorFunctions();
    if (f.MonitorCount != 0 && f.MonitorCount != 1 && f.MonitorFromRect && f.MonitorFromPoint && f.GetMonitorInfoA) {
        HMONITOR monitor = f.MonitorFromRect(&r, MONITOR_DEFAULTTONEAREST);
        MONITORINFO info{};
        info.cbSize = 40;
        if (f.GetMonitorInfoA(monitor, &info))
            return info.rcWork;
    }
    return PrimaryWorkArea();
}

// ---- class info -----------------------------------------------------------------------------

const TClassInfo& TCustomToolWindow97::StaticClassInfo()
{
    // The outer size always follows from the contents: never stored.
    static const TClassInfo info =
        TClassBuilder<TCustomToolWindow97>(L"TCustomToolWindow97", &TCustomControl::StaticClassInfo())
            .Integer(L"Width", &TCustomToolWindow97::Width, &TCustomToolWindow97::SetWidth)
            .NeverStored()
            .Integer(L"Height", &TCustomToolWindow97::Height, &TCustomToolWindow97::SetHeight)
            .NeverStored()
            .Build();
    return info;
}

// ---- construction -----------------------------------------------------------------------------

TCustomToolWindow97::TCustomToolWindow97(TComponent* AOwner) : TCustomControl(AOwner)
{
    GetToolbarDockPosProc = ToolbarDockPos;
    FControlStyle = (FControlStyle + TControlStyle{csAcceptsControls, csClickEvents, csDoubleClicks, csSetCaption}) -
                    TControlStyle{csCaptureMouse, csOpaque};
    InstallHookProc(ToolWindowHookProc, THookProcCodes{hpSendActivateApp, hpSendWindowPosChanged, hpPreDestroy},
                    IsDesigning());
    try {
        SetColor(clBtnFace);
    } catch (...) {
        UninstallHookProc(ToolWindowHookProc);
        throw;
    }
}

TCustomToolWindow97::~TCustomToolWindow97()
{
    Destroying();
    DestroyChildControls();
    DestroyHandle();
    // Leaving the parent while destroying fires nothing; dock lists and floating parent follow.
    try {
        SetParent(nullptr);
    } catch (...) {
    }
    FDockFormList.reset();
    delete FFloatingParent;
    FFloatingParent = nullptr;
    UninstallHookProc(ToolWindowHookProc);
}

// Asked once the object is complete, at its first parent: a constructor would only ever reach
// the base version. Every use of the parameters needs a parent.
void TCustomToolWindow97::AskParams()
{
    if (FParamsAsked)
        return;
    TToolWindowParams params;
    GetParams(params);
    FWindowParams = params;
    FParamsAsked = true;
}

void TCustomToolWindow97::GetParams(TToolWindowParams& Params)
{
    Params.InheritedAlign = true;
    Params.CornerSizing = true;
    Params.ClipCursorOnSize = true;
}

std::wstring TCustomToolWindow97::Version() const
{
    return Ruzevov97Version();
}

// ---- change of parent -------------------------------------------------------------------------

TFloatingWindowParent* TCustomToolWindow97::NewFloatingParent(TCustomForm* ownerForm)
{
    auto parent = std::make_unique<TFloatingWindowParent>(nullptr);
    parent->SetOwnerForm(ownerForm);
    wchar_t name[40];
    swprintf(name, 40, L"TB97FloatingWindowParent_%.8X", NextFloatingParentNumber());
    parent->SetName(name);
    parent->SetBorderStyle(bsNone);
    parent->SetBounds(0, 0, 0, 0);
    parent->SetVisible(true);
    return parent.release();
}

void TCustomToolWindow97::SetParent(TWinControl* AParent)
{
    if (AParent && !dynamic_cast<TDock97*>(AParent) && !dynamic_cast<TCustomForm*>(AParent))
        throw EInvalidOperation(LoadTB97String(STB97ToolwinParentNotAllowed));

    if (AParent)
        AskParams();
    TWinControl* newParent = AParent;
    // A floating parent made for this change goes again if the tool window did not get into
    // it. The toolkit sets the parent before it makes the window, so an attach that failed
    // half-way leaves the tool window inside: then the parent is kept, never freed under it.
    TFloatingWindowParent* created = nullptr;
    TFloatingWindowParent* previous = FFloatingParent;
    TScopeExit dropCreated([&] {
        if (created && Parent() != created) {
            if (FFloatingParent == created)
                FFloatingParent = previous;
            delete created;
        }
    });
    auto* form = dynamic_cast<TCustomForm*>(AParent);
    if (form && !IsDesigning() && !dynamic_cast<TFloatingWindowParent*>(form)) {
        if (!FFloatingParent || FFloatingParent->OwnerForm() != form)
            FFloatingParent = created = NewFloatingParent(form);
        form->FreeNotification(this);
        newParent = FFloatingParent;
    }

    TDock97* oldDock = AsDock(Parent());
    TDock97* newDock = AsDock(newParent);

    if (Parent() == newParent) {
        FDockedTo = AsDock(Parent());
        FIsDocked = FDockedTo != nullptr;
        SyncFloatingState();
        return;
    }

    const bool notify = !IsDestroying() && newParent;
    if (notify) {
        if (OnDockChanging)
            OnDockChanging(this);
        if (OnDockChangingEx)
            OnDockChangingEx(this, newDock);
        if (OnRecreating)
            OnRecreating(this);
    }

    ++FHiddenCount;
    ++FMoveEventLock;
    {
        TScopeExit shown([this] {
            --FMoveEventLock;
            --FHiddenCount;
            UpdateVisibility();
        });
        UpdateVisibility();
        if (oldDock)
            oldDock->BeginUpdate();
        if (newDock)
            newDock->BeginUpdate();
        ++FBoundsUpdateCount;
        TScopeExit arranged([this, oldDock, newDock] {
            --FBoundsUpdateCount;
            if (newDock)
                newDock->EndUpdate();
            if (oldDock)
                oldDock->EndUpdate();
        });
        if (newParent) {
            DoDockChangingHidden(newDock);
            if (FPreviousDockTypeKnown)
                CustomArrangeControls(FPreviousDockType, newDock, false);
        }
        FArrangeControlsPending = true;
        BeginUpdate();
        {
            TScopeExit controls([this] { EndUpdate(); });
            if (TDock97* dock = AsDock(Parent())) {
                if (!FUseLastDock)
                    dock->ChangeDockList(false, this);
                dock->ToolbarVisibilityChanged(this, true);
            }
            TWinControl* oldParent = Parent();
            inherited::SetParent(nullptr);
            FWindowDpi = 0;  // the window is made anew for its new place
            FDockedTo = newDock;
            FIsDocked = newDock != nullptr;
            std::exception_ptr attachError;
            try {
                inherited::SetParent(newParent);
            } catch (...) {
                attachError = std::current_exception();
            }
            FDockedTo = AsDock(Parent());
            FIsDocked = FDockedTo != nullptr;
            if (attachError && !Parent())
                std::rethrow_exception(attachError);
            // Also after a half-done attach: the lists and the old floating parent follow the
            // parent the tool window actually has.
            CalculateNonClientSizes(nullptr);
            if (auto* floating = dynamic_cast<TFloatingWindowParent*>(oldParent)) {
                if (floating == FFloatingParent)
                    FFloatingParent = nullptr;
                delete floating;
            }
            if (TDock97* dock = AsDock(Parent())) {
                if (FUseLastDock) {
                    SetLastDock(dock);
                    dock->ToolbarVisibilityChanged(this, false);
                } else {
                    dock->ChangeDockList(true, this);
                }
            }
            SyncFloatingState();
            if (attachError)
                std::rethrow_exception(attachError);
            FollowDpi();
        }
        if (Parent()) {
            FPreviousDockType = GetDockTypeOf(newDock);
            FPreviousDockTypeKnown = true;
        }
    }
    if (Parent())
        Moved();
    if (notify) {
        if (OnRecreated)
            OnRecreated(this);
        if (OnDockChanged)
            OnDockChanged(this);
    }
}

void TCustomToolWindow97::SyncFloatingState()
{
    if (dynamic_cast<TFloatingWindowParent*>(Parent())) {
        if (!FloatingWindowList)
            FloatingWindowList = new TList;
        if (FloatingWindowList->IndexOf(this) < 0)
            FloatingWindowList->Add(this);
        SetBounds(FFloatingPosition.x, FFloatingPosition.y, Width(), Height());
    } else if (FloatingWindowList) {
        FloatingWindowList->Remove(this);
        if (FloatingWindowList->Count() == 0) {
            delete FloatingWindowList;
            FloatingWindowList = nullptr;
        }
    }
}

void TCustomToolWindow97::SetLastDock(TDock97* value)
{
    if (FUseLastDock && FDockedTo)
        value = FDockedTo;
    if (value == FLastDock)
        return;
    if (FLastDock && FLastDock != Parent())
        FLastDock->ChangeDockList(false, this);
    FLastDock = value;
    if (value) {
        FUseLastDock = true;
        value->FreeNotification(this);
        value->ChangeDockList(true, this);
    }
}

void TCustomToolWindow97::SetUseLastDock(bool value)
{
    if (FUseLastDock == value)
        return;
    FUseLastDock = value;
    SetLastDock(value ? FDockedTo : nullptr);
}

void TCustomToolWindow97::Notification(TComponent* component, TOperation operation)
{
    TCustomControl::Notification(component, operation);
    if (operation != opRemove)
        return;
    if (component == FDefaultDock)
        FDefaultDock = nullptr;
    if (component == FLastDock)
        FLastDock = nullptr;
    if (FDockFormList) {
        FDockFormList->Remove(component);
        if (FDockFormList->Count() == 0)
            FDockFormList.reset();
    }
    if (FFloatingParent && component == FFloatingParent->OwnerForm()) {
        if (FFloatingParent != Parent()) {
            delete FFloatingParent;
            FFloatingParent = nullptr;
        } else if (FFloatingMode == fmOnTopOfAllForms) {
            FFloatingParent->SetOwnerForm(nullptr);
        } else {
            SetParent(nullptr);
        }
    }
}

bool TCustomToolWindow97::HasParent() const
{
    if (dynamic_cast<TFloatingWindowParent*>(Parent()))
        return false;
    return TCustomControl::HasParent();
}

TComponent* TCustomToolWindow97::GetParentComponent() const
{
    if (dynamic_cast<TFloatingWindowParent*>(Parent()))
        return nullptr;
    return TCustomControl::GetParentComponent();
}

void TCustomToolWindow97::DefineProperties(TFiler& filer)
{
    TCustomControl::DefineProperties(filer);
    filer.DefineProperty(
        L"SavedAtRunTime",
        [this](const TLayoutValue& v) {
            if (v.Kind != lvIdent || (!SameText(v.Text, L"True") && !SameText(v.Text, L"False")))
                throw EReadError(L"SavedAtRunTime must be True or False");
            FSavedAtRunTime = SameText(v.Text, L"True");
        },
        [] { return TLayoutValue::FromIdent(L"True"); }, !IsDesigning());
}

void TCustomToolWindow97::Loaded()
{
    TCustomControl::Loaded();
    if (!FSavedAtRunTime && !IsDesigning() && dynamic_cast<TFloatingWindowParent*>(Parent())) {
        // Designed on a form: the stored bounds are in that form's client coordinates.
        RECT r = BoundsRect();
        TCustomForm* form = ValidToolWindowParentForm(this);
        MapWindowPoints(form->Handle(), HWND_DESKTOP, reinterpret_cast<POINT*>(&r), 2);
        SetBoundsRect(r);
        MoveOnScreen(false);
    }
    InitializeOrdering();
    ArrangeControls();
}

void TCustomToolWindow97::AddDockForm(TCustomForm* form)
{
    if (!form)
        return;
    if (!FDockFormList)
        FDockFormList = std::make_unique<TList>();
    if (FDockFormList->IndexOf(form) < 0) {
        FDockFormList->Add(form);
        form->FreeNotification(this);
    }
}

void TCustomToolWindow97::RemoveDockForm(TCustomForm* form)
{
    if (!FDockFormList)
        return;
    FDockFormList->Remove(form);
    if (FDockFormList->Count() == 0)
        FDockFormList.reset();
}

void TCustomToolWindow97::MoveOnScreen(bool onlyIfFullyOffScreen)
{
    if (FIsDocked)
        return;
    const RECT r = BoundsRect();
    const RECT w = WorkAreaOfRect(r);
    const auto moved = MoveOnScreenRect(TGeomRect{r.left, r.top, r.right, r.bottom},
                                        TGeomRect{w.left, w.top, w.right, w.bottom}, onlyIfFullyOffScreen);
    if (moved)
        SetBoundsRect(RECT{moved->Left, moved->Top, moved->Right, moved->Bottom});
}

void TCustomToolWindow97::DoDockChangingHidden(TDock97* dockingTo)
{
    if (!IsDestroying() && OnDockChangingHidden)
        OnDockChangingHidden(this, dockingTo);
}

void TCustomToolWindow97::DoMove()
{
    if (OnMove)
        OnMove(this);
}

void TCustomToolWindow97::CreateParams(TCreateParams& Params)
{
    TCustomControl::CreateParams(Params);
    if (!IsDesigning())
        Params.WindowClass.style &= ~(CS_HREDRAW | CS_VREDRAW);
    if (dynamic_cast<TDock97*>(Parent()))
        return;
    if (!IsDesigning()) {
        Params.Style = WS_POPUP | WS_BORDER | (FResizable ? WS_THICKFRAME : 0);
    } else {
        Params.Style |= WS_BORDER | (FResizable ? WS_THICKFRAME : 0);
    }
    Params.ExStyle = WS_EX_TOOLWINDOW;
}

// ---- DPI ---------------------------------------------------------------------------------------

int TCustomToolWindow97::CurrentDpi() const
{
    // A floating tool window is a top-level window of its own, on whatever monitor it is.
    if (!FIsDocked && dynamic_cast<TFloatingWindowParent*>(Parent())) {
        if (FWindowDpi)
            return FWindowDpi;
        if (HandleAllocated())
            return WindowDpi(FHandle);
    }
    return TCustomControl::CurrentDpi();
}

void TCustomToolWindow97::FollowDpi()
{
    if (!Parent())
        return;
    // Docked, the contents are at the layout DPI of the form, which scales them along with
    // its other controls; floating, at the DPI of the tool window's own window.
    TCustomForm* form = GetToolWindowParentForm(this);
    const int dpi = FIsDocked && form ? form->PixelsPerInch() : CurrentDpi();
    if (!FContentDpi)
        FContentDpi = form ? form->PixelsPerInch() : dpi;  // as designed on its form
    if (FFloatingParent && Parent() == FFloatingParent) {
        // Its font is the one a tool window with ParentFont takes: points stay points.
        TFont* font = FFloatingParent->Font();
        const int height = ScaleValue(font->Height(), dpi, font->PixelsPerInch());
        font->SetPixelsPerInch(dpi);
        font->SetHeight(height);
    }
    ScaleBy(dpi, FContentDpi);
    FContentDpi = dpi;
}

void TCustomToolWindow97::ChangeScale(int M, int D)
{
    if (FContentDpi)
        FContentDpi = ScaleValue(FContentDpi, M, D);
    if (FDockPos > 0)
        FDockPos = ScaleValue(FDockPos, M, D);
    // One arrangement at the end, with the frame of the window's DPI.
    BeginUpdate();
    TScopeExit arrange([this] {
        CalculateNonClientSizes(nullptr);
        FArrangeControlsPending = true;
        EndUpdate();
    });
    DisableAlign();
    TScopeExit align([this] { EnableAlign(); });
    ScaleControls(M, D);
    ScaleFont(M, D);
}

void TCustomToolWindow97::DpiChanged(int, int)
{
    // The form has scaled the contents; the frame follows the form's new DPI.
    if (!FIsDocked)
        return;
    CalculateNonClientSizes(nullptr);
    RecalcFrame(this);
    ArrangeControls();
}

void TCustomToolWindow97::WMDpiChanged(TMessage& Message)
{
    Message.Result = 0;
    if (FIsDocked)
        return;  // a child window: its form follows the DPI and tells it (DpiChanged)
    FWindowDpi = HIWORD(Message.WParam);
    const auto* suggested = reinterpret_cast<const RECT*>(Message.LParam);
    BeginUpdate();
    {
        TScopeExit arrange([this] {
            FArrangeControlsPending = true;
            EndUpdate();
        });
        FollowDpi();
        CalculateNonClientSizes(nullptr);
        RecalcFrame(this);
        // The suggested place; the size follows from the contents and the frame, as always.
        if (suggested)
            SetBounds(suggested->left, suggested->top, Width(), Height());
    }
    Invalidate();
}

// ---- setters ----------------------------------------------------------------------------------

void TCustomToolWindow97::SetCloseButton(bool value)
{
    if (FCloseButton == value)
        return;
    FCloseButton = value;
    InvalidateFloatingNCArea(TToolWindowNCRedrawWhat{twrdCaption, twrdCloseButton});
}

void TCustomToolWindow97::SetCloseButtonWhenDocked(bool value)
{
    if (FCloseButtonWhenDocked == value)
        return;
    FCloseButtonWhenDocked = value;
    if (FIsDocked)
        RecalcFrame(this);
}

void TCustomToolWindow97::SetDefaultDock(TDock97* value)
{
    SetReference(FDefaultDock, value);
}

void TCustomToolWindow97::SetDockedTo(TDock97* value)
{
    if (value)
        SetParent(value);
    else
        SetParent(ValidToolWindowParentForm(this));
}

void TCustomToolWindow97::SetDockPos(int32_t value)
{
    FDockPos = value;
    if (FIsDocked)
        FDockedTo->ArrangeToolbars(false);
}

void TCustomToolWindow97::SetDockRow(int32_t value)
{
    FDockRow = value;
    if (FIsDocked)
        FDockedTo->ArrangeToolbars(false);
}

void TCustomToolWindow97::ApplyDockPlacement(int32_t dockRow, int32_t dockPos, const TGeomBounds* bounds)
{
    FDockRow = dockRow;
    FDockPos = dockPos;
    if (!bounds)
        return;
    ++FBoundsUpdateCount;
    TScopeExit done([this] { --FBoundsUpdateCount; });
    SetBounds(bounds->Left, bounds->Top, bounds->Width, bounds->Height);
}

void TCustomToolWindow97::SetBorderStyle(TFormBorderStyle value)
{
    if (FBorderStyle == value)
        return;
    FBorderStyle = value;
    if (FIsDocked)
        RecalcFrame(this);
}

void TCustomToolWindow97::SetDragHandleStyle(TDragHandleStyle value)
{
    if (FDragHandleStyle == value)
        return;
    FDragHandleStyle = value;
    if (FIsDocked)
        RecalcFrame(this);
}

void TCustomToolWindow97::SetFloatingMode(TToolWindowFloatingMode value)
{
    if (FFloatingMode == value)
        return;
    FFloatingMode = value;
    if (HandleAllocated())
        Perform(CM_SHOWINGCHANGED, 0, 0);
}

void TCustomToolWindow97::SetFullSize(bool value)
{
    if (FFullSize == value)
        return;
    FFullSize = value;
    ArrangeControls();
}

void TCustomToolWindow97::SetResizable(bool value)
{
    if (FResizable == value)
        return;
    FResizable = value;
    if (!FIsDocked)
        RecreateWnd();
}

void TCustomToolWindow97::SetShowCaption(bool value)
{
    if (FShowCaption == value)
        return;
    FShowCaption = value;
    if (!FIsDocked)
        RecalcFrame(this);
}

// ---- TFloatingWindowParent ------------------------------------------------------------------

const TClassInfo& TFloatingWindowParent::StaticClassInfo()
{
    static const TClassInfo info = TClassBuilder<TFloatingWindowParent>(L"TFloatingWindowParent", &TForm::StaticClassInfo()).Build();
    return info;
}

TFloatingWindowParent::TFloatingWindowParent(TComponent* AOwner) : TForm(AOwner) {}

TFloatingWindowParent::~TFloatingWindowParent() = default;

void TFloatingWindowParent::CreateParams(TCreateParams& Params)
{
    TForm::CreateParams(Params);
    Params.ExStyle |= WS_EX_TOOLWINDOW;
}
