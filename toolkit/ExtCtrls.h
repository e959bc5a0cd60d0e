// Timers and the image control.
#pragma once

#include <functional>
#include <memory>

#include "Controls.h"

// Ticks arrive as WM_TIMER messages of the user-interface thread, through one hidden window.
class TTimer : public TComponent {
    TK_CLASSINFO(TTimer, TComponent)
public:
    explicit TTimer(TComponent* AOwner);
    ~TTimer() override;

    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value);
    UINT Interval() const { return FInterval; }
    void SetInterval(UINT value);
    // Running means a window-system timer is set for this object.
    bool Running() const { return FTimerId != 0; }

    TNotifyEvent OnTimer;
    void SetOnTimer(TNotifyEvent handler);

    // Replaces SetTimer, so that tests can run out of timers.
    using TSetTimerFunction = std::function<UINT_PTR(HWND, UINT_PTR, UINT)>;
    static void SetTimerFunction(TSetTimerFunction function);

    void Loaded() override;
    void Timer();

private:
    void UpdateTimer();

    bool FEnabled = true;
    UINT FInterval = 1000;
    UINT_PTR FTimerId = 0;
};

class TBitmap;

// Shows a bitmap 1:1 from its top-left corner. Canvas() makes that bitmap on first use, at the
// control's size, and the bitmap follows later changes of the control's size.
class TImage : public TGraphicControl {
    TK_CLASSINFO(TImage, TGraphicControl)
public:
    explicit TImage(TComponent* AOwner);
    ~TImage() override;

    TCanvas* Canvas();
    TBitmap* Bitmap() const { return FBitmap.get(); }
    bool Stretch() const { return FStretch; }
    void SetStretch(bool value);
    bool Center() const { return FCenter; }
    void SetCenter(bool value);
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;

protected:
    void Paint() override;

private:
    void PictureChanged();

    std::unique_ptr<TBitmap> FBitmap;
    bool FStretch = false;
    bool FCenter = false;
};
