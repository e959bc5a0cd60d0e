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
class TNoAccessAfterFree : public T {
public:
    using T::T;
    static void* operator new(size_t size) { return VirtualAlloc(nullptr, size, MEM_COMMIT, PAGE_READWRITE); }
    static void operator delete(void* p, size_t size)
    {
        DWORD old = 0;
        Freed = VirtualProtect(p, size, PAGE_NOACCESS, &old);
    }
    inline static bool Freed = false;
};

class TTestToolWindow : public TNoAccessAfterFree<TToolWindow97> {
public:
    using TNoAccessAfterFree::TNoAccessAfterFree;
    bool TrackRaises = false;
    bool FreedByResizeBegin = false;

protected:
    void ResizeBegin(TToolWindowSizeHandle) override
    {
        if (FreedByResizeBegin)
            delete this;
    }
    void ResizeTrack(RECT&, const RECT&) override
    {
        if (TrackRaises)
            throw Exception(L"track");
    }
};

}  // namespace

TEST(ModalLoops, HandlersThatFreeTheToolWindowOrRaiseLeaveNothingBehind)
{
    enum TLoop { Drag, Resize, Close };
    // FreedByHandler: OnMouseDown, ResizeBegin or OnCloseQuery frees the tool window. FreeDock:
    // the target dock goes, then the cursor moves; FreeDockAtRelease: it goes, then the release.
    enum TMishap { FreeToolWindow, FreeForm, TrackRaises, FreedByHandler, FreeDock, FreeDockAtRelease };
    const struct Case {
        TLoop loop;
        TMishap mishap;
    } cases[] = {{Drag, FreeToolWindow},   {Drag, FreeForm},     {Resize, FreeToolWindow}, {Resize, FreeForm},
                 {Close, FreeToolWindow},  {Close, FreeForm},    {Resize, TrackRaises},    {Drag, FreedByHandler},
                 {Resize, FreedByHandler}, {Close, FreedByHandler}, {Drag, FreeDock},      {Drag, FreeDockAtRelease}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "loop " << c.loop << ", mishap " << c.mishap);
        TErrorRecorder errors;
        TForm* form = new TForm(nullptr);
        form->SetBounds(100, 100, 520, 300);
        TDock97* dock = new TNoAccessAfterFree<TDock97>(form);
        dock->SetParent(form);
        auto* bar = new TTestToolWindow(form);
        bar->SetParent(dock);
        bar->SetClientAreaSize(200, 60);
        form->Show();
        bar->SetDockedTo(nullptr);
        bar->SetBounds(700, 250, bar->Width(), bar->Height());  // clear of the form
        if (c.mishap == FreedByHandler) {
            bar->FreedByResizeBegin = true;
            bar->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { delete bar; };
            bar->OnCloseQuery = [&](TObject*, bool&) { delete bar; };
        }
        PumpMessages(200);
        const RECT r = WindowRectOf(bar);
        const RECT area{r.left - 60, r.top - 60, r.right + 120, r.bottom + 120};
        const std::vector<uint32_t> before = ScreenPixels(area);
        const TGeomRect close = GetCloseButtonRect(SystemFrameMetrics(), true, bar->ClientWidth(), true);
        const POINT from = c.loop == Drag     ? POINT{r.left + 20, r.top + 11}
                           : c.loop == Resize ? POINT{r.right - 1, (r.top + r.bottom) / 2}
                                              : POINT{r.left + close.Left + 5, r.top + close.Top + 5};
        // Just off the tool window, or over the top edge of the (empty) dock.
        const RECT over = WindowRectOf(dock);
        const POINT mid = c.mishap < FreeDock ? POINT{from.x + 60, from.y + 40} : POINT{over.left + 150, over.top};
        // The close button takes a release over it only.
        const POINT end = c.loop == Close && c.mishap == FreedByHandler ? from : POINT{mid.x + 10, mid.y + 10};
        TInputScript script;
        script.Move(from).Down().Move(mid).Wait().Then([&] {
            if (c.mishap == TrackRaises)
                bar->TrackRaises = true;
            else if (c.mishap != FreedByHandler)
                delete (c.mishap == FreeForm    ? std::exchange(form, nullptr)
                        : c.mishap >= FreeDock ? static_cast<TComponent*>(dock)
                                               : bar);
        });
        if (c.mishap != FreeDockAtRelease)
            script.Move(end);
        script.Wait().Up();
        ASSERT_TRUE(script.Run());
        PumpMessages(200);

        EXPECT_EQ(GetCapture(), nullptr);
        RECT clip{};
        GetClipCursor(&clip);
        EXPECT_EQ(clip.right, GetSystemMetrics(SM_CXSCREEN)) << "the cursor is free";
        EXPECT_TRUE(LockWindowUpdate(GetDesktopWindow())) << "the desktop is unlocked";
        LockWindowUpdate(nullptr);
        // Where a freed tool window stood, what lay below it shows now.
        const std::vector<uint32_t> after = ScreenPixels(area);
        const LONG width = area.right - area.left;
        int changed = 0;
        for (LONG i = 0; i < LONG(after.size()); ++i)
            changed += after[i] != before[i] &&
                       (c.mishap == TrackRaises || !PtInRect(&r, POINT{area.left + i % width, area.top + i / width}));
        EXPECT_EQ(changed, 0) << "the outline is erased";
        EXPECT_EQ(errors.Errors.size(), c.mishap == TrackRaises ? 1u : 0u);
        const bool freed = TTestToolWindow::Freed;
        EXPECT_EQ(freed, c.mishap == FreeToolWindow || c.mishap == FreeForm || c.mishap == FreedByHandler);
        if (!freed) {
            // Released off every dock left, it floats there; on a freed target it stays.
            RECT expected = r;
            if (c.mishap == FreeDock)
                OffsetRect(&expected, end.x - from.x, end.y - from.y);
            const RECT now = WindowRectOf(bar);
            EXPECT_TRUE(EqualRect(&now, &expected)) << "the bounds";
        }
        delete form;
        TTestToolWindow::Freed = false;
    }
}
