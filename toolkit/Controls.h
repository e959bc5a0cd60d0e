// Controls over Win32 windows: the control base class, windowed controls with message maps,
// custom controls with their own canvas, and non-windowed controls painted by their parent.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "Alignment.h"
#include "Classes.h"
#include "Graphics.h"

struct TMessage {
    UINT Msg = 0;
    WPARAM WParam = 0;
    LPARAM LParam = 0;
    LRESULT Result = 0;
};

// The toolkit's own notifications, sent to controls with Perform.
constexpr UINT CM_BASE = 0xB000;
constexpr UINT CM_ACTIVATE = CM_BASE + 0;
constexpr UINT CM_DEACTIVATE = CM_BASE + 1;
constexpr UINT CM_GOTFOCUS = CM_BASE + 2;
constexpr UINT CM_LOSTFOCUS = CM_BASE + 3;
constexpr UINT CM_CANCELMODE = CM_BASE + 4;
constexpr UINT CM_DIALOGKEY = CM_BASE + 5;
constexpr UINT CM_DIALOGCHAR = CM_BASE + 6;
constexpr UINT CM_FOCUSCHANGED = CM_BASE + 7;
constexpr UINT CM_PARENTFONTCHANGED = CM_BASE + 8;
constexpr UINT CM_PARENTCOLORCHANGED = CM_BASE + 9;
constexpr UINT CM_HITTEST = CM_BASE + 10;
constexpr UINT CM_VISIBLECHANGED = CM_BASE + 11;
constexpr UINT CM_ENABLEDCHANGED = CM_BASE + 12;
constexpr UINT CM_COLORCHANGED = CM_BASE + 13;
constexpr UINT CM_FONTCHANGED = CM_BASE + 14;
constexpr UINT CM_CURSORCHANGED = CM_BASE + 15;
constexpr UINT CM_CTL3DCHANGED = CM_BASE + 16;
constexpr UINT CM_PARENTCTL3DCHANGED = CM_BASE + 17;
constexpr UINT CM_TEXTCHANGED = CM_BASE + 18;
constexpr UINT CM_MOUSEENTER = CM_BASE + 19;
constexpr UINT CM_MOUSELEAVE = CM_BASE + 20;
constexpr UINT CM_MENUCHANGED = CM_BASE + 21;
constexpr UINT CM_APPKEYDOWN = CM_BASE + 22;
constexpr UINT CM_APPSYSCOMMAND = CM_BASE + 23;
constexpr UINT CM_BUTTONPRESSED = CM_BASE + 24;
constexpr UINT CM_SHOWINGCHANGED = CM_BASE + 25;
constexpr UINT CM_ENTER = CM_BASE + 26;
constexpr UINT CM_EXIT = CM_BASE + 27;
constexpr UINT CM_DESIGNHITTEST = CM_BASE + 28;
constexpr UINT CM_ICONCHANGED = CM_BASE + 29;
constexpr UINT CM_WANTSPECIALKEY = CM_BASE + 30;
constexpr UINT CM_INVOKEHELP = CM_BASE + 31;
constexpr UINT CM_WINDOWHOOK = CM_BASE + 32;
constexpr UINT CM_RELEASE = CM_BASE + 33;
constexpr UINT CM_SHOWHINTCHANGED = CM_BASE + 34;
constexpr UINT CM_PARENTSHOWHINTCHANGED = CM_BASE + 35;
constexpr UINT CM_SYSCOLORCHANGE = CM_BASE + 36;

// Notifications a parent reflects back to the child control they concern.
constexpr UINT CN_BASE = 0xBC00;
constexpr UINT CN_COMMAND = CN_BASE + WM_COMMAND;
constexpr UINT CN_KEYDOWN = CN_BASE + WM_KEYDOWN;
constexpr UINT CN_CTLCOLOREDIT = CN_BASE + WM_CTLCOLOREDIT;
constexpr UINT CN_CTLCOLORSTATIC = CN_BASE + WM_CTLCOLORSTATIC;
constexpr UINT CN_CTLCOLORBTN = CN_BASE + WM_CTLCOLORBTN;

enum TControlStyleValue {
    csAcceptsControls, csCaptureMouse, csDesignInteractive, csClickEvents, csFramed, csSetCaption, csOpaque,
    csDoubleClicks, csFixedWidth, csFixedHeight, csNoDesignVisible, csReplicatable, csNoStdEvents,
    csDisplayDragImage, csReflector, csActionClient, csMenuEvents
};
using TControlStyle = TSet<TControlStyleValue>;

