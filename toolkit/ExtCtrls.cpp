#include "ExtCtrls.h"

#include <map>

#include "ErrorReport.h"

namespace {

std::map<UINT_PTR, TTimer*>& LiveTimers()
{
    static std::map<UINT_PTR, TTimer*> timers;
    return timers;
}

UINT_PTR NextTimerId = 1;

TTimer::TSetTimerFunction& SetTimerHook()
{
    static TTimer::TSetTimerFunction hook;
    return hook;
}

LRESULT CALLBACK TimerWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_TIMER) {
        // A tick queued before its timer was killed finds nothing here and is dropped.
        const auto it = LiveTimers().find(static_cast<UINT_PTR>(wParam));
        if (it != LiveTimers().end()) {
            try {
                it->second->Timer();
            } catch (...) {
                HandleCurrentException();
            }
        }
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

HWND TimerWindow()
{
    static HWND window = nullptr;
    if (!window || !IsWindow(window))
        window = CreateUtilityWindow(L"TTimerWindow", TimerWndProc, L"", 0, 0, HWND_MESSAGE);
    return window;
}

}  // namespace

const TClassInfo& TTimer::StaticClassInfo()
{
    static const TClassInfo info = TClassBuilder<TTimer>(L"TTimer", &TComponent::StaticClassInfo())
        .Creatable()
        .Boolean(L"Enabled", &TTimer::Enabled, &TTimer::SetEnabled, true)
        .Integer(L"Interval", &TTimer::Interval, &TTimer::SetInterval, 1000)
        .Event(L"OnTimer", &TTimer::OnTimer)
        .Build();
    return info;
}

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner)
{
    // Enabled from the start: a timer made in code ticks once its handler is assigned.
    UpdateTimer();
}

TTimer::~TTimer()
{
    FEnabled = false;
    UpdateTimer();
}

void TTimer::SetTimerFunction(TSetTimerFunction function)
{
    SetTimerHook() = std::move(function);
}

void TTimer::SetEnabled(bool value)
{
    if (FEnabled == value)
        return;
    FEnabled = value;
    UpdateTimer();
}

void TTimer::SetInterval(UINT value)
{
    if (FInterval == value)
        return;
    FInterval = value;
    UpdateTimer();
}

void TTimer::SetOnTimer(TNotifyEvent handler)
{
    OnTimer = std::move(handler);
    UpdateTimer();
}

void TTimer::Loaded()
{
    TComponent::Loaded();
    UpdateTimer();
}

void TTimer::UpdateTimer()
{
    HWND window = TimerWindow();
    if (FTimerId) {
        KillTimer(window, FTimerId);
        LiveTimers().erase(FTimerId);
        FTimerId = 0;
    }
    // The reader sets OnTimer through its field, so a loading timer waits for Loaded.
    if (!FEnabled || FInterval == 0 || IsLoading() || IsDestroying())
        return;
    const UINT_PTR id = NextTimerId++;
    const UINT_PTR got = SetTimerHook() ? SetTimerHook()(window, id, FInterval) : SetTimer(window, id, FInterval, nullptr);
    if (!got) {
        // Left enabled, a later switch-on would be taken as "no change" and never retry.
        FEnabled = false;
        throw EOutOfResources(L"タイマーを取得できません");
    }
    FTimerId = id;
    LiveTimers()[id] = this;
}

void TTimer::Timer()
{
    if (OnTimer)
        OnTimer(this);
}

// ---- TImage ---------------------------------------------------------------------------------

const TClassInfo& TImage::StaticClassInfo()
{
    static const TClassInfo info = TClassBuilder<TImage>(L"TImage", &TGraphicControl::StaticClassInfo())
        .Creatable()
        .Boolean(L"Stretch", &TImage::Stretch, &TImage::SetStretch, false)
        .Boolean(L"Center", &TImage::Center, &TImage::SetCenter, false)
        .Build();
    return info;
}

TImage::TImage(TComponent* AOwner) : TGraphicControl(AOwner)
{
    FWidth = 105;
    FHeight = 105;
}

TImage::~TImage() = default;

TCanvas* TImage::Canvas()
{
    if (!FBitmap) {
        auto bitmap = std::make_unique<TBitmap>();
        bitmap->SetPixelFormat(pf32bit);
        bitmap->SetSize(FWidth, FHeight);
        bitmap->OnChange = [this](TObject*) { PictureChanged(); };
        FBitmap = std::move(bitmap);
        PictureChanged();
    }
    return FBitmap->Canvas();
}

void TImage::SetStretch(bool value)
{
    if (FStretch == value)
        return;
    FStretch = value;
    PictureChanged();
}

void TImage::SetCenter(bool value)
{
    if (FCenter == value)
        return;
    FCenter = value;
    PictureChanged();
}

void TImage::SetBounds(int ALeft, int ATop, int AWidth, int AHeight)
{
    TGraphicControl::SetBounds(ALeft, ATop, AWidth, AHeight);
    if (FBitmap && (FBitmap->Width() != FWidth || FBitmap->Height() != FHeight))
        FBitmap->SetSize(FWidth, FHeight);
}

void TImage::PictureChanged()
{
    // A bitmap covering the control paints every pixel: no background erase, no flicker.
    const bool covers = FBitmap && (FStretch || (FBitmap->Width() >= FWidth && FBitmap->Height() >= FHeight));
    if (covers)
        FControlStyle.Include(csOpaque);
    else
        FControlStyle.Exclude(csOpaque);
    Invalidate();
}

void TImage::Paint()
{
    TCanvas* canvas = TGraphicControl::Canvas();
    if (!FBitmap || FBitmap->Empty())
        return;
    if (FStretch) {
        canvas->StretchDraw(RECT{0, 0, FWidth, FHeight}, *FBitmap);
    } else if (FCenter) {
        canvas->Draw((FWidth - FBitmap->Width()) / 2, (FHeight - FBitmap->Height()) / 2, *FBitmap);
    } else {
        canvas->Draw(0, 0, *FBitmap);
    }
}
