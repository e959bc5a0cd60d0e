// The options' right-click menu of the main window: its items, their shortcuts and check marks.
#include "MainFormSource.h"

namespace {

// An item appended to Parent (the menu's root or a submenu item), which deletes it.
TMenuItem* AddItem(TMenuItem* Parent, const wchar_t* Caption, TShortCut Key = scNone, int RadioGroup = 0)
{
    auto* item = new TMenuItem(nullptr);
    Parent->Add(item);
    item->SetCaption(Caption);
    item->SetShortCut(Key);
    item->SetRadioItem(RadioGroup != 0);
    item->SetGroupIndex(RadioGroup);
    return item;
}

}  // namespace

void TMainForm::BuildOptionsMenu()
{
    // Every shortcut holds Ctrl or is a function key: the toolkit offers such keys to the menus
    // before the focused edit box, and the box needs none of them (a one-line box has no use for
    // the page keys).
    OptionsMenu = new TPopupMenu(this);
    TMenuItem* root = OptionsMenu->Items();
    AddItem(root, L"Choose area...", scCtrl | 'R')->OnClick = [this](TObject*) { ChooseArea(); };
    FClientItem = AddItem(root, L"Client area only");
    FClientItem->OnClick = [this](TObject*) { SetClientAreaOnly(!ClientAreaOnly()); };
    FFollowItem = AddItem(root, L"Follow the window", scCtrl | 'F');
    FFollowItem->OnClick = [this](TObject*) { SetFollowWindow(!FollowWindow()); };
    AddItem(root, L"-");
    TMenuItem* glasses = AddItem(root, L"Glasses");
    static const wchar_t* const glassesNames[] = {L"Red/cyan", L"Green/magenta", L"Amber/blue", L"Red/blue",
                                                  L"Red/green"};
    for (int g = glRedCyan; g <= glRedGreen; ++g) {
        FGlassesItems[g] = AddItem(glasses, glassesNames[g], scNone, 1);
        FGlassesItems[g]->OnClick = [this, g](TObject*) { SetGlasses(static_cast<TGlasses>(g)); };
    }
    static const struct {
        const wchar_t* Caption;
        WORD Key;
    } methods[] = {{L"Colour anaglyph", '1'}, {L"Half-colour anaglyph", '2'}, {L"Grey anaglyph", '3'},
                   {L"Dubois anaglyph", '4'}};
    for (int m = amColour; m <= amDubois; ++m) {
        FMethodItems[m] = AddItem(root, methods[m].Caption, scCtrl | methods[m].Key, 1);
        FMethodItems[m]->OnClick = [this, m](TObject*) { SetMethod(static_cast<TAnaglyphMethod>(m)); };
    }
    AddItem(root, L"-");
    TMenuItem* pair = AddItem(root, L"Pair");
    static const wchar_t* const pairs[] = {L"Side by side", L"Top and bottom"};
    for (int p = plSideBySide; p <= plTopAndBottom; ++p) {
        FPairItems[p] = AddItem(pair, pairs[p], scNone, 1);
        FPairItems[p]->OnClick = [this, p](TObject*) { SetPair(static_cast<TPairLayout>(p)); };
    }
    FSwapItem = AddItem(root, L"Swap eyes", scCtrl | 'E');
    FSwapItem->OnClick = [this](TObject*) { SetSwapEyes(!SwapEyes()); };
    FHalfWidthItem = AddItem(root, L"Half-width pair", scCtrl | 'D');
    FHalfWidthItem->OnClick = [this](TObject*) { SetHalfWidthPair(!HalfWidthPair()); };
    TMenuItem* show = AddItem(root, L"Show");
    static const wchar_t* const shows[] = {L"Anaglyph",         L"Left view only",      L"Right view only",
                                           L"Interleaved rows", L"Interleaved columns", L"Checkerboard"};
    for (int s = smAnaglyph; s <= smCheckerboard; ++s) {
        FShowItems[s] = AddItem(show, shows[s], scNone, 1);
        FShowItems[s]->OnClick = [this, s](TObject*) { SetShowMode(static_cast<TShowMode>(s)); };
    }
    AddItem(root, L"-");
    static const wchar_t* const rates[] = {L"10 frames/s", L"30 frames/s", L"60 frames/s"};
    for (int r = fr10; r <= fr60; ++r) {
        FRateItems[r] = AddItem(root, rates[r], scNone, 2);
        FRateItems[r]->OnClick = [this, r](TObject*) { SetFrameRate(static_cast<TFrameRate>(r)); };
    }
    AddItem(root, L"-");
    AddItem(root, L"Increase shift", scCtrl | VK_PRIOR)->OnClick = [this](TObject*) { ChangeShift(1); };
    AddItem(root, L"Decrease shift", scCtrl | VK_NEXT)->OnClick = [this](TObject*) { ChangeShift(-1); };
    AddItem(root, L"-");
    FTopItem = AddItem(root, L"Always on top", scCtrl | 'T');
    FTopItem->OnClick = [this](TObject*) { SetAlwaysOnTop(!FAlwaysOnTop); };
    TMenuItem* zoom = AddItem(root, L"Zoom");
    static const wchar_t* const zooms[] = {L"100 %", L"200 %", L"Fit to window"};
    for (int z = zm100; z <= zmFit; ++z) {
        FZoomItems[z] = AddItem(zoom, zooms[z], scNone, 1);
        FZoomItems[z]->OnClick = [this, z](TObject*) { SetZoom(static_cast<TZoom>(z)); };
    }
    FFullScreenItem = AddItem(root, L"Full screen", VK_F11);
    FFullScreenItem->OnClick = [this](TObject*) { SetFullScreen(!FullScreen()); };
    AddItem(root, L"-");
    AddItem(root, L"Reset settings")->OnClick = [this](TObject*) { ResetSettings(); };

    OptionsMenu->OnPopup = [this](TObject* Sender) { OptionsMenuPopup(Sender); };
    OptionsMenuPopup(OptionsMenu);
    for (TControl* c : {static_cast<TControl*>(image), static_cast<TControl*>(ScrollBox1),
                        static_cast<TControl*>(Dock971), static_cast<TControl*>(ToolWindow971)})
        c->SetPopupMenu(OptionsMenu);
}

void TMainForm::OptionsMenuPopup(TObject*)
{
    ShowCaptureOptions();
    ShowStereoOptions();
    FRateItems[FFrameRate]->SetChecked(true);
    FTopItem->SetChecked(FAlwaysOnTop);
    FZoomItems[FView.ZoomInUse()]->SetChecked(true);
    for (TZoom z : {zm200, zmFit})
        FZoomItems[z]->SetEnabled(!FView.OneToOneOnly());
    FFullScreenItem->SetChecked(FullScreen());
}

void TMainForm::ShowStereoOptions()
{
    FGlassesItems[Glasses()]->SetChecked(true);
    // Grey is all red/blue and red/green glasses have; the method chosen stays for the others.
    const bool greyOnly = Glasses() == glRedBlue || Glasses() == glRedGreen;
    for (TMenuItem* item : FMethodItems)
        item->SetEnabled(!greyOnly);
    FMethodItems[greyOnly ? amGrey : Method()]->SetChecked(true);
    FPairItems[Pair()]->SetChecked(true);
    FSwapItem->SetChecked(SwapEyes());
    FHalfWidthItem->SetCaption(Pair() == plTopAndBottom ? L"Half-height pair" : L"Half-width pair");
    FHalfWidthItem->SetChecked(HalfWidthPair());
    FShowItems[ShowMode()]->SetChecked(true);
}