enum TMouseButton { mbLeft, mbRight, mbMiddle };
enum TShiftStateValue { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = TSet<TShiftStateValue>;

using TMouseEvent = std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;

TShiftState KeysToShiftState(WPARAM keys);

// Declares a class's message map: handlers named after their message, everything else to the base.
#define TK_BEGIN_MESSAGE_MAP()                       \
protected:                                           \
    void Dispatch(TMessage& Message) override        \
    {                                                \
        switch (Message.Msg) {
#define TK_MESSAGE(Msg, Handler) \
    case Msg:                    \
        Handler(Message);        \
        return;
#define TK_END_MESSAGE_MAP()       \
    default:                       \
        break;                     \
        }                          \
        inherited::Dispatch(Message); \
    }                              \
                                   \
private:

class TWinControl;
class TControlCanvas;
class TPopupMenu;

class TControl : public TComponent {
    TK_CLASSINFO(TControl, TComponent)
public:
    explicit TControl(TComponent* AOwner);
    ~TControl() override;

    TWinControl* Parent() const { return FParent; }
    virtual void SetParent(TWinControl* AParent);

    int Left() const { return FLeft; }
    int Top() const { return FTop; }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    void SetLeft(int value) { SetBounds(value, FTop, FWidth, FHeight); }
    void SetTop(int value) { SetBounds(FLeft, value, FWidth, FHeight); }
    void SetWidth(int value) { SetBounds(FLeft, FTop, value, FHeight); }
    void SetHeight(int value) { SetBounds(FLeft, FTop, FWidth, value); }
    virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
    RECT BoundsRect() const { return RECT{FLeft, FTop, FLeft + FWidth, FTop + FHeight}; }
    void SetBoundsRect(const RECT& r) { SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top); }

    virtual RECT ClientRect() const;
    int ClientWidth() const;
    int ClientHeight() const;
    void SetClientWidth(int value);
    void SetClientHeight(int value);
    virtual void SetClientSize(int width, int height);
    virtual POINT ClientOrigin() const;
    POINT ClientToScreen(POINT p) const;
    POINT ScreenToClient(POINT p) const;

    bool Visible() const { return FVisible; }
    void SetVisible(bool value);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    virtual bool Showing() const;
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value);

    TAlign Align() const { return FAlign; }
    void SetAlign(TAlign value);
    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    bool ParentColor() const { return FParentColor; }
    void SetParentColor(bool value);
    TFont* Font() const { return FFont.get(); }
    bool ParentFont() const { return FParentFont; }
    void SetParentFont(bool value);
    std::wstring Caption() const { return GetText(); }
    void SetCaption(const std::wstring& value) { SetText(value); }
    std::wstring Text() const { return GetText(); }
    void SetText(const std::wstring& value);

    TControlStyle ControlStyle() const { return FControlStyle; }
    void SetControlStyle(TControlStyle value) { FControlStyle = value; }

    virtual void Invalidate();
    void Repaint();
    virtual void Update();
    void BringToFront();

    LRESULT Perform(UINT msg, WPARAM wParam, LPARAM lParam);
    // Entry of every message for this control; calls Dispatch, which falls back to DefaultHandler.
    virtual void WndProc(TMessage& Message);
    virtual void Dispatch(TMessage& Message);
    virtual void DefaultHandler(TMessage& Message);

    virtual HPALETTE GetPalette() { return nullptr; }
    virtual bool PaletteChanged(bool foreground);

    // Shown on a right-click or the menu key over this control (see TWinControl::WMContextMenu).
    TPopupMenu* PopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(TPopupMenu* value);
    void Notification(TComponent* component, TOperation operation) override;

    bool HasParent() const override { return true; }
    TComponent* GetParentComponent() const override;
    void SetParentComponent(TComponent* parent) override;
    void Loaded() override;

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseUp;
    TNotifyEvent OnResize;

    virtual void Click();
    virtual void DblClick();

    // Scales the control by M/D (normally new DPI / old DPI): its edges, its own font (not a
    // parent's) and, for a windowed control, everything inside it. Nothing changes when M == D
    // or when the control does not scale with the DPI.
    void ScaleBy(int M, int D);
    // False: scaling leaves the control, and everything inside it, at its pixels (a picture
    // shown 1:1 in physical pixels); a font taken from the parent still follows the parent.
    bool ScaleWithDpi() const { return FScaleWithDpi; }
    void SetScaleWithDpi(bool value) { FScaleWithDpi = value; }
    // The DPI of the window the control is shown in; the display's while it has none.
    virtual int CurrentDpi() const;
    // Told to every control of a form after the form followed its window to another DPI, so
    // that metrics of its own (frames, grips) can follow too.
    virtual void DpiChanged(int OldDpi, int NewDpi)
    {
        (void)OldDpi;
        (void)NewDpi;
    }

