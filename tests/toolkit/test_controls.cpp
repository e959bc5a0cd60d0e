// Controls on real windows: alignment, window handles, creation parameters, painting of
// non-windowed controls, real mouse input, the edit box's text.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "Forms.h"
#include "GdiCount.h"
#include "StdCtrls.h"
#include "TestSupport.h"

namespace {

class TTestPanel : public TCustomControl {
    TK_CLASSINFO(TTestPanel, TCustomControl)
public:
    explicit TTestPanel(TComponent* owner) : TCustomControl(owner) {}
};

const TClassInfo& TTestPanel::StaticClassInfo()
{
    static const TClassInfo info = TClassBuilder<TTestPanel>(L"TTestPanel", &TCustomControl::StaticClassInfo()).Build();
    return info;
}

class TStyledPanel : public TCustomControl {
    TK_CLASSINFO(TStyledPanel, TCustomControl)
public:
    explicit TStyledPanel(TComponent* owner) : TCustomControl(owner) {}

protected:
    void CreateParams(TCreateParams& Params) override
    {
        TCustomControl::CreateParams(Params);
        Params.Style |= WS_BORDER;
        Params.ExStyle |= WS_EX_STATICEDGE;
        Params.Caption = L"styled";
        Params.WinClassName = L"TinteyeStyledPanel";
    }
};

const TClassInfo& TStyledPanel::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TStyledPanel>(L"TStyledPanel", &TCustomControl::StaticClassInfo()).Build();
    return info;
}

// A non-windowed control that fills itself with its colour.
class TSwatch : public TGraphicControl {
    TK_CLASSINFO(TSwatch, TGraphicControl)
public:
    explicit TSwatch(TComponent* owner) : TGraphicControl(owner) {}
    int Paints = 0;

protected:
    void Paint() override
    {
        ++Paints;
        Canvas()->Brush()->SetColor(Color());
        Canvas()->FillRect(RECT{0, 0, Width(), Height()});
    }
};

const TClassInfo& TSwatch::StaticClassInfo()
{
    static const TClassInfo info = TClassBuilder<TSwatch>(L"TSwatch", &TGraphicControl::StaticClassInfo()).Build();
    return info;
}

std::unique_ptr<TForm> ShownForm(int clientWidth, int clientHeight)
{
    auto form = std::make_unique<TForm>(nullptr);
    form->SetBounds(150, 150, 200, 200);
    form->SetClientSize(clientWidth, clientHeight);
    form->Show();
    BringToFront(form->Handle());
    PumpMessages(30);
    return form;
}

template <class T>
T* Child(TWinControl* parent, TAlign align, int left, int top, int width, int height)
{
    auto* c = new T(parent->Owner() ? parent->Owner() : parent);
    c->SetBounds(left, top, width, height);
    c->SetAlign(align);
    c->SetParent(parent);
    return c;
}

RECT WindowRectIn(HWND window, HWND parent)
{
    RECT r{};
    GetWindowRect(window, &r);
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

::testing::AssertionResult SameRect(const RECT& a, const RECT& b)
{
    if (EqualRect(&a, &b))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << a.left << "," << a.top << "," << a.right << "," << a.bottom
                                         << ") vs (" << b.left << "," << b.top << "," << b.right << "," << b.bottom
                                         << ")";
}

COLORREF PixelAt(HWND window, int x, int y)
{
    HDC dc = CountedGetDC(window);
    const COLORREF c = GetPixel(dc, x, y);
    CountedReleaseDC(window, dc);
    return c;
}

POINT CentreOnScreen(TControl* control)
{
    return control->ClientToScreen(POINT{control->Width() / 2, control->Height() / 2});
}

}  // namespace

