// The main window: Start, Stop, Quit and the offset box; the capture and its frame loop.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "ExtCtrls.h"
#include "Forms.h"
#include "StdCtrls.h"
#include "TB97.h"
#include "TB97Tlwn.h"

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

private:
    void ReleaseCapture();
};

extern TMainForm* MainForm;