protected:
    // The work of ScaleBy; overrides scale what they add (and call this one).
    virtual void ChangeScale(int M, int D);
    void ScaleFont(int M, int D);
    virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void MouseMove(TShiftState Shift, int X, int Y);
    virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void Resize();
    virtual std::wstring GetText() const { return FText; }
    virtual void SetTextValue(const std::wstring& value) { FText = value; }
    // Asks the parent to re-align after a change of bounds, visibility or alignment.
    void RequestAlign();
    void InvalidateControl(bool isVisible, bool isOpaque);
    virtual void FontChanged();
    void UpdateBoundsFields(int ALeft, int ATop, int AWidth, int AHeight);

    TWinControl* FParent = nullptr;
    int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
    bool FVisible = true;
    bool FEnabled = true;
    TAlign FAlign = alNone;
    TColor FColor = clWindow;
    bool FParentColor = false;
    std::unique_ptr<TFont> FFont;
    bool FParentFont = true;
    bool FScaleWithDpi = true;
    std::wstring FText;
    TControlStyle FControlStyle{csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
    bool FMouseCaptured = false;
    TPopupMenu* FPopupMenu = nullptr;

    friend class TWinControl;

private:

    void WMLButtonDown(TMessage& Message) { DoMouseDown(Message, mbLeft, {}); }
    void WMRButtonDown(TMessage& Message) { DoMouseDown(Message, mbRight, {}); }
    void WMMButtonDown(TMessage& Message) { DoMouseDown(Message, mbMiddle, {}); }
    void WMLButtonDblClk(TMessage& Message);
    void WMRButtonDblClk(TMessage& Message) { DoMouseDown(Message, mbRight, {ssDouble}); }
    void WMLButtonUp(TMessage& Message);
    void WMRButtonUp(TMessage& Message) { DoMouseUp(Message, mbRight); }
    void WMMButtonUp(TMessage& Message) { DoMouseUp(Message, mbMiddle); }
    void WMMouseMove(TMessage& Message);
    void CMVisibleChanged(TMessage& Message);
    void CMColorChanged(TMessage& Message);
    void CMFontChanged(TMessage& Message);
    void CMParentFontChanged(TMessage& Message);
    void CMParentColorChanged(TMessage& Message);
    void CMTextChanged(TMessage& Message);

    void DoMouseDown(TMessage& Message, TMouseButton button, TShiftState extra);
    void DoMouseUp(TMessage& Message, TMouseButton button);
};

struct TCreateParams {
    std::wstring Caption;
    DWORD Style = 0;
    DWORD ExStyle = 0;
    int X = 0, Y = 0, Width = 0, Height = 0;
    HWND WndParent = nullptr;
    void* Param = nullptr;
    WNDCLASSW WindowClass{};
    std::wstring WinClassName;
    // Predefined window class the new class is derived from (BUTTON, EDIT ...), or empty.
    std::wstring BaseClassName;
};

class TWinControl : public TControl {
    TK_CLASSINFO(TWinControl, TControl)
public:
    explicit TWinControl(TComponent* AOwner);
    ~TWinControl() override;

    HWND Handle();
    bool HandleAllocated() const { return FHandle != nullptr; }
    void HandleNeeded();
    void RecreateWnd();
    void DestroyHandle();
    HWND ParentWindow() const { return FParentWindow; }
    void SetParentWindow(HWND value);

    int ControlCount() const { return static_cast<int>(FControls.size()); }
    TControl* Controls(int index) const;
    void InsertControl(TControl* control);
    void RemoveControl(TControl* control);
    TControl* ControlAtPos(POINT p, bool allowDisabled) const;
    bool ContainsControl(const TControl* control) const;