TEST(Controls, AlignedChildrenFillTheClientAreaAndFollowItsSize)
{
    auto form = ShownForm(300, 200);
    ASSERT_EQ(form->ClientWidth(), 300);
    auto* client = Child<TTestPanel>(form.get(), alClient, 0, 0, 10, 10);
    auto* top2 = Child<TTestPanel>(form.get(), alTop, 0, 100, 10, 25);
    auto* top1 = Child<TTestPanel>(form.get(), alTop, 0, 0, 10, 30);
    auto* bottom = Child<TTestPanel>(form.get(), alBottom, 0, 0, 10, 20);
    auto* left = Child<TTestPanel>(form.get(), alLeft, 0, 0, 40, 10);
    auto* right = Child<TSwatch>(form.get(), alRight, 0, 0, 50, 10);  // non-windowed ones align too

    EXPECT_TRUE(SameRect(top1->BoundsRect(), {0, 0, 300, 30}));
    EXPECT_TRUE(SameRect(top2->BoundsRect(), {0, 30, 300, 55}));  // the one just inserted goes first among equal tops
    EXPECT_TRUE(SameRect(bottom->BoundsRect(), {0, 180, 300, 200}));
    EXPECT_TRUE(SameRect(left->BoundsRect(), {0, 55, 40, 180}));
    EXPECT_TRUE(SameRect(right->BoundsRect(), {250, 55, 300, 180}));
    EXPECT_TRUE(SameRect(client->BoundsRect(), {40, 55, 250, 180}));
    EXPECT_TRUE(SameRect(WindowRectIn(client->Handle(), form->Handle()), client->BoundsRect()));

    // Resized by the window system, as a user dragging the frame would.
    RECT frame{};
    GetWindowRect(form->Handle(), &frame);
    SetWindowPos(form->Handle(), nullptr, 0, 0, frame.right - frame.left + 100, frame.bottom - frame.top + 60,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    PumpMessages(20);
    ASSERT_EQ(form->ClientWidth(), 400);
    ASSERT_EQ(form->ClientHeight(), 260);
    EXPECT_TRUE(SameRect(top1->BoundsRect(), {0, 0, 400, 30}));
    EXPECT_TRUE(SameRect(bottom->BoundsRect(), {0, 240, 400, 260}));
    EXPECT_TRUE(SameRect(right->BoundsRect(), {350, 55, 400, 240}));
    EXPECT_TRUE(SameRect(client->BoundsRect(), {40, 55, 350, 240}));
    EXPECT_TRUE(SameRect(WindowRectIn(client->Handle(), form->Handle()), client->BoundsRect()));

    // Hiding one gives its room to the rest.
    top2->Hide();
    EXPECT_TRUE(SameRect(client->BoundsRect(), {40, 30, 350, 240}));
}

TEST(Controls, HandleIsMadeOnDemandAndAgainUnderANewParent)
{
    auto first = std::make_unique<TForm>(nullptr);
    auto second = std::make_unique<TForm>(nullptr);
    auto* panel = new TTestPanel(first.get());
    panel->SetBounds(5, 6, 70, 40);
    panel->SetParent(first.get());
    EXPECT_FALSE(panel->HandleAllocated());
    EXPECT_FALSE(first->HandleAllocated());

    HWND handle = panel->Handle();
    ASSERT_TRUE(IsWindow(handle));
    EXPECT_TRUE(first->HandleAllocated());
    EXPECT_EQ(GetParent(handle), first->Handle());
    EXPECT_TRUE(SameRect(WindowRectIn(handle, first->Handle()), {5, 6, 75, 46}));

    panel->SetParent(second.get());
    EXPECT_FALSE(IsWindow(handle));
    EXPECT_FALSE(panel->HandleAllocated());
    HWND again = panel->Handle();
    EXPECT_NE(again, handle);
    EXPECT_EQ(GetParent(again), second->Handle());
    EXPECT_EQ(TWinControl::FindControl(again), panel);

    // On a showing parent the window comes at once, and shows.
    second->Show();
    auto* shown = new TTestPanel(second.get());
    shown->SetParent(second.get());
    EXPECT_TRUE(shown->HandleAllocated());
    EXPECT_TRUE(IsWindowVisible(shown->Handle()));
}

TEST(Controls, CreateParamsOverrideShapesTheWindow)
{
    auto form = std::make_unique<TForm>(nullptr);
    auto* panel = new TStyledPanel(form.get());
    panel->SetParent(form.get());
    HWND h = panel->Handle();
    EXPECT_TRUE(GetWindowLongPtrW(h, GWL_STYLE) & WS_BORDER);
    EXPECT_TRUE(GetWindowLongPtrW(h, GWL_STYLE) & WS_CHILD);
    EXPECT_TRUE(GetWindowLongPtrW(h, GWL_EXSTYLE) & WS_EX_STATICEDGE);
    wchar_t text[64] = {};
    GetClassNameW(h, text, 64);
    EXPECT_STREQ(text, L"TinteyeStyledPanel");
    GetWindowTextW(h, text, 64);
    EXPECT_STREQ(text, L"styled");

    // A predefined class under the toolkit's own name still behaves as that class.
    auto* edit = new TEdit(form.get());
    edit->SetParent(form.get());
    GetClassNameW(edit->Handle(), text, 64);
    EXPECT_STREQ(text, L"TEdit");
    EXPECT_NE(SendMessageW(edit->Handle(), WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL, 0);
}

TEST(Controls, NonWindowedControlIsPaintedByItsParent)
{
    auto form = ShownForm(200, 120);
    form->SetColor(clLime);
    auto* swatch = new TSwatch(form.get());
    swatch->SetBounds(20, 30, 40, 25);
    swatch->SetColor(clRed);
    swatch->SetParent(form.get());
    form->Update();
    EXPECT_GE(swatch->Paints, 1);
    HWND h = form->Handle();
    EXPECT_EQ(PixelAt(h, 25, 35), RGB(255, 0, 0));
    EXPECT_EQ(PixelAt(h, 59, 54), RGB(255, 0, 0));
    EXPECT_EQ(PixelAt(h, 60, 55), RGB(0, 255, 0));  // clipped to its bounds
    EXPECT_EQ(PixelAt(h, 10, 10), RGB(0, 255, 0));

    swatch->SetColor(clBlue);
    form->Update();
    EXPECT_EQ(PixelAt(h, 25, 35), RGB(0, 0, 255));
    swatch->SetLeft(100);
    form->Update();
    EXPECT_EQ(PixelAt(h, 25, 35), RGB(0, 255, 0));  // the old place is erased
    EXPECT_EQ(PixelAt(h, 105, 35), RGB(0, 0, 255));
}

TEST(Controls, RealDoubleClickGivesMouseDownWithTheDoubleFlag)
{
    auto form = ShownForm(240, 120);
    struct TDown {
        TMouseButton Button;
        TShiftState Shift;
        int X, Y;
    };
    std::vector<TDown> swatchDowns, panelDowns;
    int doubleClicks = 0;
    auto* swatch = new TSwatch(form.get());
    swatch->SetBounds(10, 10, 60, 40);
    swatch->SetParent(form.get());
    swatch->OnMouseDown = [&](TObject*, TMouseButton b, TShiftState s, int x, int y) {
        swatchDowns.push_back({b, s, x, y});
    };
    swatch->OnDblClick = [&](TObject*) { ++doubleClicks; };
    auto* panel = new TTestPanel(form.get());
    panel->SetBounds(120, 10, 60, 40);
    panel->SetParent(form.get());
    panel->OnMouseDown = [&](TObject*, TMouseButton b, TShiftState s, int x, int y) {
        panelDowns.push_back({b, s, x, y});
    };

    DoubleClickAt(CentreOnScreen(swatch));
    ASSERT_TRUE(PumpUntil([&] { return swatchDowns.size() >= 2; }, 2000));
    ASSERT_EQ(swatchDowns.size(), 2u);
    EXPECT_FALSE(swatchDowns[0].Shift.Contains(ssDouble));
    EXPECT_TRUE(swatchDowns[0].Shift.Contains(ssLeft));
    EXPECT_TRUE(swatchDowns[1].Shift.Contains(ssDouble));
    EXPECT_EQ(swatchDowns[1].Button, mbLeft);
    EXPECT_EQ(swatchDowns[1].X, 30);  // in the control's own coordinates
    EXPECT_EQ(swatchDowns[1].Y, 20);
    EXPECT_EQ(doubleClicks, 1);

    PumpMessages(600);  // past the double-click time: the next click starts afresh
    DoubleClickAt(CentreOnScreen(panel));
    ASSERT_TRUE(PumpUntil([&] { return panelDowns.size() >= 2; }, 2000));
    EXPECT_FALSE(panelDowns[0].Shift.Contains(ssDouble));
    EXPECT_TRUE(panelDowns[1].Shift.Contains(ssDouble));
    EXPECT_EQ(panelDowns[1].X, 30);
}

TEST(Controls, RealClickOnAButtonFiresOnClick)
{
    auto form = ShownForm(240, 120);
    auto* button = new TButton(form.get());
    button->SetBounds(20, 20, 100, 30);
    button->SetCaption(L"押す");
    button->SetParent(form.get());
    int clicks = 0;
    button->OnClick = [&](TObject* sender) {
        EXPECT_EQ(sender, button);
        ++clicks;
    };
    ClickAt(CentreOnScreen(button));
    EXPECT_TRUE(PumpUntil([&] { return clicks == 1; }, 2000));

    // Pressed on the button, released elsewhere: no click.
    MoveMouseTo(CentreOnScreen(button));
    MouseButton(true);
    MoveMouseTo(form->ClientToScreen(POINT{200, 100}));
    MouseButton(false);
    PumpMessages(50);
    EXPECT_EQ(clicks, 1);
}

TEST(Controls, EditTextWithAndWithoutAWindow)
{
    auto form = ShownForm(240, 120);
    auto* edit = new TEdit(form.get());
    int changes = 0;
    edit->OnChange = [&](TObject*) { ++changes; };
    edit->SetText(L"視差 12");
    EXPECT_FALSE(edit->HandleAllocated());
    EXPECT_EQ(edit->Text(), L"視差 12");

    edit->SetParent(form.get());
    ASSERT_TRUE(edit->HandleAllocated());
    wchar_t text[32] = {};
    GetWindowTextW(edit->Handle(), text, 32);
    EXPECT_STREQ(text, L"視差 12");

    edit->SetText(L"-3");
    GetWindowTextW(edit->Handle(), text, 32);
    EXPECT_STREQ(text, L"-3");
    EXPECT_GE(changes, 1);

    // What the user typed is the text, and it outlives the window.
    SetFocus(edit->Handle());
    SendMessageW(edit->Handle(), EM_SETSEL, 0, -1);
    PressKey('7');
    EXPECT_EQ(edit->Text(), L"7");
    edit->SetParent(nullptr);
    EXPECT_FALSE(edit->HandleAllocated());
    EXPECT_EQ(edit->Text(), L"7");
    delete edit;
}

TEST(Controls, TypedTextSurvivesTheParentsWindowBeingMadeAgain)
{
    auto form = ShownForm(240, 120);
    auto* box = new TTestPanel(form.get());
    box->SetBounds(0, 0, 200, 80);
    box->SetParent(form.get());
    auto* edit = new TEdit(form.get());
    edit->SetText(L"old");
    edit->SetParent(box);
    SetWindowTextW(edit->Handle(), L"typed 入力");  // as the user would change it

    form->SetBorderStyle(bsSingle);  // the form's window, and its children's, are made again
    ASSERT_TRUE(edit->HandleAllocated());
    EXPECT_EQ(edit->Text(), L"typed 入力");
    wchar_t text[32] = {};
    GetWindowTextW(edit->Handle(), text, 32);
    EXPECT_STREQ(text, L"typed 入力");
    EXPECT_EQ(GetParent(edit->Handle()), box->Handle());
    EXPECT_EQ(GetParent(box->Handle()), form->Handle());

    SetWindowTextW(edit->Handle(), L"again");
    auto other = std::make_unique<TForm>(nullptr);
    box->SetParent(other.get());  // no window until needed under the new parent
    EXPECT_FALSE(edit->HandleAllocated());
    EXPECT_EQ(edit->Text(), L"again");
}
