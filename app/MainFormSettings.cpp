// What the main window keeps between runs: its options, the shift, its place and the toolbar's.
#include "MainFormSource.h"

#include <vector>

#include "Dpi.h"
#include "Settings.h"
#include "TB97Geometry.h"

namespace {

constexpr const wchar_t* FirstRunShift = L"30";
constexpr size_t LongestShift = 64;
constexpr const wchar_t* ToolbarsSubkeyName = L"Toolbars";

// Top-level windows without WS_EX_TOOLWINDOW report their normal bounds in workspace coordinates,
// from the primary work area's corner.
POINT WorkspaceOrigin()
{
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    return POINT{work.left, work.top};
}

}  // namespace

std::vector<TIntSetting> TMainForm::SettingsTable()
{
    // Name, first-run value, range, read, set.
    return {
        {L"Glasses", glRedCyan, glRedCyan, glRedGreen, [this] { return int32_t(Glasses()); },
         [this](int32_t v) { SetGlasses(static_cast<TGlasses>(v)); }},
        {L"Method", amColour, amColour, amDubois, [this] { return int32_t(Method()); },
         [this](int32_t v) { SetMethod(static_cast<TAnaglyphMethod>(v)); }},
        {L"Pair", plSideBySide, plSideBySide, plTopAndBottom, [this] { return int32_t(Pair()); },
         [this](int32_t v) { SetPair(static_cast<TPairLayout>(v)); }},
        {L"SwapEyes", 0, 0, 1, [this] { return int32_t(SwapEyes()); }, [this](int32_t v) { SetSwapEyes(v != 0); }},
        {L"Show", smAnaglyph, smAnaglyph, smCheckerboard, [this] { return int32_t(ShowMode()); },
         [this](int32_t v) { SetShowMode(static_cast<TShowMode>(v)); }},
        {L"HalfWidthPair", 0, 0, 1, [this] { return int32_t(HalfWidthPair()); },
         [this](int32_t v) { SetHalfWidthPair(v != 0); }},
        {L"FrameRate", fr10, fr10, fr60, [this] { return int32_t(FFrameRate); },
         [this](int32_t v) { SetFrameRate(static_cast<TFrameRate>(v)); }},
        {L"AlwaysOnTop", 0, 0, 1, [this] { return int32_t(FAlwaysOnTop); },
         [this](int32_t v) { SetAlwaysOnTop(v != 0); }},
        {L"Zoom", zm100, zm100, zmFit, [this] { return int32_t(Zoom()); },
         [this](int32_t v) { SetZoom(static_cast<TZoom>(v)); }},
        {L"ClientAreaOnly", 0, 0, 1, [this] { return int32_t(ClientAreaOnly()); },
         [this](int32_t v) { SetClientAreaOnly(v != 0); }},
        {L"FollowWindow", 0, 0, 1, [this] { return int32_t(FollowWindow()); },
         [this](int32_t v) { SetFollowWindow(v != 0); }},
    };
}

RECT TMainForm::FirstRunBounds() const
{
    const int w = ScaleValue(330, PixelsPerInch(), DefaultPixelsPerInch);
    const int h = ScaleValue(90, PixelsPerInch(), DefaultPixelsPerInch);
    const int left = (GetSystemMetrics(SM_CXSCREEN) - w) / 2, top = (GetSystemMetrics(SM_CYSCREEN) - h) / 2;
    return RECT{left, top, left + w, top + h};
}

void TMainForm::LoadSettings()
{
    const TSettingsStore store;
    if (!store.Named() || !store.Exists())
        return;  // a first run: everything as the layout has it
    store.Load(SettingsTable());
    Edit1->SetText(store.ReadString(L"Shift", FirstRunShift, LongestShift));

    // Each side on its own: a missing size is the first run's, a missing corner centres.
    const RECT first = FirstRunBounds();
    const int32_t width = store.ReadInt(L"Width", first.right - first.left, 1, 32767);
    const int32_t height = store.ReadInt(L"Height", first.bottom - first.top, 1, 32767);
    const int32_t left = store.ReadInt(L"Left", (GetSystemMetrics(SM_CXSCREEN) - width) / 2, -32768, 32767);
    const int32_t top = store.ReadInt(L"Top", (GetSystemMetrics(SM_CYSCREEN) - height) / 2, -32768, 32767);
    // A place no monitor's work area meets any longer comes back the way a floating toolbar does.
    RECT bounds{left, top, left + width, top + height};
    const RECT work = WorkAreaOfRect(bounds);
    if (const auto moved = MoveOnScreenRect(TGeomRect{bounds.left, bounds.top, bounds.right, bounds.bottom},
                                            TGeomRect{work.left, work.top, work.right, work.bottom}, true))
        bounds = RECT{moved->Left, moved->Top, moved->Right, moved->Bottom};
    SetPosition(poDesigned);
    SetBounds(bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top);
    SetWindowState(store.ReadInt(L"Maximized", 0, 0, 1) ? wsMaximized : wsNormal);

    // The framework's own record, under a subkey; loading would create the subkey, so only a
    // stored one is read. A record it cannot read leaves the toolbar docked as laid out.
    const TSettingsStore toolbars(TSettingsKey{store.Key().Root, store.Key().Path + L"\\" + ToolbarsSubkeyName});
    if (toolbars.Exists()) {
        try {
            RegLoadToolbarPositionsEx(this, toolbars.Key().Root, toolbars.Key().Path);
        } catch (const Exception&) {
        }
    }
    // A toolbar closed with its button stays closed for that run only.
    ToolWindow971->SetVisible(true);
}

void TMainForm::SaveSettings()
{
    const TSettingsStore store;
    if (!store.Named())
        return;
    SetFullScreen(false);  // the bounds and the toolbar as they are outside full screen
    store.Save(SettingsTable());
    store.WriteString(L"Shift", Edit1->Text());
    const WINDOWPLACEMENT placement = FView.NormalPlacement();
    if (placement.length == sizeof(placement)) {
        RECT r = placement.rcNormalPosition;
        if (!(GetWindowLongPtrW(Handle(), GWL_EXSTYLE) & WS_EX_TOOLWINDOW)) {
            const POINT origin = WorkspaceOrigin();
            OffsetRect(&r, origin.x, origin.y);
        }
        store.WriteInt(L"Left", r.left);
        store.WriteInt(L"Top", r.top);
        store.WriteInt(L"Width", r.right - r.left);
        store.WriteInt(L"Height", r.bottom - r.top);
        const bool maximized = placement.showCmd == SW_SHOWMAXIMIZED ||
                               (placement.showCmd == SW_SHOWMINIMIZED && (placement.flags & WPF_RESTORETOMAXIMIZED));
        store.WriteInt(L"Maximized", maximized ? 1 : 0);
    }
    try {
        RegSaveToolbarPositionsEx(this, store.Key().Root, store.Key().Path + L"\\" + ToolbarsSubkeyName);
    } catch (const Exception&) {
    }
}

void TMainForm::ResetSettings()
{
    SetFullScreen(false);
    TSettingsStore().Forget({ToolbarsSubkeyName});
    TSettingsStore::Reset(SettingsTable());
    Edit1->SetText(FirstRunShift);
    SetWindowState(wsNormal);
    const RECT first = FirstRunBounds();
    SetBounds(first.left, first.top, first.right - first.left, first.bottom - first.top);
    ToolWindow971->SetDockRow(0);
    ToolWindow971->SetDockPos(0);
    ToolWindow971->SetDockedTo(Dock971);
    ToolWindow971->SetVisible(true);
}
