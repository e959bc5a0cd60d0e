// Forms, scroll boxes, the screen and the application object with its message loop and
// top-level error reporting.
#pragma once

#include <windows.h>

#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "Controls.h"
#include "Dpi.h"
#include "ErrorReport.h"

// A windowed control whose children may extend past its client area; scroll bars appear as needed.
class TScrollingWinControl : public TWinControl {
    TK_CLASSINFO(TScrollingWinControl, TWinControl)
public:
    explicit TScrollingWinControl(TComponent* AOwner);
    bool AutoScroll() const { return FAutoScroll; }
    void SetAutoScroll(bool value);
    POINT ScrollPosition() const { return FScrollPos; }
    void ScrollInView(TControl* control);

protected:
    void CreateParams(TCreateParams& Params) override;
    void AlignControls(TControl* AControl, RECT& Rect) override;
    void ScaleControls(int M, int D) override;
    // Updates the scroll ranges from the extent of the children.
    void UpdateScrollBars();

    TK_BEGIN_MESSAGE_MAP()
        TK_MESSAGE(WM_HSCROLL, WMHScroll)
        TK_MESSAGE(WM_VSCROLL, WMVScroll)
    TK_END_MESSAGE_MAP()

    void WMHScroll(TMessage& Message) { Scroll(SB_HORZ, LOWORD(Message.WParam)); }
    void WMVScroll(TMessage& Message) { Scroll(SB_VERT, LOWORD(Message.WParam)); }
    void Scroll(int bar, int code);
    void ScrollTo(int bar, int position);

    bool FAutoScroll = true;
    POINT FScrollPos{0, 0};
    bool FUpdatingScrollBars = false;
};

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TPosition {
    poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, poDesktopCenter, poMainFormCenter,
    poOwnerFormCenter
};
enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
enum TCloseAction { caNone, caHide, caFree, caMinimize };
enum TWindowState { wsNormal, wsMinimized, wsMaximized };

using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;

class TScrollBox : public TScrollingWinControl {
    TK_CLASSINFO(TScrollBox, TScrollingWinControl)
public:
    explicit TScrollBox(TComponent* AOwner);
    TFormBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle value);

protected:
    void CreateParams(TCreateParams& Params) override;

private:
    TFormBorderStyle FBorderStyle = bsSingle;
};

class TCustomForm : public TScrollingWinControl {
    TK_CLASSINFO(TCustomForm, TScrollingWinControl)
public:
    explicit TCustomForm(TComponent* AOwner);
    ~TCustomForm() override;

    void Close();
    virtual bool CloseQuery();
    void Release();
    void SetFocus() override;
    bool Active() const { return FActive; }
    TWinControl* ActiveControl() const { return FActiveControl; }
    void SetActiveControl(TWinControl* control) override;
    void FocusControlChanged(TWinControl* control) override;
    bool IsForm() const override { return true; }
    // Moves the focus to the next (or previous) control in tab order.
    void SelectNext(TWinControl* current, bool forward);
    // Offers a key to the pop-up menus of the form: those of the focused control and its
    // parents first, then those of the other shown controls, then those of the shown windows
    // the form owns (palettes, tool windows). Fires the first matching item; true when one did.
    virtual bool IsShortCut(WORD key, TShiftState shift);

    TFormBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle value);
    TPosition Position() const { return FPosition; }
    void SetPosition(TPosition value);
    TFormStyle FormStyle() const { return FFormStyle; }
    void SetFormStyle(TFormStyle value);
    TWindowState WindowState() const;
    void SetWindowState(TWindowState value);
    // The DPI the form's layout is at: a stored layout's own until loading scales it to the
    // display (when Scaled), then the DPI of the form's window, followed through WM_DPICHANGED.
    int PixelsPerInch() const { return FPixelsPerInch; }
    void SetPixelsPerInch(int value) { FPixelsPerInch = value; }
    int TextHeight() const { return FTextHeight; }
    void SetTextHeight(int value) { FTextHeight = value; }
    // False: the layout keeps its stored pixels on every display and through DPI changes (the
    // controls are still told of those).
    bool Scaled() const { return FScaled; }
    void SetScaled(bool value) { FScaled = value; }
    int CurrentDpi() const override;
    bool OldCreateOrder() const { return FOldCreateOrder; }
    void SetOldCreateOrder(bool value) { FOldCreateOrder = value; }
    HWND ClientHandle() const { return FClientHandle; }

    RECT ClientRect() const override;
    void Notification(TComponent* component, TOperation operation) override;
    void DefaultHandler(TMessage& Message) override;
    void GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) override;

    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;

protected:
    // Reads the layout stored under this form's class name. Constructors of designed forms call it
    // first, so that what they set afterwards wins over the layout.
    void LoadLayout();
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    virtual void DoClose(TCloseAction& Action);
    // Scales a stored layout of another DPI to the display's before the controls get Loaded.
    void Loaded() override;
    // A top-level form keeps its place and its frame: its client area scales.
    void ChangeScale(int M, int D) override;

    TK_BEGIN_MESSAGE_MAP()
        TK_MESSAGE(WM_CLOSE, WMClose)
        TK_MESSAGE(WM_ACTIVATE, WMActivate)
        TK_MESSAGE(CM_SHOWINGCHANGED, CMShowingChanged)
        TK_MESSAGE(CM_DIALOGKEY, CMDialogKey)
        TK_MESSAGE(CM_RELEASE, CMRelease)
        TK_MESSAGE(CM_TEXTCHANGED, CMTextChanged)
        TK_MESSAGE(WM_DPICHANGED, WMDpiChanged)
    TK_END_MESSAGE_MAP()

