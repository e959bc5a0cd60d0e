// Forms: position, closing, the screen's form list, scroll boxes, and GDI use over a form's life.
#include <gtest/gtest.h>

#include <memory>

#include "ExtCtrls.h"
#include "Forms.h"
#include "GdiCount.h"
#include "StdCtrls.h"
#include "TestSupport.h"

namespace {

std::unique_ptr<TForm> NewForm(int left, int top, int width, int height)
{
    auto form = std::make_unique<TForm>(nullptr);
    form->SetBounds(left, top, width, height);
    return form;
}

bool HasStyle(HWND window, LONG_PTR style)
{
    return (GetWindowLongPtrW(window, GWL_STYLE) & style) != 0;
}

}  // namespace

TEST(Forms, ScreenCenterPutsTheFormInTheMiddleWhenShown)
{
    auto form = NewForm(10, 10, 300, 200);
    form->SetPosition(poScreenCenter);
    form->Show();
    RECT r{};
    GetWindowRect(form->Handle(), &r);
    EXPECT_EQ(r.left, (GetSystemMetrics(SM_CXSCREEN) - 300) / 2);
    EXPECT_EQ(r.top, (GetSystemMetrics(SM_CYSCREEN) - 200) / 2);
    EXPECT_EQ(r.right - r.left, 300);
    EXPECT_EQ(form->Left(), r.left);

    // Once placed, a form moved elsewhere stays there when shown again.
    form->Hide();
    form->SetLeft(40);
    form->Show();
    GetWindowRect(form->Handle(), &r);
    EXPECT_EQ(r.left, 40);
}

TEST(Forms, CloseAsksOnCloseWhatToDo)
{
    auto form = NewForm(100, 100, 240, 160);
    int closes = 0, queries = 0;
    TCloseAction answer = caNone;
    bool canClose = true;
    form->OnClose = [&](TObject* sender, TCloseAction& action) {
        EXPECT_EQ(sender, form.get());
        EXPECT_EQ(action, caHide);  // the default for a normal form
        ++closes;
        action = answer;
    };
    form->OnCloseQuery = [&](TObject*, bool& can) {
        ++queries;
        can = canClose;
    };
    form->Show();
    HWND h = form->Handle();

    form->Close();
    EXPECT_EQ(closes, 1);
    EXPECT_TRUE(form->Visible());
    EXPECT_TRUE(IsWindowVisible(h));

    canClose = false;
    answer = caHide;
    form->Close();
    EXPECT_EQ(queries, 2);
    EXPECT_EQ(closes, 1);  // refused before OnClose
    EXPECT_TRUE(IsWindowVisible(h));

    // The window system's close comes the same way.
    canClose = true;
    PostMessageW(h, WM_CLOSE, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return closes == 2; }, 2000));
    EXPECT_FALSE(form->Visible());
    EXPECT_FALSE(IsWindowVisible(h));
    EXPECT_TRUE(IsWindow(h));  // hidden, not destroyed
}

TEST(Forms, ScreenListsFormsMostRecentlyActivatedFirst)
{
    const int before = Screen->FormCount();
    auto a = NewForm(100, 100, 200, 150);
    auto b = NewForm(350, 100, 200, 150);
    auto c = NewForm(600, 100, 200, 150);
    ASSERT_EQ(Screen->FormCount(), before + 3);
    for (TForm* f : {a.get(), b.get(), c.get()})
        f->Show();

    ASSERT_TRUE(BringToFront(b->Handle()));
    EXPECT_EQ(Screen->Forms(0), b.get());
    EXPECT_EQ(Screen->ActiveForm(), b.get());
    EXPECT_TRUE(b->Active());
    ASSERT_TRUE(BringToFront(a->Handle()));
    EXPECT_EQ(Screen->Forms(0), a.get());
    EXPECT_EQ(Screen->Forms(1), b.get());
    EXPECT_FALSE(b->Active());
    ASSERT_TRUE(BringToFront(c->Handle()));
    EXPECT_EQ(Screen->Forms(0), c.get());
    EXPECT_EQ(Screen->Forms(1), a.get());
    EXPECT_EQ(Screen->Forms(2), b.get());

    c.reset();
    EXPECT_EQ(Screen->FormCount(), before + 2);
    // Which form the window system activates next is its own choice; c is simply gone.
    EXPECT_TRUE(Screen->Forms(0) == a.get() || Screen->Forms(0) == b.get());
    EXPECT_THROW(Screen->Forms(before + 2), EListError);
}

