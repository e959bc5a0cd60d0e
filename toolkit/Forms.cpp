#include "Forms.h"

#include <algorithm>

#include "Menus.h"
#include "ScopeExit.h"
#include "Streaming.h"
#include "Utf8.h"

TCustomForm* GetParentForm(const TControl* control)
{
    const TControl* top = control;
    while (top && top->Parent())
        top = top->Parent();
    return top ? dynamic_cast<TCustomForm*>(const_cast<TControl*>(top)) : nullptr;
}

// ---- TScrollingWinControl -------------------------------------------------------------------

const TClassInfo& TScrollingWinControl::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TScrollingWinControl>(L"TScrollingWinControl", &TWinControl::StaticClassInfo())
            .Boolean(L"AutoScroll", &TScrollingWinControl::AutoScroll, &TScrollingWinControl::SetAutoScroll, true)
            .Build();
    return info;
}

TScrollingWinControl::TScrollingWinControl(TComponent* AOwner) : TWinControl(AOwner)
{
    FControlStyle.Include(csAcceptsControls);
}

void TScrollingWinControl::SetAutoScroll(bool value)
{
    if (FAutoScroll == value)
        return;
    FAutoScroll = value;
    UpdateScrollBars();
}

void TScrollingWinControl::CreateParams(TCreateParams& Params)
{
    TWinControl::CreateParams(Params);
    Params.Style |= WS_CLIPCHILDREN;
}

void TScrollingWinControl::AlignControls(TControl* AControl, RECT& Rect)
{
    TWinControl::AlignControls(AControl, Rect);
    UpdateScrollBars();
}

void TScrollingWinControl::UpdateScrollBars()
{
    if (!FHandle || FUpdatingScrollBars)
        return;
    FUpdatingScrollBars = true;
    TScopeExit done([this] { FUpdatingScrollBars = false; });

    // The extent of the unaligned children, in unscrolled coordinates.
    int extentX = 0, extentY = 0;
    for (TControl* c : FControls) {
        if (!c->Visible() || c->Align() != alNone)
            continue;
        extentX = std::max(extentX, c->Left() + static_cast<int>(FScrollPos.x) + c->Width());
        extentY = std::max(extentY, c->Top() + static_cast<int>(FScrollPos.y) + c->Height());
    }
    // Showing one bar narrows the room for the other: two passes settle both.
    for (int pass = 0; pass < 2; ++pass) {
        RECT client{};
        GetClientRect(FHandle, &client);
        const int pages[] = {client.right, client.bottom};
        const int extents[] = {extentX, extentY};
        const int bars[] = {SB_HORZ, SB_VERT};
        for (int i = 0; i < 2; ++i) {
            SCROLLINFO si{sizeof(si), SIF_ALL | SIF_DISABLENOSCROLL, 0, 0, 0, 0, 0};
            const bool need = FAutoScroll && extents[i] > pages[i];
            if (need) {
                si.fMask = SIF_ALL;
                si.nMax = extents[i] - 1;
                si.nPage = static_cast<UINT>(pages[i]);
                si.nPos = i == 0 ? FScrollPos.x : FScrollPos.y;
            }
            ShowScrollBar(FHandle, bars[i], need);
            if (need)
                SetScrollInfo(FHandle, bars[i], &si, TRUE);
            const int maxPos = need ? std::max(0, extents[i] - pages[i]) : 0;
            const int current = i == 0 ? FScrollPos.x : FScrollPos.y;
            if (current > maxPos)
                ScrollTo(bars[i], maxPos);
        }
    }
}

void TScrollingWinControl::Scroll(int bar, int code)
{
    SCROLLINFO si{sizeof(si), SIF_ALL, 0, 0, 0, 0, 0};
    GetScrollInfo(FHandle, bar, &si);
    int pos = si.nPos;
    const int page = static_cast<int>(si.nPage);
    const int maxPos = si.nMax - page + 1;
    switch (code) {
    case SB_LINEUP: pos -= 16; break;
    case SB_LINEDOWN: pos += 16; break;
    case SB_PAGEUP: pos -= page; break;
    case SB_PAGEDOWN: pos += page; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: pos = si.nTrackPos; break;
    case SB_TOP: pos = 0; break;
    case SB_BOTTOM: pos = maxPos; break;
    default: return;
    }
    ScrollTo(bar, std::clamp(pos, 0, std::max(0, maxPos)));
}

