// The modal loops of a floating tool window (drag, resize, close button) when a handler they
// dispatch frees the tool window or its form, or a resize hook raises half-way: the capture,
// the cursor, the desktop lock and the screen come back, and a freed window is not touched.
#include <algorithm>
#include <cstring>
#include <span>
#include <utility>

#include "DibSurface.h"
#include "InputScript.h"
#include "test_dock_support.h"

namespace {

// A freed one keeps its memory, filled with a pattern: a write after the free changes the
// pattern, and a virtual call through it faults at once.
class TPoisonedToolWindow : public TToolWindow97 {
public:
    using TToolWindow97::TToolWindow97;
    static void operator delete(void* p, size_t size)
    {
        Freed = std::span(static_cast<unsigned char*>(std::memset(p, 0xA5, size)), size);
    }
    inline static std::span<unsigned char> Freed;
    bool TrackRaises = false;

protected:
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
    enum TMishap { FreeToolWindow, FreeForm, TrackRaises };
    const struct Case {
        TLoop loop;
        TMishap mishap;
    } cases[] = {{Drag, FreeToolWindow}, {Drag, FreeForm},   {Resize, FreeToolWindow}, {Resize, FreeForm},
                 {Close, FreeToolWindow}, {Close, FreeForm}, {Resize, TrackRaises}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "loop " << c.loop << ", mishap " << c.mishap);
        TErrorRecorder errors;
        TForm* form = new TForm(nullptr);
        form->SetBounds(100, 100, 520, 300);
        auto* dock = new TDock97(form);
        dock->SetParent(form);
        auto* bar = new TPoisonedToolWindow(form);
        bar->SetParent(dock);
        bar->SetClientAreaSize(200, 60);
        form->Show();
        bar->SetDockedTo(nullptr);
        bar->SetBounds(700, 250, bar->Width(), bar->Height());  // clear of the form
        PumpMessages(200);
        const RECT r = WindowRectOf(bar);
        const RECT area{r.left - 60, r.top - 60, r.right + 120, r.bottom + 120};
        const std::vector<uint32_t> before = ScreenPixels(area);
        const TGeomRect close = GetCloseButtonRect(SystemFrameMetrics(), true, bar->ClientWidth(), true);
        const POINT from = c.loop == Drag     ? POINT{r.left + 20, r.top + 11}
                           : c.loop == Resize ? POINT{r.right - 1, (r.top + r.bottom) / 2}
                                              : POINT{r.left + close.Left + 5, r.top + close.Top + 5};
        TInputScript script;
        script.Move(from).Down().Move(POINT{from.x + 60, from.y + 40}).Wait().Then([&] {
            if (c.mishap == TrackRaises)
                bar->TrackRaises = true;
            else
                delete (c.mishap == FreeForm ? static_cast<TComponent*>(std::exchange(form, nullptr)) : bar);
        });
        script.Move(POINT{from.x + 70, from.y + 50}).Wait().Up();
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
        if (c.mishap == TrackRaises) {
            EXPECT_EQ(errors.Errors.size(), 1u);
            const RECT now = WindowRectOf(bar);
            EXPECT_TRUE(EqualRect(&now, &r)) << "the bounds stay";
        } else {
            const std::span<unsigned char> freed = std::exchange(TPoisonedToolWindow::Freed, {});
            EXPECT_TRUE(!freed.empty() && std::all_of(freed.begin(), freed.end(), [](auto b) { return b == 0xA5; }))
                << "nothing is written into the freed tool window";
            EXPECT_TRUE(errors.Errors.empty());
        }
        delete form;
    }
}