    int TabOrder() const;
    void SetTabOrder(int value);

    bool Showing() const override { return FShowing; }
    int CurrentDpi() const override;
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    RECT ClientRect() const override;
    POINT ClientOrigin() const override;
    void Invalidate() override;
    void Update() override;
    void SetParent(TWinControl* AParent) override;

    void DisableAlign() { ++FAlignLevel; }
    void EnableAlign();
    void Realign();
    bool AlignDisabled() const { return FAlignLevel > 0; }
    void AlignControl(TControl* AControl);

    // Asks the children, then the control itself, to realise their palettes; in the foreground
    // only until one has realised one.
    bool PaletteChanged(bool foreground) override;

    virtual bool CanFocus() const;
    bool Focused() const;
    virtual void SetFocus();

    // Questions a control asks of the top-level control it sits on; forms answer them.
    // A form: the top of a tree of controls that takes the focus and dialog keys.
    virtual bool IsForm() const { return false; }
    // The control that gets the focus when this top-level control is activated.
    virtual void SetActiveControl(TWinControl* control) { (void)control; }
    // A control inside this one has received the focus.
    virtual void FocusControlChanged(TWinControl* control) { (void)control; }

    TBrush* Brush() const { return FBrush.get(); }

    // Paints the control and its non-windowed children into the DC in Message.WParam (or a BeginPaint DC).
    void PaintHandler(TMessage& Message);
    void PaintControls(HDC dc, TControl* first);

    void GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) override;
    void Loaded() override;
    void DefaultHandler(TMessage& Message) override;
    // Windowed children in tab order.
    std::vector<TWinControl*> TabList() const;
    void WndProc(TMessage& Message) override;

    static TWinControl* FindControl(HWND handle);

protected:
    virtual void CreateParams(TCreateParams& Params);
    virtual void CreateWnd();
    virtual void CreateWindowHandle(const TCreateParams& Params);
    virtual void DestroyWnd();
    virtual void CreateHandle();
    virtual void AlignControls(TControl* AControl, RECT& Rect);
    virtual void AdjustClientRect(RECT& Rect) { (void)Rect; }
    virtual void PaintWindow(HDC dc);
    void ChangeScale(int M, int D) override;
    // Scales the child controls, within the alignment batch of ChangeScale.
    virtual void ScaleControls(int M, int D);
    void UpdateShowing();
    void UpdateControlState();
    // Frees every child control; derived destructors call it first so children leave a whole parent.
    void DestroyChildControls();
    void SetZOrderPosition();

    HWND FHandle = nullptr;
    WNDPROC FDefWndProc = nullptr;
    HWND FParentWindow = nullptr;
    std::vector<TControl*> FControls;
    std::unique_ptr<TBrush> FBrush;
    bool FShowing = false;
    int FAlignLevel = 0;
    bool FAlignPending = false;
    int FTabOrder = -1;
    bool FCreatingHandle = false;

    friend LRESULT CALLBACK ToolkitWndProc(HWND, UINT, WPARAM, LPARAM);
    friend class TControl;

    TK_BEGIN_MESSAGE_MAP()
        TK_MESSAGE(WM_PAINT, WMPaint)
        TK_MESSAGE(WM_ERASEBKGND, WMEraseBkgnd)
        TK_MESSAGE(WM_SIZE, WMSize)
        TK_MESSAGE(WM_MOVE, WMMove)
        TK_MESSAGE(WM_WINDOWPOSCHANGED, WMWindowPosChanged)
        TK_MESSAGE(WM_COMMAND, WMCommand)
        TK_MESSAGE(WM_CTLCOLOREDIT, WMCtlColor)
        TK_MESSAGE(WM_CTLCOLORSTATIC, WMCtlColor)
        TK_MESSAGE(WM_CTLCOLORBTN, WMCtlColor)
        TK_MESSAGE(WM_NCDESTROY, WMNCDestroy)
        TK_MESSAGE(WM_SETFOCUS, WMSetFocus)
        TK_MESSAGE(WM_SYSCOLORCHANGE, WMSysColorChange)
        TK_MESSAGE(WM_QUERYNEWPALETTE, WMQueryNewPalette)
        TK_MESSAGE(WM_PALETTECHANGED, WMPaletteChanged)
        TK_MESSAGE(CN_KEYDOWN, CNKeyDown)
        TK_MESSAGE(CM_SHOWINGCHANGED, CMShowingChanged)
        TK_MESSAGE(CM_VISIBLECHANGED, CMVisibleChanged)
        TK_MESSAGE(CM_ENABLEDCHANGED, CMEnabledChanged)
        TK_MESSAGE(CM_COLORCHANGED, CMColorChanged)
        TK_MESSAGE(CM_TEXTCHANGED, CMTextChanged)
        TK_MESSAGE(CM_FONTCHANGED, CMFontChanged)
        TK_MESSAGE(CN_CTLCOLOREDIT, CNCtlColor)
        TK_MESSAGE(CN_CTLCOLORSTATIC, CNCtlColor)
        TK_MESSAGE(CN_CTLCOLORBTN, CNCtlColor)
        TK_MESSAGE(WM_CONTEXTMENU, WMContextMenu)
    TK_END_MESSAGE_MAP()

