#include "GalleryForm.h"

#include <cstdint>

#include "Dpi.h"
#include "StdCtrls.h"
#include "TB97.h"
#include "TB97Tlwn.h"

namespace {

// 16 x 16 tiles: two soft greens in diagonal bands, magenta (the transparent colour, taken from
// the bottom-left pixel) in a diamond, so that the dock colour shows through.
void MakeBackground(TBitmap& bmp)
{
    bmp.SetPixelFormat(pf32bit);
    bmp.SetSize(16, 16);
    for (int y = 0; y < 16; ++y) {
        auto* row = static_cast<uint32_t*>(bmp.ScanLine(y));
        for (int x = 0; x < 16; ++x) {
            const int dx = x < 8 ? 7 - x : x - 8, dy = y < 8 ? 7 - y : y - 8;
            const bool diamond = dx + dy >= 9;
            const bool band = ((x + y) / 4) % 2 == 0;
            row[x] = diamond ? 0xFF00FF : band ? 0xB8D8B0 : 0x98C090;
        }
    }
}

TToolWindow97* AddBar(TForm* form, TWinControl* dock, const wchar_t* name, const wchar_t* caption,
                      std::initializer_list<const wchar_t*> buttons, bool vertical, int row = 0, int pos = 0)
{
    auto* bar = new TToolWindow97(form);
    bar->SetName(name);
    bar->SetCaption(caption);
    bar->SetDockRow(row);
    bar->SetDockPos(pos);
    bar->SetParent(dock);
    int i = 0;
    for (const wchar_t* text : buttons) {
        auto* b = new TButton(form);
        b->SetParent(bar);
        b->SetCaption(text);
        if (vertical)
            b->SetBounds(0, i * 24, 52, 24);
        else
            b->SetBounds(i * 52, 0, 52, 24);
        ++i;
    }
    const int n = static_cast<int>(buttons.size());
    bar->SetClientAreaSize(vertical ? 52 : 52 * n, vertical ? 24 * n : 24);
    return bar;
}

// The commands that save and load the layout, each button wider than the gallery's others.
void AddLayoutBar(TGalleryForm* form, TWinControl* dock)
{
    struct TCommand {
        const wchar_t* Caption;
        bool Save, Registry;
    };
    static constexpr TCommand commands[] = {
        {L"Save INI", true, false}, {L"Load INI", false, false}, {L"Save reg", true, true}, {L"Load reg", false, true}};
    auto* bar = new TToolWindow97(form);
    bar->SetName(L"LayoutBar");
    bar->SetCaption(L"Layout");
    bar->SetDockPos(200);
    bar->SetParent(dock);
    int x = 0;
    for (const TCommand& c : commands) {
        auto* b = new TButton(form);
        b->SetParent(bar);
        b->SetCaption(c.Caption);
        b->SetBounds(x, 0, 64, 24);
        b->OnClick = [form, c](TObject*) {
            if (c.Save)
                form->SaveLayout(c.Registry);
            else
                form->LoadLayout(c.Registry);
        };
        x += 64;
    }
    bar->SetClientAreaSize(x, 24);
}

TDock97* AddDock(TForm* form, const wchar_t* name, TDockPosition position)
{
    auto* dock = new TDock97(form);
    dock->SetName(name);
    dock->SetPosition(position);
    dock->SetParent(form);
    return dock;
}

}  // namespace

TGalleryForm::TGalleryForm(TComponent* AOwner) : TForm(AOwner)
{
    const int left = 40, top = 40;
    TForm* form = this;
    form->SetName(L"GalleryForm");
    form->SetCaption(L"Toolbar gallery");
    // Laid out below in 96-DPI pixels, then scaled to the display's DPI.
    form->SetPixelsPerInch(DefaultPixelsPerInch);
    form->SetBounds(left, top, 600, 400);

    TBitmap picture;
    MakeBackground(picture);

    TDock97* top97 = AddDock(form, L"TopDock", dpTop);
    top97->SetBoundLines(TDockBoundLines{blTop, blBottom});
    top97->SetBackground(&picture);
    top97->SetBackgroundTransparent(true);
    top97->SetColor(clSkyBlue);
    AddBar(form, top97, L"EditBar", L"Edit", {L"Cut", L"Copy", L"Paste"}, false, 0, 0);
    TToolWindow97* view = AddBar(form, top97, L"ViewBar", L"View", {L"Zoom", L"Fit"}, false, 0, 200);
    view->SetCloseButtonWhenDocked(true);
    TToolWindow97* tools = AddBar(form, top97, L"ToolsBar", L"Tools", {L"Pen", L"Fill"}, false, 1, 0);
    tools->SetDragHandleStyle(dhSingle);
    tools->SetClientAreaSize(150, 24);  // room beside the buttons: the dock's tiles show through

    TDock97* bottom = AddDock(form, L"BottomDock", dpBottom);
    bottom->SetBoundLines(TDockBoundLines{blTop});
    bottom->SetBackground(&picture);
    bottom->SetBackgroundTransparent(true);
    bottom->SetBackgroundOnToolbars(false);  // its tool window keeps its own colour
    AddBar(form, bottom, L"StatusBar", L"Status", {L"Ready"}, false);
    AddLayoutBar(this, bottom);

    TDock97* leftDock = AddDock(form, L"LeftDock", dpLeft);
    leftDock->SetBoundLines(TDockBoundLines{blRight});
    TToolWindow97* shapes = AddBar(form, leftDock, L"ShapesBar", L"Shapes", {L"Line", L"Box", L"Oval"}, true);
    shapes->SetCloseButtonWhenDocked(true);

    TDock97* rightDock = AddDock(form, L"RightDock", dpRight);
    rightDock->SetBoundLines(TDockBoundLines{blLeft});
    TToolWindow97* plain = AddBar(form, rightDock, L"PlainBar", L"Plain", {L"A", L"B"}, true);
    plain->SetDragHandleStyle(dhNone);
    plain->SetBorderStyle(bsNone);

    FFloating = AddBar(form, top97, L"FloatingBar", L"Floating tool window with a long caption",
                        {L"One", L"Two"}, false, 2, 0);

    const int dpi = MonitorDpi(BoundsRect());
    ScaleBy(dpi, DefaultPixelsPerInch);
    SetPixelsPerInch(dpi);
    FFloating->SetFloatingPosition(POINT{Left() + Width() + 20, top + ScaleValue(40, dpi, DefaultPixelsPerInch)});
    FFloating->SetDockedTo(nullptr);
}

const wchar_t* const TGalleryForm::LayoutKey = L"Software\\Tinteye\\Gallery";

std::wstring TGalleryForm::LayoutFile()
{
    wchar_t path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring file(path, n);
    const size_t slash = file.find_last_of(L"\\/");
    file.erase(slash == std::wstring::npos ? 0 : slash + 1);
    return file + L"Gallery.ini";
}

void TGalleryForm::SaveLayout(bool toRegistry)
{
    if (toRegistry)
        RegSaveToolbarPositions(this, LayoutKey);
    else
        IniSaveToolbarPositions(this, LayoutFile(), L"");
}

void TGalleryForm::LoadLayout(bool fromRegistry)
{
    if (fromRegistry)
        RegLoadToolbarPositions(this, LayoutKey);
    else
        IniLoadToolbarPositions(this, LayoutFile(), L"");
}