void TScrollingWinControl::ScrollTo(int bar, int position)
{
    LONG& current = bar == SB_HORZ ? FScrollPos.x : FScrollPos.y;
    const int delta = current - position;
    if (delta == 0)
        return;
    current = position;
    const int dx = bar == SB_HORZ ? delta : 0;
    const int dy = bar == SB_VERT ? delta : 0;
    {
        // Moving the children is not a reason to re-align them.
        DisableAlign();
        TScopeExit restore([this] {
            --FAlignLevel;
            FAlignPending = false;
        });
        for (TControl* c : FControls)
            if (c->Align() == alNone)
                c->SetBounds(c->Left() + dx, c->Top() + dy, c->Width(), c->Height());
    }
    if (FHandle) {
        SetScrollPos(FHandle, bar, position, TRUE);
        InvalidateRect(FHandle, nullptr, TRUE);
    }
}

void TScrollingWinControl::ScrollInView(TControl* control)
{
    if (!control || !FHandle)
        return;
    const RECT client = ClientRect();
    if (control->Left() < 0)
        ScrollTo(SB_HORZ, FScrollPos.x + control->Left());
    else if (control->Left() + control->Width() > client.right)
        ScrollTo(SB_HORZ, FScrollPos.x + control->Left() + control->Width() - client.right);
    if (control->Top() < 0)
        ScrollTo(SB_VERT, FScrollPos.y + control->Top());
    else if (control->Top() + control->Height() > client.bottom)
        ScrollTo(SB_VERT, FScrollPos.y + control->Top() + control->Height() - client.bottom);
}

namespace {

const std::vector<std::wstring> BorderStyleNames{L"bsNone", L"bsSingle", L"bsSizeable",
                                                 L"bsDialog", L"bsToolWindow", L"bsSizeToolWin"};

}  // namespace

const TClassInfo& TScrollBox::StaticClassInfo()
{
    static const TClassInfo info = TClassBuilder<TScrollBox>(L"TScrollBox", &TScrollingWinControl::StaticClassInfo())
        .Creatable()
        .Enum(L"BorderStyle", &TScrollBox::BorderStyle, &TScrollBox::SetBorderStyle, BorderStyleNames, bsSingle)
        .Integer(L"Color", &TScrollBox::Color, &TScrollBox::SetColor, clBtnFace)
        .Idents(IdentToColor, ColorToIdent)
        .StoredIf([](const TScrollBox& c) { return !c.ParentColor(); })
        .Build();
    return info;
}

TScrollBox::TScrollBox(TComponent* AOwner) : TScrollingWinControl(AOwner)
{
    SetBounds(0, 0, 185, 41);
    SetColor(clBtnFace);
}

void TScrollBox::SetBorderStyle(TFormBorderStyle value)
{
    if (FBorderStyle == value)
        return;
    FBorderStyle = value;
    RecreateWnd();
}

void TScrollBox::CreateParams(TCreateParams& Params)
{
    TScrollingWinControl::CreateParams(Params);
    if (FBorderStyle == bsSingle)
        Params.ExStyle |= WS_EX_CLIENTEDGE;
}

// ---- TCustomForm ----------------------------------------------------------------------------

