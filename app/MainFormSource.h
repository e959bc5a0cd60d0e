// The main window: Start, Stop, Quit and the offset box; the capture and its frame loop.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "Anaglyph.h"
#include "CaptureSource.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "Menus.h"
#include "PictureView.h"
#include "Settings.h"
#include "StdCtrls.h"
#include "TB97.h"
#include "TB97Tlwn.h"

// The frame timer's rates; the first is the capture's own 100 ms.
enum TFrameRate { fr10, fr30, fr60 };

class TMainForm : public TForm {
    TK_CLASSINFO(TMainForm, TForm)
public:
    explicit TMainForm(TComponent* AOwner);
    ~TMainForm() override;

    // Components of the stored layout, owned by the form.
    TTimer* LoopTimer = nullptr;
    TTimer* StartTimer = nullptr;
    TDock97* Dock971 = nullptr;
    TToolWindow97* ToolWindow971 = nullptr;
    TButton* StartStopButton = nullptr;
    TScrollBox* ScrollBox1 = nullptr;
    TImage* image = nullptr;
    TBitBtn* StopBtn = nullptr;
    TBitBtn* QuitBtn = nullptr;
    TEdit* Edit1 = nullptr;

    // The capture, set up once per start.
    HWND DesktopWnd = nullptr;
    HWND TargetWnd = nullptr;
    HDC DesktopDC = nullptr;
    std::unique_ptr<TBitmap> Frame;
    int32_t HalfWidth = 0;
    int32_t RightStart = 0;
    int32_t RedShift = 0;
    std::vector<uint8_t*> Rows;  // one entry per frame row, top first; sized at each start
    int32_t FrameWidth = 0;
    int32_t FrameHeight = 0;
    int32_t CaptureLeft = 0;
    int32_t CaptureTop = 0;
    int32_t CaptureWidth = 0;
    int32_t CaptureHeight = 0;
    int32_t Offset = 0;

    void StartStopButtonClick(TObject* Sender);
    void StartTimerTimer(TObject* Sender);
    void LoopTimerTimer(TObject* Sender);
    void FormClose(TObject* Sender, TCloseAction& Action);
    void StopBtnClick(TObject* Sender);
    void QuitBtnClick(TObject* Sender);

    // Viewing options. Each is off by default, leaving the plain capture above untouched; they
    // are kept between runs when a settings key is named (Settings.h). A change reaches a running
    // capture at its next frame (the image takes a new size at once, the window at the next start)
    // and leaves a frozen picture as it is (its frame was rewritten in place).
    //
    // How a pair becomes a picture (Anaglyph.h): the glasses and their method, the pair's layout,
    // swapped eyes, squeezed views and what is shown.
    TGlasses Glasses() const { return FCompose.Glasses; }
    void SetGlasses(TGlasses value);
    // Red/blue and red/green glasses have grey only; the method chosen is kept for the others.
    TAnaglyphMethod Method() const { return FCompose.Method; }
    void SetMethod(TAnaglyphMethod value);
    TPairLayout Pair() const { return FCompose.Pair; }
    void SetPair(TPairLayout value);
    bool SwapEyes() const { return FCompose.Swap; }
    void SetSwapEyes(bool value);
    // The pair's views are squeezed to half width (side by side) or half height (top and bottom):
    // the picture is shown doubled along that axis.
    bool HalfWidthPair() const { return FCompose.HalfPair; }
    void SetHalfWidthPair(bool value);
    // An anaglyph, one view alone, or the views interleaved for a 3D display (shown 1:1 only).
    TShowMode ShowMode() const { return FCompose.Show; }
    void SetShowMode(TShowMode value);
    TFrameRate FrameRate() const { return FFrameRate; }
    void SetFrameRate(TFrameRate value);
    bool AlwaysOnTop() const { return FAlwaysOnTop; }
    void SetAlwaysOnTop(bool value);
    // Moves the shift N by Delta pixels, saturating at the 32-bit range, from the number the edit
    // box shows (the capture's N when the box holds no integer): a running or frozen capture takes
    // it from its next frame, and the edit box shows it for later starts. Before any start, a text
    // in the box that is not an integer is reported and nothing changes.
    void ChangeShift(int32_t Delta);

    static UINT FrameInterval(TFrameRate Rate);

