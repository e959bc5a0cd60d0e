// The modal loops of a floating tool window (drag, resize, close button) when a handler they
// dispatch or call frees the tool window, its form or a dock, or a resize hook raises half-way:
// the capture, the cursor, the desktop lock and the screen come back; nothing freed is touched.
#include <utility>

#include "DibSurface.h"
#include "InputScript.h"
#include "test_dock_support.h"

namespace {

// Freed, it keeps its pages reserved and unreadable: any later use faults at once.
template <class T>
struct TNoAccessAfterFree : T {
    using T::T;
    static void* operator new(size_t size) { return VirtualAlloc(nullptr, size, MEM_COMMIT, PAGE_READWRITE); }
    static void operator delete(void* p, size_t size) { DWORD old = 0; Freed = VirtualProtect(p, size, PAGE_NOACCESS, &old); }
    inline static bool Freed = false;
};

struct TTestToolWindow : TNoAccessAfterFree<TToolWindow97> {
    using TNoAccessAfterFree::TNoAccessAfterFree;
    bool TrackRaises = false, FreedByResizeBegin = false;
    void ResizeBegin(TToolWindowSizeHandle) override { if (FreedByResizeBegin) delete this; }
    void ResizeTrack(RECT&, const RECT&) override { if (TrackRaises) throw Exception(L"track"); }
};

}  // namespace

TEST(ModalLoops, HandlersThatFreeTheToolWindowOrRaiseLeaveNothingBehind)
{
    // DoubleClick: on the floating caption, a drag, then back to the last dock.
    enum TLoop { Drag, Resize, Close, DoubleClick };
    // FreedByHandler: OnMouseDown, ResizeBegin, OnCloseQuery or, for the double-click,
    // OnDockChanged frees the tool window. FreeDock:
    // the target dock goes, then the cursor moves; FreeDockAtRelease: it goes, then the release.
    enum TMishap { FreeToolWindow, FreeForm, TrackRaises, FreedByHandler, FreeDock, FreeDockAtRelease };
    const std::pair<TLoop, TMishap> cases[] = {
        {Drag, FreeToolWindow}, {Drag, FreeForm},           {Resize, FreeToolWindow}, {Resize, FreeForm},
        {Close, FreeToolWindow}, {Close, FreeForm},         {Resize, TrackRaises},    {Drag, FreedByHandler},
        {Resize, FreedByHandler}, {Close, FreedByHandler}, {Drag, FreeDock},         {Drag, FreeDockAtRelease},
        {DoubleClick, FreedByHandler}};
    for (const auto& [loop, mishap] : cases) {
        SCOPED_TRACE(testing::Message() << "loop " << loop << ", mishap " << mishap);
        TErrorRecorder errors;
        TForm* form = new TForm(nullptr);
        TDock97* dock = new TNoAccessAfterFree<TDock97>(form);
        auto* bar = new TTestToolWindow(form);
        form->SetBounds(100, 100, 520, 300);
        dock->SetParent(form);
        bar->SetParent(dock);
        bar->SetClientAreaSize(200, 60);
        form->Show();
        bar->SetDockedTo(nullptr);
        bar->SetBounds(700, 250, bar->Width(), bar->Height());  // clear of the form
        if (mishap == FreedByHandler && loop == DoubleClick) {
            bar->OnDockChanged = [&](TObject*) { delete bar; };
        } else if (mishap == FreedByHandler) {
            bar->FreedByResizeBegin = true;
            bar->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { delete bar; };
            bar->OnCloseQuery = [&](TObject*, bool&) { delete bar; };
        }
        PumpMessages(200);
        const RECT r = WindowRectOf(bar), over = WindowRectOf(dock);
        const RECT area{r.left - 60, r.top - 60, r.right + 120, r.bottom + 120};
        const std::vector<uint32_t> before = ScreenPixels(area);
        const TGeomRect close = GetCloseButtonRect(SystemFrameMetrics(), true, bar->ClientWidth(), true);
        const POINT from = loop == Drag || loop == DoubleClick ? POINT{r.left + 20, r.top + 11}
                           : loop == Resize ? POINT{r.right - 1, (r.top + r.bottom) / 2}
                                            : POINT{r.left + close.Left + 5, r.top + close.Top + 5};
        // Just off the tool window, or over the top edge of the (empty) dock; the close button
        // takes a release over it only.
        const POINT mid = mishap < FreeDock ? POINT{from.x + 60, from.y + 40} : POINT{over.left + 150, over.top};
        const POINT end = loop == Close && mishap == FreedByHandler ? from : POINT{mid.x + 10, mid.y + 10};
        TInputScript script;
        if (loop == DoubleClick)
            script.Move(from).Down().Up().Down();
        else
            // A structured binding is captured by an init-capture: older compilers refuse it by reference.
            script.Move(from).Down().Move(mid).Wait().Then([&, mishap = mishap] {
                if (mishap == TrackRaises)
                    bar->TrackRaises = true;
                else if (mishap != FreedByHandler)
                    delete (mishap == FreeForm    ? std::exchange(form, nullptr)
                            : mishap >= FreeDock ? static_cast<TComponent*>(dock) : bar);
            });
        if (mishap != FreeDockAtRelease && loop != DoubleClick)
            script.Move(end);
        ASSERT_TRUE(script.Wait().Up().Run());
        PumpMessages(200);
        EXPECT_EQ(GetCapture(), nullptr);
        RECT clip{};
        GetClipCursor(&clip);
        EXPECT_EQ(clip.right, GetSystemMetrics(SM_CXSCREEN)) << "the cursor is free";
        EXPECT_TRUE(LockWindowUpdate(GetDesktopWindow())) << "the desktop is unlocked";
        LockWindowUpdate(nullptr);
        // Where a freed tool window stood, what lay below it shows now.
        const std::vector<uint32_t> after = ScreenPixels(area);
        int changed = 0, i = 0;
        for (LONG y = area.top; y < area.bottom; ++y)
            for (LONG x = area.left; x < area.right; ++x, ++i)
                changed += after[i] != before[i] && (mishap == TrackRaises || !PtInRect(&r, POINT{x, y}));
        EXPECT_EQ(changed, 0) << "the outline is erased";
        EXPECT_EQ(errors.Errors.size(), mishap == TrackRaises ? 1u : 0u);
        const bool freed = TTestToolWindow::Freed;
        EXPECT_EQ(freed, mishap == FreeToolWindow || mishap == FreeForm || mishap == FreedByHandler);
        // Released off every dock left, it floats there; on a freed target it stays.
        RECT expected = r, now = freed ? r : WindowRectOf(bar);
        OffsetRect(&expected, mishap == FreeDock ? end.x - from.x : 0, mishap == FreeDock ? end.y - from.y : 0);
        EXPECT_TRUE(freed || EqualRect(&now, &expected)) << "the bounds";
        delete form;
        TTestToolWindow::Freed = false;
    }
}