const TClassInfo& TCustomForm::StaticClassInfo()
{
    static const TClassInfo info = TClassBuilder<TCustomForm>(L"TCustomForm", &TScrollingWinControl::StaticClassInfo())
        .String(L"Caption", &TCustomForm::Caption, &TCustomForm::SetCaption)
        .Integer(L"Color", &TCustomForm::Color, &TCustomForm::SetColor, clBtnFace)
        .Idents(IdentToColor, ColorToIdent)
        .Boolean(L"ParentFont", &TCustomForm::ParentFont, &TCustomForm::SetParentFont, false)
        .Boolean(L"Visible", &TCustomForm::Visible, &TCustomForm::SetVisible, false)
        .Enum(L"BorderStyle", &TCustomForm::BorderStyle, &TCustomForm::SetBorderStyle, BorderStyleNames, bsSizeable)
        .Enum(L"Position", &TCustomForm::Position, &TCustomForm::SetPosition,
              {L"poDesigned", L"poDefault", L"poDefaultPosOnly", L"poDefaultSizeOnly", L"poScreenCenter",
               L"poDesktopCenter", L"poMainFormCenter", L"poOwnerFormCenter"},
              poDesigned)
        .Enum(L"FormStyle", &TCustomForm::FormStyle, &TCustomForm::SetFormStyle,
              {L"fsNormal", L"fsMDIChild", L"fsMDIForm", L"fsStayOnTop"}, fsNormal)
        .Boolean(L"OldCreateOrder", &TCustomForm::OldCreateOrder, &TCustomForm::SetOldCreateOrder, true)
        .Integer(L"PixelsPerInch", &TCustomForm::PixelsPerInch, &TCustomForm::SetPixelsPerInch)
        .Integer(L"TextHeight", &TCustomForm::TextHeight, &TCustomForm::SetTextHeight)
        .Boolean(L"Scaled", &TCustomForm::Scaled, &TCustomForm::SetScaled, true)
        .Event(L"OnClose", &TCustomForm::OnClose)
        .Event(L"OnCloseQuery", &TCustomForm::OnCloseQuery)
        .Event(L"OnActivate", &TCustomForm::OnActivate)
        .Event(L"OnDeactivate", &TCustomForm::OnDeactivate)
        .Event(L"OnShow", &TCustomForm::OnShow)
        .Event(L"OnHide", &TCustomForm::OnHide)
        .Build();
    return info;
}

const TClassInfo& TForm::StaticClassInfo()
{
    static const TClassInfo info = TClassBuilder<TForm>(L"TForm", &TCustomForm::StaticClassInfo()).Build();
    return info;
}