protected:
    void WMClose(TMessage& Message);
    void WMActivate(TMessage& Message);
    void CMShowingChanged(TMessage& Message);
    void CMDialogKey(TMessage& Message);
    void CMRelease(TMessage& Message);
    void CMTextChanged(TMessage& Message);
    void WMDpiChanged(TMessage& Message);

private:
    void ApplyPosition();
    // Rescales the form from PixelsPerInch to NewDpi into the suggested window rectangle
    // (none: the client area scales) and tells every control, the form first (DpiChanged).
    void ChangeDpi(int NewDpi, const RECT* suggested);
    void SetLayoutDpi(int dpi);

    TFormBorderStyle FBorderStyle = bsSizeable;
    TPosition FPosition = poDesigned;
    TFormStyle FFormStyle = fsNormal;
    TWindowState FWindowState = wsNormal;
    int FPixelsPerInch = ScreenDpi();
    int FTextHeight = 13;
    bool FScaled = true;
    // The DPI WM_DPICHANGED gave the window (0: ask the window system), and a change that
    // arrived while one was being applied.
    int FWindowDpi = 0;
    bool FChangingDpi = false;
    int FPendingDpi = 0;
    RECT FPendingRect{};
    bool FPendingHasRect = false;
    bool FOldCreateOrder = false;
    bool FActive = false;
    bool FPositioned = false;
    TWinControl* FActiveControl = nullptr;
    HWND FClientHandle = nullptr;
};

class TForm : public TCustomForm {
    TK_CLASSINFO(TForm, TCustomForm)
public:
    explicit TForm(TComponent* AOwner) : TCustomForm(AOwner) {}
};

// The forms of the program, most recently activated first.
class TScreen : public TComponent {
    TK_CLASSINFO(TScreen, TComponent)
public:
    explicit TScreen(TComponent* AOwner) : TComponent(AOwner) {}
    int FormCount() const { return static_cast<int>(FForms.size()); }
    TCustomForm* Forms(int index) const;
    TCustomForm* ActiveForm() const { return FForms.empty() ? nullptr : FForms.front(); }
    int Width() const { return GetSystemMetrics(SM_CXSCREEN); }
    int Height() const { return GetSystemMetrics(SM_CYSCREEN); }
    int PixelsPerInch() const { return ScreenDpi(); }
    RECT WorkAreaRect() const;

    void AddForm(TCustomForm* form);
    void RemoveForm(TCustomForm* form);
    void FormActivated(TCustomForm* form);

private:
    std::vector<TCustomForm*> FForms;
};

// Shows an error: owner window, text, caption and MessageBox style. Tests replace it with a recorder.
using TErrorReporter =
    std::function<void(HWND owner, const std::wstring& text, const std::wstring& caption, UINT style)>;

// Sees every message the application's loop takes from the queue, before anything else does;
// setting Handled keeps the message from being translated and dispatched.
using TMessageEvent = std::function<void(MSG& Msg, bool& Handled)>;

class TApplication : public TComponent {
    TK_CLASSINFO(TApplication, TComponent)
public:
    explicit TApplication(TComponent* AOwner);
    ~TApplication() override;

    void Initialize();
    template <class T>
    void CreateForm(T*& reference)
    {
        reference = nullptr;
        T* form = new T(this);
        reference = form;
        if (!FMainForm)
            FMainForm = form;
    }
    void Run();
    void Terminate();
    bool Terminated() const { return FTerminated; }
    void ProcessMessages();
    // Handles one message; waits for it when none is queued.
    void HandleMessage();

    HWND Handle() const { return FHandle; }
    TCustomForm* MainForm() const { return FMainForm; }
    std::wstring Title() const;
    void SetTitle(const std::wstring& value);

    // Reports the exception being handled; call only inside a catch block.
    void HandleException();
    void ShowException(const Exception& e);
    // The window an error box belongs to: the main form while it can take input, so the box is
    // modal to it; otherwise the active window or the application window.
    HWND ErrorBoxOwner() const;
    void SetErrorReporter(TErrorReporter reporter) { FReporter = std::move(reporter); }
    // The text shown for a message: a full stop is added when the last character sorts after '.'.
    static std::wstring ErrorText(const std::wstring& message);

    TMessageEvent OnMessage;

    void Notification(TComponent* component, TOperation operation) override;

private:
    bool ProcessMessage(MSG& msg);
    bool IsKeyMsg(MSG& msg);

    HWND FHandle = nullptr;
    TCustomForm* FMainForm = nullptr;
    bool FTerminated = false;
    std::wstring FTitle;
    TErrorReporter FReporter;
};

extern TApplication* Application;
extern TScreen* Screen;

// The form (or top-level windowed control) a control sits on.
TCustomForm* GetParentForm(const TControl* control);