protected:
    void CNCtlColor(TMessage& Message);
    // Pops up the menu of the graphic child under the point or of this control; without one
    // the window system passes the request on to the parent window.
    void WMContextMenu(TMessage& Message);
    // Standard controls paint themselves; custom-painted ones and parents of graphic controls don't.
    bool FCustomPaint = false;
    void WMPaint(TMessage& Message);
    void WMEraseBkgnd(TMessage& Message);
    void WMSize(TMessage& Message);
    void WMMove(TMessage& Message);
    void WMWindowPosChanged(TMessage& Message);
    void WMCommand(TMessage& Message);
    void WMCtlColor(TMessage& Message);
    void WMNCDestroy(TMessage& Message);
    void WMSetFocus(TMessage& Message);
    void WMSysColorChange(TMessage& Message);
    void WMQueryNewPalette(TMessage& Message);
    void WMPaletteChanged(TMessage& Message);
    void CNKeyDown(TMessage& Message);
    void CMShowingChanged(TMessage& Message);
    void CMVisibleChanged(TMessage& Message);
    void CMEnabledChanged(TMessage& Message);
    void CMColorChanged(TMessage& Message);
    void CMTextChanged(TMessage& Message);
    void CMFontChanged(TMessage& Message);

    // Reads the window's bounds back after the window system moved or sized it.
    void UpdateBounds();
};

// A canvas on a control: the window's DC for windowed controls, the parent's (clipped, offset)
// for non-windowed ones. Released with FreeHandle.
class TControlCanvas : public TCanvas {
public:
    explicit TControlCanvas(TControl* control) : FControl(control) {}
    ~TControlCanvas() override;
    void FreeHandle();

protected:
    void CreateHandle() override;

private:
    TControl* FControl;
    HWND FWindow = nullptr;
    HDC FDC = nullptr;
};

// A windowed control that paints itself on its own canvas after the background is erased.
class TCustomControl : public TWinControl {
    TK_CLASSINFO(TCustomControl, TWinControl)
public:
    explicit TCustomControl(TComponent* AOwner);
    ~TCustomControl() override;
    TCanvas* Canvas() const { return FCanvas.get(); }

protected:
    virtual void Paint() {}
    void PaintWindow(HDC dc) override;

private:
    std::unique_ptr<TControlCanvas> FCanvas;
};

// A control without a window of its own, painted by its parent.
class TGraphicControl : public TControl {
    TK_CLASSINFO(TGraphicControl, TControl)
public:
    explicit TGraphicControl(TComponent* AOwner);
    ~TGraphicControl() override;
    TCanvas* Canvas() const { return FCanvas.get(); }

protected:
    virtual void Paint() {}

    TK_BEGIN_MESSAGE_MAP()
        TK_MESSAGE(WM_PAINT, WMPaint)
    TK_END_MESSAGE_MAP()

    void WMPaint(TMessage& Message);

private:
    std::unique_ptr<TControlCanvas> FCanvas;
};

// A plain window of the toolkit's own (application window, timer window), its class registered once.
HWND CreateUtilityWindow(const wchar_t* className, WNDPROC proc, const std::wstring& title, DWORD exStyle,
                         DWORD style, HWND parent);

// Test seam: while set, the window of every control for which it answers true is not
// created, as when the window system refuses one (an empty function restores normal creation).
void SetWindowCreationFailure(std::function<bool(const TWinControl*)> fails);