TCustomForm::TCustomForm(TComponent* AOwner) : TScrollingWinControl(AOwner)
{
    FVisible = false;
    FColor = clBtnFace;
    FBrush->SetColor(FColor);
    FParentFont = false;
    FControlStyle = TControlStyle{csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
    FLeft = CW_USEDEFAULT;
    FTop = CW_USEDEFAULT;
    FWidth = 320;
    FHeight = 240;
    if (Screen)
        Screen->AddForm(this);
}

TCustomForm::~TCustomForm()
{
    Destroying();
    if (Screen)
        Screen->RemoveForm(this);
    // Children and owned components go while this is still a whole form.
    DestroyChildControls();
    DestroyComponents();
    DestroyHandle();
}

void TCustomForm::LoadLayout()
{
    const std::wstring name = ClassName();
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC resource = FindResourceW(module, name.c_str(), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
    if (!resource)
        throw EReadError(L"No stored layout for " + name);
    HGLOBAL loaded = LoadResource(module, resource);
    const auto* data = static_cast<const char*>(LockResource(loaded));
    const DWORD size = SizeofResource(module, resource);
    if (!data)
        throw EReadError(L"Cannot load the stored layout of " + name);
    ReadComponentFromText(this, ReadLayoutTextUtf8(std::string_view(data, size)));
}

void TCustomForm::SetBorderStyle(TFormBorderStyle value)
{
    if (FBorderStyle == value)
        return;
    FBorderStyle = value;
    RecreateWnd();
}

void TCustomForm::SetPosition(TPosition value)
{
    FPosition = value;
}

void TCustomForm::SetFormStyle(TFormStyle value)
{
    if (FFormStyle == value)
        return;
    FFormStyle = value;
    RecreateWnd();
}

TWindowState TCustomForm::WindowState() const
{
    if (FHandle)
        return IsIconic(FHandle) ? wsMinimized : IsZoomed(FHandle) ? wsMaximized : wsNormal;
    return FWindowState;
}

void TCustomForm::SetWindowState(TWindowState value)
{
    FWindowState = value;
    if (FHandle && FShowing)
        ShowWindow(FHandle, value == wsMinimized ? SW_MINIMIZE : value == wsMaximized ? SW_MAXIMIZE : SW_RESTORE);
}

namespace {

// The window styles of a form's frame.
void BorderStyles(TFormBorderStyle border, DWORD& style, DWORD& exStyle)
{
    switch (border) {
    case bsNone: style |= WS_POPUP; break;
    case bsSingle: style |= WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_BORDER; break;
    case bsSizeable: style |= WS_OVERLAPPEDWINDOW; break;
    case bsDialog:
        style |= WS_POPUP | WS_CAPTION | WS_SYSMENU;
        exStyle |= WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
        break;
    case bsToolWindow:
        style |= WS_POPUP | WS_CAPTION | WS_SYSMENU;
        exStyle |= WS_EX_TOOLWINDOW;
        break;
    case bsSizeToolWin:
        style |= WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME;
        exStyle |= WS_EX_TOOLWINDOW;
        break;
    }
}

}  // namespace

void TCustomForm::CreateParams(TCreateParams& Params)
{
    TScrollingWinControl::CreateParams(Params);
    Params.Style &= ~(WS_CHILD | WS_CLIPSIBLINGS);
    Params.Style |= WS_CLIPCHILDREN;
    Params.WndParent = FParent ? FParent->Handle() : FParentWindow;
    if (FParent)
        Params.Style |= WS_CHILD | WS_CLIPSIBLINGS;
    DWORD style = 0, exStyle = 0;
    BorderStyles(FBorderStyle, style, exStyle);
    Params.Style |= style;
    Params.ExStyle |= exStyle;
    if (FFormStyle == fsStayOnTop)
        Params.ExStyle |= WS_EX_TOPMOST;
    if (FFormStyle == fsMDIChild) {
        TCustomForm* frame = Application ? Application->MainForm() : nullptr;
        if (!frame || frame == this || frame->FormStyle() != fsMDIForm)
            throw EInvalidOperation(L"Cannot create form. No MDI forms are currently active");
        Params.Style = WS_CHILD | WS_CLIPSIBLINGS | WS_OVERLAPPEDWINDOW;
        Params.ExStyle |= WS_EX_MDICHILD;
        Params.WndParent = frame->ClientHandle();
        Params.WinClassName += L"_MDIChild";
    }
    if (FFormStyle == fsMDIForm)
        Params.WinClassName += L"_MDIFrame";
}

void TCustomForm::CreateWnd()
{
    TScrollingWinControl::CreateWnd();
    if (FFormStyle == fsMDIForm) {
        CLIENTCREATESTRUCT ccs{nullptr, 0xFF00};
        RECT r = ClientRect();
        FClientHandle = CreateWindowExW(WS_EX_CLIENTEDGE, L"MDICLIENT", nullptr,
                                        WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_VSCROLL | WS_HSCROLL,
                                        0, 0, r.right, r.bottom, FHandle, nullptr, GetModuleHandleW(nullptr), &ccs);
    }
}

void TCustomForm::DestroyWnd()
{
    FClientHandle = nullptr;  // destroyed with the frame
    FWindowDpi = 0;
    TScrollingWinControl::DestroyWnd();
}

void TCustomForm::DefaultHandler(TMessage& Message)
{
    if (!FHandle) {
        Message.Result = 0;
        return;
    }
    if (FFormStyle == fsMDIForm) {
        Message.Result = DefFrameProcW(FHandle, FClientHandle, Message.Msg, Message.WParam, Message.LParam);
        if (Message.Msg == WM_SIZE && FClientHandle) {
            RECT r = ClientRect();
            MoveWindow(FClientHandle, 0, 0, r.right, r.bottom, TRUE);
        }
    } else if (FFormStyle == fsMDIChild) {
        Message.Result = DefMDIChildProcW(FHandle, Message.Msg, Message.WParam, Message.LParam);
    } else {
        TScrollingWinControl::DefaultHandler(Message);
    }
}

RECT TCustomForm::ClientRect() const
{
    if (FHandle)
        return TScrollingWinControl::ClientRect();
    // No window yet: the client area follows from the frame the window will have.
    DWORD style = 0, exStyle = 0;
    BorderStyles(FFormStyle == fsMDIChild ? bsSizeable : FBorderStyle, style, exStyle);
    RECT frame{0, 0, 0, 0};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    return RECT{0, 0, std::max<LONG>(0, FWidth - (frame.right - frame.left)), std::max<LONG>(0, FHeight - (frame.bottom - frame.top))};
}

void TCustomForm::GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root)
{
    TScrollingWinControl::GetChildren(proc, root);
    for (int i = 0; i < ComponentCount(); ++i)
        if (!Components(i)->HasParent())
            proc(Components(i));
}

void TCustomForm::ApplyPosition()
{
    if (FPositioned)
        return;
    FPositioned = true;
    if (FPosition == poScreenCenter || FPosition == poDesktopCenter ||
        (FPosition == poMainFormCenter && (!Application || Application->MainForm() == this))) {
        const int w = GetSystemMetrics(FPosition == poDesktopCenter ? SM_CXVIRTUALSCREEN : SM_CXSCREEN);
        const int h = GetSystemMetrics(FPosition == poDesktopCenter ? SM_CYVIRTUALSCREEN : SM_CYSCREEN);
        SetBounds((w - FWidth) / 2, (h - FHeight) / 2, FWidth, FHeight);
    } else if (FPosition == poMainFormCenter && Application && Application->MainForm()) {
        const RECT m = Application->MainForm()->BoundsRect();
        SetBounds(m.left + ((m.right - m.left) - FWidth) / 2, m.top + ((m.bottom - m.top) - FHeight) / 2, FWidth,
                  FHeight);
    }
}

void TCustomForm::CMShowingChanged(TMessage& Message)
{
    (void)Message;
    if (FShowing) {
        ApplyPosition();
        if (OnShow)
            OnShow(this);
        const int cmd = FWindowState == wsMinimized ? SW_SHOWMINIMIZED
                        : FWindowState == wsMaximized ? SW_SHOWMAXIMIZED
                                                      : SW_SHOWNORMAL;
        ShowWindow(FHandle, cmd);
        if (FFormStyle == fsMDIChild && FParent == nullptr)
            SendMessageW(GetParent(FHandle), WM_MDIACTIVATE, reinterpret_cast<WPARAM>(FHandle), 0);
    } else {
        if (OnHide)
            OnHide(this);
        ShowWindow(FHandle, SW_HIDE);
    }
}

void TCustomForm::CMTextChanged(TMessage& Message)
{
    (void)Message;
    if (FHandle)
        SetWindowTextW(FHandle, FText.c_str());
}

bool TCustomForm::CloseQuery()
{
    bool canClose = true;
    if (OnCloseQuery)
        OnCloseQuery(this, canClose);
    return canClose;
}

void TCustomForm::DoClose(TCloseAction& Action)
{
    if (OnClose)
        OnClose(this, Action);
}

void TCustomForm::Close()
{
    if (!CloseQuery())
        return;
    TCloseAction action = FFormStyle == fsMDIChild ? caMinimize : caHide;
    DoClose(action);
    if (action == caNone)
        return;
    if (Application && Application->MainForm() == this)
        Application->Terminate();
    else if (action == caHide)
        Hide();
    else if (action == caMinimize)
        SetWindowState(wsMinimized);
    else
        Release();
}

void TCustomForm::Release()
{
    if (FHandle)
        PostMessageW(FHandle, CM_RELEASE, 0, 0);
    else
        delete this;
}

void TCustomForm::CMRelease(TMessage& Message)
{
    (void)Message;
    delete this;  // nothing of this object may be touched after this line
}

void TCustomForm::WMClose(TMessage& Message)
{
    (void)Message;
    Close();
}

void TCustomForm::WMActivate(TMessage& Message)
{
    DefaultHandler(Message);
    const bool active = LOWORD(Message.WParam) != WA_INACTIVE;
    if (active == FActive)
        return;
    FActive = active;
    if (active) {
        if (Screen)
            Screen->FormActivated(this);
        if (FActiveControl && FActiveControl->HandleAllocated() && FActiveControl->Showing())
            ::SetFocus(FActiveControl->Handle());
        if (OnActivate)
            OnActivate(this);
    } else if (OnDeactivate) {
        OnDeactivate(this);
    }
}

void TCustomForm::SetFocus()
{
    if (!FVisible || !FEnabled)
        throw EInvalidOperation(L"Cannot focus a disabled or invisible window");
    SetForegroundWindow(Handle());
    SetActiveWindow(FHandle);
    if (FActiveControl && FActiveControl->HandleAllocated())
        ::SetFocus(FActiveControl->Handle());
    else
        ::SetFocus(FHandle);
}

void TCustomForm::SetActiveControl(TWinControl* control)
{
    if (control && !ContainsControl(control))
        throw EInvalidOperation(L"Invalid control for this form");
    FActiveControl = control;
}

void TCustomForm::FocusControlChanged(TWinControl* control)
{
    if (ContainsControl(control))
        FActiveControl = control;
}

void TCustomForm::Notification(TComponent* component, TOperation operation)
{
    TScrollingWinControl::Notification(component, operation);
    if (operation == opRemove && component == FActiveControl)
        FActiveControl = nullptr;
}

void TCustomForm::SelectNext(TWinControl* current, bool forward)
{
    // Every focusable windowed control of the form, depth first in tab order.
    std::vector<TWinControl*> order;
    std::function<void(TWinControl*)> collect = [&](TWinControl* parent) {
        for (TWinControl* w : parent->TabList()) {
            if (!w->Visible() || !w->Enabled())
                continue;
            order.push_back(w);
            collect(w);
        }
    };
    collect(this);
    if (order.empty())
        return;
    auto it = std::find(order.begin(), order.end(), current);
    size_t index = it == order.end() ? (forward ? order.size() - 1 : 0) : static_cast<size_t>(it - order.begin());
    index = forward ? (index + 1) % order.size() : (index + order.size() - 1) % order.size();
    order[index]->SetFocus();
}

namespace {

struct TOwnedWindows {
    HWND Owner;
    std::vector<TWinControl*> Found;
};

BOOL CALLBACK CollectOwned(HWND w, LPARAM param)
{
    auto* d = reinterpret_cast<TOwnedWindows*>(param);
    if (GetWindow(w, GW_OWNER) == d->Owner && IsWindowVisible(w))
        if (TWinControl* c = TWinControl::FindControl(w))
            d->Found.push_back(c);
    return TRUE;
}

// The shown top-level windows of ours that owner owns.
std::vector<TWinControl*> OwnedControls(HWND owner)
{
    TOwnedWindows data{owner, {}};
    EnumThreadWindows(GetCurrentThreadId(), CollectOwned, reinterpret_cast<LPARAM>(&data));
    return data.Found;
}

}  // namespace

bool TCustomForm::IsShortCut(WORD key, TShiftState shift)
{
    std::vector<TPopupMenu*> menus;
    const auto add = [&](const TControl* c) {
        if (TPopupMenu* m = c->PopupMenu(); m && std::find(menus.begin(), menus.end(), m) == menus.end())
            menus.push_back(m);
    };
    std::function<void(const TWinControl*)> addTree = [&](const TWinControl* parent) {
        add(parent);
        for (int i = 0; i < parent->ControlCount(); ++i) {
            TControl* c = parent->Controls(i);
            if (!c->Visible())
                continue;
            if (auto* w = dynamic_cast<TWinControl*>(c))
                addTree(w);
            else
                add(c);
        }
    };
    for (const TControl* c = FActiveControl; c; c = c->Parent())
        add(c);
    addTree(this);
    if (FHandle)
        for (TWinControl* owned : OwnedControls(FHandle))
            addTree(owned);
    // The first match fires, and its handler may destroy any of these: nothing is touched after it.
    for (TPopupMenu* m : menus)
        if (m->IsShortCut(key, shift))
            return true;
    return false;
}

void TCustomForm::CMDialogKey(TMessage& Message)
{
    if (Message.WParam == VK_TAB && GetKeyState(VK_CONTROL) >= 0) {
        SelectNext(FActiveControl, GetKeyState(VK_SHIFT) >= 0);
        Message.Result = 1;
        return;
    }
    Message.Result = 0;
}