    // What is captured. Off by default: a start takes the foreground window's outer rectangle,
    // fixed. Client area: a start takes the window's client area. Follow: every frame reads the
    // started window's rectangle again, copies from where it is now, sets the capture up anew
    // when its size changed and stops the loop when it is gone or minimised. Neither applies to
    // an area chosen on the screen.
    bool ClientAreaOnly() const { return FSource.ClientArea(); }
    void SetClientAreaOnly(bool value);
    bool FollowWindow() const { return FSource.Follow(); }
    void SetFollowWindow(bool value);
    bool AreaChosen() const { return FSource.AreaChosen(); }
    // Lets the user drag out an area of the screen and, on a choice, starts capturing it at once,
    // set up as a start sets it up (the shift read from the edit box first); the next start goes
    // back to the foreground window.
    void ChooseArea();

    // How the picture is shown (PictureView.h). A zoom chosen while frozen redraws the kept
    // picture; a start at 200 % sizes the window to the picture, one in Fit keeps its size.
    TZoom Zoom() const { return FView.Zoom(); }
    void SetZoom(TZoom value) { FView.SetZoom(value); }
    // Never kept between runs. Escape leaves it too, and a double-click on the picture toggles it.
    bool FullScreen() const { return FView.FullScreen(); }
    void SetFullScreen(bool value) { FView.SetFullScreen(value); }
    TPictureView& View() { return FView; }

    // Settings kept between runs, each with its first-run value: one line each.
    std::vector<TIntSetting> SettingsTable();
    // Reads what is stored under the settings key (nothing when none is named or none is stored);
    // the constructor calls it, before the window is shown.
    void LoadSettings();
    // Writes every setting, the shift text, the window's normal bounds and the toolbar's position:
    // at close.
    void SaveSettings();
    // Forgets what is stored and puts every option, the shift, the window and the toolbar back as
    // at a first run.
    void ResetSettings();

    // The options' right-click menu, shared by the picture, the scroll box, the dock and the
    // toolbar; owned by the form.
    TPopupMenu* OptionsMenu = nullptr;

    // A picture is shown 1:1 in physical pixels at every DPI: after the form followed its window
    // to another DPI, the window grows, if need be, to the picture and the margin at that DPI.
    void DpiChanged(int OldDpi, int NewDpi) override;

protected:
    void CreateParams(TCreateParams& Params) override;

private:
    void ReleaseCapture();
    // A start's setup of a capture of Target with the shift Shift (frame, rows, geometry, image,
    // window size, frame loop); a followed window's new size is set up the same way.
    void SetUpCapture(const TCaptureTarget& Target, int32_t Shift);
    // The capture items' checks, and whether they apply to what is captured.
    void ShowCaptureOptions();
    void BuildOptionsMenu();
    // Check marks from the options, before the menu shows.
    void OptionsMenuPopup(TObject* Sender);
    // The window's outer size around the image at the window's DPI: 40 pixels at 96 DPI.
    SIZE SizeAroundImage() const;
    // The first-run window: 330 x 90 at the form's DPI, centred on the screen.
    RECT FirstRunBounds() const;
    void ApplyTopmost();
    void AppMessage(MSG& Msg, bool& Handled);
    // The plan from the options and the capture, once per start and per change while running;
    // a new shown size, or Anew (a new capture), remakes the picture and sizes the image.
    void Replan(bool Anew = false);
    void StereoOptionChanged();
    // Check marks, enabled states and the pair item's text of the stereo options.
    void ShowStereoOptions();
    bool OverPicture(POINT Screen);

    TMenuItem* FClientItem = nullptr;
    TMenuItem* FFollowItem = nullptr;
    TMenuItem* FGlassesItems[5] = {};
    TMenuItem* FMethodItems[4] = {};
    TMenuItem* FPairItems[2] = {};
    TMenuItem* FShowItems[6] = {};
    TMenuItem* FSwapItem = nullptr;
    TMenuItem* FHalfWidthItem = nullptr;
    TMenuItem* FRateItems[3] = {};
    TMenuItem* FTopItem = nullptr;
    TMenuItem* FZoomItems[3] = {};
    TMenuItem* FFullScreenItem = nullptr;
    TCaptureSource FSource;
    TPictureView FView;
    // The composition's options (the capture's size and shift are filled in by Replan), and the
    // plan the frame tick reads.
    TComposeOptions FCompose;
    TComposePlan FPlan{};
    // The shown picture when the plan does not leave it in the frame (doubled, one view, the
    // interleavings); made when the shown size changes, never in a tick.
    std::unique_ptr<TBitmap> FPicture;
    std::vector<uint8_t*> FPictureRows;
    bool FPictureInFrame = true;
    TFrameRate FFrameRate = fr10;
    bool FAlwaysOnTop = false;
    int FWheelRest = 0;  // wheel movement short of a notch (high-resolution wheels)
};

extern TMainForm* MainForm;
