// One arrangement of a top dock holding 10, 100 and 1,000 tool windows over 10 rows, and one
// dock -> float -> dock round trip of a tool window, under Wine.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "BenchClock.h"
#include "BenchSupport.h"
#include "Forms.h"
#include "TB97.h"
#include "TB97Tlwn.h"

namespace {

struct TDockSetup {
    TForm* Form = nullptr;
    TDock97* Dock = nullptr;
    std::vector<TToolWindow97*> Bars;
};

// A shown form with a top dock and count tool windows, DockRow = i % 10, DockPos spread
// along each row. The dock is locked while they are added so that setting up costs no
// arrangement per tool window.
TDockSetup MakeDock(int count)
{
    TDockSetup s;
    s.Form = new TForm(nullptr);
    s.Form->SetBounds(20, 20, 900, 600);
    s.Dock = new TDock97(s.Form);
    s.Dock->SetParent(s.Form);
    s.Dock->BeginUpdate();
    for (int i = 0; i < count; ++i) {
        auto* bar = new TToolWindow97(s.Form);
        bar->SetName(L"Bar" + std::to_wstring(i));
        bar->SetDockRow(i % 10);
        bar->SetDockPos((i / 10) * 70);
        bar->SetParent(s.Dock);
        bar->SetClientAreaSize(48, 22);
        s.Bars.push_back(bar);
    }
    s.Dock->EndUpdate();
    s.Form->Show();
    Pump();
    return s;
}

void FreeDock(TDockSetup& s)
{
    delete s.Form;
    s.Form = nullptr;
    Pump();
}

struct TArrangeTimes {
    double Steady;  // nothing changed since the last arrangement
    double Moved;   // one tool window moved along its row first
    int MovedBars;  // tool windows whose place changed in such an arrangement
};

TArrangeTimes MeasureArrange(int count, int runs)
{
    TDockSetup s = MakeDock(count);
    s.Dock->ArrangeToolbars(false);  // settle
    std::vector<double> steady, moved;
    steady.reserve(runs);
    moved.reserve(runs);
    for (int i = 0; i < runs; ++i) {
        double t0 = Now();
        s.Dock->ArrangeToolbars(false);
        steady.push_back(Now() - t0);
    }
    // SetDockPos on a docked tool window re-arranges its dock once. Sending the first tool
    // window of row 0 to the row's end and back moves it every time, and in a row too long
    // for the dock the rest of the row shifts along with it.
    int movedBars = 0;
    if (count > 0) {
        TToolWindow97* first = s.Bars.front();
        std::vector<RECT> before;
        for (TToolWindow97* bar : s.Bars)
            before.push_back(bar->BoundsRect());
        first->SetDockPos(1000000);
        for (size_t b = 0; b < s.Bars.size(); ++b) {
            const RECT now = s.Bars[b]->BoundsRect();
            movedBars += now.left != before[b].left || now.top != before[b].top;
        }
        first->SetDockPos(0);
        for (int i = 0; i < runs; ++i) {
            const int32_t pos = (i % 2) ? 0 : 1000000;
            double t0 = Now();
            first->SetDockPos(pos);
            moved.push_back(Now() - t0);
        }
    }
    Pump();
    const size_t rows = s.Dock->RowThicknesses().Rows().size();
    if (count >= 10 && rows != 10)
        std::fprintf(stderr, "dock has %zu rows, expected 10\n", rows);
    if (s.Dock->GetToolbarCount() != count)
        std::fprintf(stderr, "dock shows %d tool windows, expected %d\n", s.Dock->GetToolbarCount(), count);
    FreeDock(s);
    return {Median(steady), moved.empty() ? 0.0 : Median(moved), movedBars};
}

double MeasureRoundTrip(int runs)
{
    TDockSetup s = MakeDock(10);
    TToolWindow97* bar = s.Bars.front();
    // Warm-up: the first float makes the floating parent's window class.
    bar->SetDockedTo(nullptr);
    bar->SetDockedTo(s.Dock);
    Pump();
    std::vector<double> trips;
    trips.reserve(runs);
    for (int i = 0; i < runs; ++i) {
        double t0 = Now();
        bar->SetDockedTo(nullptr);
        bar->SetDockedTo(s.Dock);
        trips.push_back(Now() - t0);
        if (bar->IsDocked() == false || bar->DockedTo() != s.Dock)
            std::fprintf(stderr, "round trip %d did not dock back\n", i);
        Pump();
    }
    FreeDock(s);
    return Median(trips);
}

}  // namespace

int main()
{
    TApplication app(nullptr);
    Application->Initialize();
    InstallCountingReporter();

    struct TSize {
        int Count;
        int Runs;
    };
    const TSize sizes[] = {{10, 201}, {100, 101}, {1000, 31}};
    MeasureArrange(10, 21);  // warm-up: window classes, code and the Wine server's caches
    const TArrangeTimes empty = MeasureArrange(0, 201);
    std::printf("ArrangeToolbars of a top dock, tool windows over 10 rows (median, ms).\n"
                "steady: nothing changed since the last arrangement; moved: the first tool window of row 0\n"
                "sent to the row's end or back first (moves: tool windows whose place changed).\n"
                "An empty dock's arrangement takes %.3f ms.\n\n",
                empty.Steady);
    std::printf("tool windows  runs     steady   per window (us)      moved   per window (us)  moves\n");
    TArrangeTimes times[3] = {};
    int k = 0;
    for (const TSize& size : sizes) {
        const TArrangeTimes t = MeasureArrange(size.Count, size.Runs);
        times[k++] = t;
        std::printf("%12d  %4d  %9.3f  %16.2f  %9.3f  %16.2f  %5d\n", size.Count, size.Runs, t.Steady,
                    t.Steady * 1000.0 / size.Count, t.Moved, t.Moved * 1000.0 / size.Count, t.MovedBars);
        std::fflush(stdout);
    }
    // Time ~ N^e between 100 and 1,000 tool windows: e near 1 is linear. A moved arrangement
    // costs what the tool windows that change place cost on top of the steady one.
    const double e = std::log10(times[2].Steady / times[1].Steady);
    const char* kind = e < 0.8    ? "sublinear (a fixed per-call cost still dominates)"
                       : e < 1.25 ? "linear"
                                  : "faster than linear";
    std::printf("\ngrowth from 100 to 1,000 tool windows: steady ~N^%.2f, %s;\n"
                "moved: %.2f ms per tool window that changes place (%d at 1,000), so it grows with the\n"
                "windows moved, not the windows held\n",
                e, kind, (times[2].Moved - times[2].Steady) / std::max(times[2].MovedBars, 1), times[2].MovedBars);

    const int trips = 31;
    const double trip = MeasureRoundTrip(trips);
    std::printf("\ndock -> float -> dock round trip of one tool window (median of %d): %.3f ms\n", trips, trip);
    return ErrorExitCode();
}