TEST(Forms, ScrollBoxShowsScrollBarsWhenAChildOutgrowsIt)
{
    auto form = NewForm(100, 100, 400, 300);
    form->Show();
    auto* box = new TScrollBox(form.get());
    box->SetBounds(10, 10, 200, 150);
    box->SetParent(form.get());
    auto* child = new TButton(form.get());
    child->SetBounds(0, 0, 100, 100);
    child->SetParent(box);
    HWND h = box->Handle();
    EXPECT_FALSE(HasStyle(h, WS_VSCROLL));
    EXPECT_FALSE(HasStyle(h, WS_HSCROLL));

    child->SetHeight(400);
    EXPECT_TRUE(HasStyle(h, WS_VSCROLL));
    EXPECT_FALSE(HasStyle(h, WS_HSCROLL));
    SCROLLINFO si{sizeof(si), SIF_RANGE | SIF_PAGE, 0, 0, 0, 0, 0};
    ASSERT_TRUE(GetScrollInfo(h, SB_VERT, &si));
    EXPECT_EQ(si.nMax, 399);
    EXPECT_EQ(static_cast<int>(si.nPage), box->ClientHeight());

    child->SetWidth(500);
    EXPECT_TRUE(HasStyle(h, WS_VSCROLL));
    EXPECT_TRUE(HasStyle(h, WS_HSCROLL));

    // Scrolled down, the child moves up; shrunk back, the bars go and it returns.
    SendMessageW(h, WM_VSCROLL, MAKEWPARAM(SB_PAGEDOWN, 0), 0);
    EXPECT_LT(child->Top(), 0);
    child->SetBounds(child->Left(), child->Top(), 50, 50);
    EXPECT_FALSE(HasStyle(h, WS_VSCROLL));
    EXPECT_FALSE(HasStyle(h, WS_HSCROLL));
    EXPECT_EQ(child->Top(), 0);
}

TEST(Forms, AFormWithControlsFontsAndAnImageLeavesNoGdiObjectBehind)
{
    PumpMessages(20);
    const TGdiCounts start = GdiLiveCounts();
    {
        auto form = NewForm(120, 120, 360, 260);
        form->Font()->SetName(L"Arial");
        form->Font()->SetHeight(-14);
        auto* button = new TButton(form.get());
        button->SetBounds(10, 10, 90, 28);
        button->SetCaption(L"開始");
        button->SetParent(form.get());
        auto* edit = new TEdit(form.get());
        edit->SetBounds(110, 10, 90, 24);
        edit->Font()->SetStyle(TFontStyles{fsBold});
        edit->SetColor(clYellow);
        edit->SetParent(form.get());
        auto* box = new TScrollBox(form.get());
        box->SetBounds(10, 50, 200, 150);
        box->SetParent(form.get());
        auto* image = new TImage(form.get());
        image->SetBounds(0, 0, 300, 200);
        image->SetParent(box);
        TCanvas* canvas = image->Canvas();
        canvas->Brush()->SetColor(clRed);
        canvas->FillRect(RECT{0, 0, 300, 200});
        canvas->Pen()->SetColor(clBlue);
        canvas->MoveTo(0, 0);
        canvas->LineTo(300, 200);
        canvas->Font()->SetName(L"Arial");
        canvas->TextOut(5, 5, L"立体");
        form->Show();
        BringToFront(form->Handle());
        form->Update();
        box->Update();
        PumpMessages(50);
        EXPECT_GT(GdiLiveCounts().Objects, start.Objects);  // the counters do see what the form made
        button->Font()->SetHeight(-20);
        form->Invalidate();
        box->Invalidate();
        PumpMessages(50);
    }
    PumpMessages(20);
    const TGdiCounts end = GdiLiveCounts();
    EXPECT_EQ(end.Objects, start.Objects);
    EXPECT_EQ(end.DCs, start.DCs);
}
