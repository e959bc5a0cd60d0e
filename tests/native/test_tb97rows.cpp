// Dock row arithmetic: arrangement, row thicknesses and the row hit tests.
#include <gtest/gtest.h>

#include <chrono>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "SysUtils.h"
#include "TB97Rows.h"

// Readable failure messages (the same as in the other test file).
inline void PrintTo(const TGeomRect& r, std::ostream* os)
{
    *os << "(" << r.Left << ", " << r.Top << ", " << r.Right << ", " << r.Bottom << ")";
}
inline void PrintTo(const TGeomBounds& b, std::ostream* os)
{
    *os << "bounds(" << b.Left << ", " << b.Top << ", " << b.Width << " x " << b.Height << ")";
}
inline void PrintTo(const TGeomSize& s, std::ostream* os) { *os << s.Width << " x " << s.Height; }
inline void PrintTo(const TGeomPoint& p, std::ostream* os) { *os << "(" << p.X << ", " << p.Y << ")"; }
inline void PrintTo(const TDockRowHit& h, std::ostream* os) { *os << "row " << h.Row << (h.Before ? " before" : ""); }

namespace {

TDockMember Bar(int32_t row, int32_t pos, int32_t width, int32_t height, int32_t barSize, bool shown = true,
                bool fullSize = false)
{
    TDockMember m;
    m.DockRow = row;
    m.DockPos = pos;
    m.Width = width;
    m.Height = height;
    m.Shown = shown;
    m.FullSize = fullSize;
    m.GetBarSize = [barSize](TDockType) { return barSize; };
    return m;
}

TDockArrangeInput Dock(TDockPosition position, int32_t width, int32_t height, std::vector<TDockMember> members)
{
    TDockArrangeInput in;
    in.Position = position;
    in.Width = width;
    in.Height = height;
    in.Members = std::move(members);
    return in;
}

const TDockMemberState& StateOf(const TDockArrangement& a, size_t index)
{
    for (const TDockMemberState& s : a.Members)
        if (s.Index == index)
            return s;
    throw std::runtime_error("member " + std::to_string(index) + " missing from the result");
}

const TGeomBounds& BoundsOf(const TDockArrangement& a, size_t index)
{
    for (const TDockPlacement& p : a.Placements)
        if (p.Index == index)
            return p.Bounds;
    throw std::runtime_error("member " + std::to_string(index) + " not placed");
}

}  // namespace

TEST(TB97Arrange, EmptyDockThicknessIgnoresBoundLinesAndLeavesMembersAlone)
{
    int asked = 0;
    TDockMember hidden = Bar(3, 40, 50, 26, 22, false);
    hidden.GetBarSize = [&](TDockType) { return ++asked, 22; };

    struct Case {
        TDockPosition pos;
        bool designing, fixAlign;
        TGeomSize expect;
    } cases[] = {
        {dpTop, false, false, {300, 0}},   {dpTop, false, true, {300, 1}},  {dpTop, true, false, {300, 9}},
        {dpBottom, true, true, {300, 9}},  {dpLeft, false, false, {0, 200}}, {dpRight, false, true, {1, 200}},
        {dpLeft, true, false, {9, 200}},
    };
    for (const Case& c : cases) {
        TDockArrangeInput in = Dock(c.pos, 300, 200, {hidden});
        in.Designing = c.designing;
        in.FixAlign = c.fixAlign;
        in.BoundLinesWidth = 2;
        in.BoundLinesHeight = 2;
        in.CommitPositions = true;
        TDockArrangement a = ArrangeDock(in);
        EXPECT_TRUE(a.Empty);
        EXPECT_EQ(a.DockSize, c.expect) << "position " << int(c.pos);
        EXPECT_TRUE(a.Placements.empty());
        ASSERT_EQ(a.Members.size(), 1u);
        EXPECT_EQ(a.Members[0].DockRow, 3);  // not renumbered
        EXPECT_EQ(a.Members[0].DockPos, 40);
    }
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(ArrangeDock(Dock(dpTop, 300, 40, {})).DockSize, (TGeomSize{300, 0}));
}

TEST(TB97Arrange, ThinBarGetsTwelvePixelRowAndBoundLinesAddToTheDock)
{
    TDockArrangeInput in = Dock(dpTop, 300, 40, {Bar(0, 0, 50, 7, 3)});
    TDockArrangement a = ArrangeDock(in);
    EXPECT_EQ(a.RowInfo.RowSize(0), 8);
    EXPECT_EQ(BoundsOf(a, 0), (TGeomBounds{0, 0, 50, 12}));
    EXPECT_EQ(a.DockSize, (TGeomSize{300, 12}));

    in.BoundLinesHeight = BoundLinesHeightOf({blTop, blBottom});
    in.BoundLinesWidth = BoundLinesWidthOf({blTop, blBottom});
    EXPECT_EQ(ArrangeDock(in).DockSize, (TGeomSize{300, 14}));

    TDockArrangeInput left = Dock(dpLeft, 40, 300, {Bar(0, 0, 7, 50, 3)});
    left.BoundLinesWidth = BoundLinesWidthOf({blLeft, blRight, blTop});
    left.BoundLinesHeight = 1;
    a = ArrangeDock(left);
    EXPECT_EQ(BoundsOf(a, 0), (TGeomBounds{0, 0, 12, 50}));
    EXPECT_EQ(a.DockSize, (TGeomSize{14, 300}));

    // A negative bar size counts as nothing, and the row still gets its minimum.
    EXPECT_EQ(ArrangeDock(Dock(dpTop, 300, 40, {Bar(0, 0, 50, 7, -20)})).DockSize, (TGeomSize{300, 12}));
}

TEST(TB97Arrange, WorkedExampleFitsRowAndCommitsOnlyWhenAsked)
{
    TDockArrangeInput in = Dock(dpTop, 200, 10,
                                {Bar(0, 0, 80, 26, 22), Bar(0, 150, 80, 26, 22), Bar(1, 10, 50, 26, 22)});
    TDockArrangement a = ArrangeDock(in);
    EXPECT_FALSE(a.Empty);
    EXPECT_EQ(BoundsOf(a, 0), (TGeomBounds{0, 0, 80, 26}));
    EXPECT_EQ(BoundsOf(a, 1), (TGeomBounds{120, 0, 80, 26}));
    EXPECT_EQ(BoundsOf(a, 2), (TGeomBounds{10, 26, 50, 26}));
    EXPECT_EQ(a.DockSize, (TGeomSize{200, 52}));
    EXPECT_EQ(StateOf(a, 1).DockPos, 150);
    EXPECT_EQ(StateOf(a, 2).DockRow, 1);
    // Placed row by row, in list order within a row.
    ASSERT_EQ(a.Placements.size(), 3u);
    EXPECT_EQ(a.Placements[0].Index, 0u);
    EXPECT_EQ(a.Placements[1].Index, 1u);
    EXPECT_EQ(a.Placements[2].Index, 2u);

    in.CommitPositions = true;
    a = ArrangeDock(in);
    EXPECT_EQ(StateOf(a, 0).DockPos, 0);
    EXPECT_EQ(StateOf(a, 1).DockPos, 120);
    EXPECT_EQ(StateOf(a, 2).DockPos, 10);
    EXPECT_EQ(a.DockSize, (TGeomSize{200, 52}));

    // The same on a right dock: lengths are heights, rows stack rightwards.
    TDockArrangeInput v = Dock(dpRight, 10, 200,
                               {Bar(0, 0, 26, 80, 22), Bar(0, 150, 26, 80, 22), Bar(1, 10, 26, 50, 22)});
    a = ArrangeDock(v);
    EXPECT_EQ(BoundsOf(a, 0), (TGeomBounds{0, 0, 26, 80}));
    EXPECT_EQ(BoundsOf(a, 1), (TGeomBounds{0, 120, 26, 80}));
    EXPECT_EQ(BoundsOf(a, 2), (TGeomBounds{26, 10, 26, 50}));
    EXPECT_EQ(a.DockSize, (TGeomSize{52, 200}));
    EXPECT_EQ(StateOf(a, 1).DockPos, 150);
}

TEST(TB97Arrange, BarSizesAskedOfShownMembersOnceInRowOrderWithTheDockType)
{
    std::vector<std::string> calls;
    auto asking = [&](TDockMember m, std::string name) {
        m.GetBarSize = [&calls, name](TDockType t) {
            calls.push_back(name + (t == dtLeftRight ? "/LR" : t == dtTopBottom ? "/TB" : "/ND"));
            return 20;
        };
        return m;
    };
    TDockArrangeInput in = Dock(dpLeft, 10, 300,
                                {asking(Bar(2, 0, 30, 40, 0), "c"), asking(Bar(0, 50, 30, 40, 0), "b"),
                                 asking(Bar(0, 5, 30, 40, 0, false), "hidden"), asking(Bar(0, 0, 30, 40, 0), "a")});
    ArrangeDock(in);
    EXPECT_EQ(calls, (std::vector<std::string>{"a/LR", "b/LR", "c/LR"}));

    // A tool window that raises while asked: the error reaches the dock untouched.
    in.Members[1].GetBarSize = [](TDockType) -> int32_t { throw std::runtime_error("bar"); };
    EXPECT_THROW(ArrangeDock(in), std::runtime_error);
}

TEST(TB97Arrange, RowsRenumberedAndSortedHiddenRowsKeepTheirPlace)
{
    // Rows 0 and 5 become 0 and 1; the members come out by row, then position.
    TDockArrangement a = ArrangeDock(Dock(dpTop, 300, 10, {Bar(5, 0, 40, 20, 18), Bar(0, 100, 40, 20, 18),
                                                           Bar(0, 20, 40, 20, 18)}));
    ASSERT_EQ(a.Members.size(), 3u);
    EXPECT_EQ(a.Members[0].Index, 2u);
    EXPECT_EQ(a.Members[1].Index, 1u);
    EXPECT_EQ(a.Members[2].Index, 0u);
    EXPECT_EQ(StateOf(a, 0).DockRow, 1);
    EXPECT_EQ(BoundsOf(a, 0).Top, 22);

    // A row held only by a hidden member takes no room but keeps its index.
    a = ArrangeDock(Dock(dpTop, 300, 10, {Bar(0, 0, 40, 20, 18), Bar(4, 0, 40, 20, 18, false),
                                          Bar(9, 0, 40, 20, 26)}));
    EXPECT_EQ(StateOf(a, 1).DockRow, 1);
    EXPECT_EQ(StateOf(a, 2).DockRow, 2);
    EXPECT_EQ(a.RowInfo.RowSize(1), 0);
    EXPECT_EQ(BoundsOf(a, 2), (TGeomBounds{0, 22, 40, 30}));
    EXPECT_EQ(a.DockSize.Height, 52);
    EXPECT_EQ(a.Placements.size(), 2u);

    // Equal places keep their previous order.
    a = ArrangeDock(Dock(dpTop, 300, 10, {Bar(1, 7, 10, 20, 18, false), Bar(1, 7, 10, 20, 18, false),
                                          Bar(0, 0, 10, 20, 18)}));
    EXPECT_EQ(a.Members[1].Index, 0u);
    EXPECT_EQ(a.Members[2].Index, 1u);
}

TEST(TB97Arrange, FarApartAndNegativeRowsAreSafe)
{
    // Rows far apart collapse at once; a negative row counts as row 0.
    auto start = std::chrono::steady_clock::now();
    TDockArrangement a = ArrangeDock(Dock(dpTop, 300, 10, {Bar(2000000000, 0, 40, 20, 18), Bar(-7, 0, 40, 20, 18),
                                                           Bar(INT32_MAX, 0, 40, 20, 18, false)}));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(StateOf(a, 1).DockRow, 0);
    EXPECT_EQ(StateOf(a, 0).DockRow, 1);
    EXPECT_EQ(StateOf(a, 2).DockRow, 2);
    EXPECT_EQ(a.DockSize.Height, 44);

    // Positions near the limits neither wrap nor misorder.
    a = ArrangeDock(Dock(dpTop, 300, 10, {Bar(0, INT32_MAX, 40, 20, 18), Bar(0, INT32_MIN, 40, 20, 18)}));
    EXPECT_EQ(a.Members[0].Index, 1u);
    EXPECT_EQ(StateOf(a, 1).DockPos, 0);
    EXPECT_EQ(StateOf(a, 0).DockPos, INT32_MAX);
    EXPECT_EQ(BoundsOf(a, 0).Left, 260);
}

TEST(TB97Arrange, OverlapRemovalIsStoredWithoutCommit)
{
    TDockArrangement a = ArrangeDock(Dock(dpTop, 300, 10, {Bar(0, 0, 50, 20, 18), Bar(0, 10, 50, 20, 18)}));
    EXPECT_EQ(StateOf(a, 1).DockPos, 50);
    EXPECT_EQ(BoundsOf(a, 1).Left, 50);

    a = ArrangeDock(Dock(dpBottom, 300, 10, {Bar(0, -1, 50, 20, 18)}));
    EXPECT_EQ(StateOf(a, 0).DockPos, 0);
    EXPECT_EQ(BoundsOf(a, 0).Left, 0);

    // A hidden member neither pushes nor is pushed.
    a = ArrangeDock(Dock(dpTop, 300, 10, {Bar(0, 0, 50, 20, 18), Bar(0, 5, 50, 20, 18, false),
                                          Bar(0, 60, 50, 20, 18)}));
    EXPECT_EQ(StateOf(a, 1).DockPos, 5);
    EXPECT_EQ(StateOf(a, 2).DockPos, 60);
}

TEST(TB97Arrange, LongRowOverflowsAtTheEndAndWideningRestoresIt)
{
    std::vector<TDockMember> bars{Bar(0, 0, 50, 20, 18), Bar(0, 60, 50, 20, 18), Bar(0, 120, 50, 20, 18)};
    TDockArrangement a = ArrangeDock(Dock(dpTop, 100, 10, bars));
    EXPECT_EQ(BoundsOf(a, 0).Left, 0);
    EXPECT_EQ(BoundsOf(a, 1).Left, 50);
    EXPECT_EQ(BoundsOf(a, 2).Left, 100);
    EXPECT_EQ(StateOf(a, 1).DockPos, 60);
    EXPECT_EQ(StateOf(a, 2).DockPos, 120);

    for (const TDockMemberState& s : a.Members)
        bars[s.Index].DockPos = s.DockPos;
    a = ArrangeDock(Dock(dpTop, 200, 10, bars));
    EXPECT_EQ(BoundsOf(a, 1).Left, 60);
    EXPECT_EQ(BoundsOf(a, 2).Left, 120);

    // A row that just fits: pulled in from the end, nothing pushed below 0.
    a = ArrangeDock(Dock(dpTop, 150, 10, {Bar(0, 0, 50, 20, 18), Bar(0, 60, 50, 20, 18), Bar(0, 120, 50, 20, 18)}));
    EXPECT_EQ(BoundsOf(a, 0).Left, 0);
    EXPECT_EQ(BoundsOf(a, 1).Left, 50);
    EXPECT_EQ(BoundsOf(a, 2).Left, 100);

    TDockArrangeInput in = Dock(dpTop, 100, 10, bars);
    in.CommitPositions = true;
    a = ArrangeDock(in);
    EXPECT_EQ(StateOf(a, 1).DockPos, 50);
    EXPECT_EQ(StateOf(a, 2).DockPos, 100);
}

TEST(TB97Arrange, FullSizeTakesItsOwnRowAndTheClientLength)
{
    // A (full-size) shares row 0 with B and a hidden H; C is on row 1.
    TDockArrangeInput in = Dock(dpTop, 300, 10, {Bar(0, 30, 60, 20, 18, true, true), Bar(0, 100, 40, 20, 18),
                                                 Bar(0, 200, 40, 20, 18, false), Bar(1, 0, 40, 20, 18)});
    in.BoundLinesWidth = 2;
    TDockArrangement a = ArrangeDock(in);
    EXPECT_EQ(StateOf(a, 0).DockRow, 0);
    EXPECT_EQ(StateOf(a, 0).DockPos, 0);
    EXPECT_EQ(StateOf(a, 1).DockRow, 1);
    EXPECT_EQ(StateOf(a, 2).DockRow, 1);
    EXPECT_EQ(StateOf(a, 3).DockRow, 2);
    EXPECT_EQ(BoundsOf(a, 0), (TGeomBounds{0, 0, 298, 22}));
    EXPECT_EQ(BoundsOf(a, 1), (TGeomBounds{100, 22, 40, 22}));
    EXPECT_EQ(BoundsOf(a, 3), (TGeomBounds{0, 44, 40, 22}));
    EXPECT_EQ(a.DockSize.Height, 66);

    // On a left dock it spans the client height; alone on its row it stays where it is.
    TDockArrangeInput v = Dock(dpLeft, 10, 250, {Bar(0, 0, 20, 40, 18), Bar(1, 17, 20, 40, 18, true, true)});
    v.BoundLinesHeight = 1;
    a = ArrangeDock(v);
    EXPECT_EQ(StateOf(a, 1).DockRow, 1);
    EXPECT_EQ(BoundsOf(a, 1), (TGeomBounds{22, 0, 22, 249}));
    EXPECT_EQ(a.DockSize, (TGeomSize{44, 250}));

    // Alone on its row, a full-size member moves nobody.
    a = ArrangeDock(Dock(dpTop, 300, 10, {Bar(0, 0, 40, 20, 18, true, true), Bar(1, 0, 40, 20, 18)}));
    EXPECT_EQ(StateOf(a, 1).DockRow, 1);
    EXPECT_EQ(a.DockSize.Height, 44);
}

TEST(TB97Arrange, LimitToOneRowStillSeparatesFullSize)
{
    TDockArrangeInput in = Dock(dpTop, 300, 10, {Bar(3, 100, 40, 20, 18), Bar(5, 0, 40, 20, 18),
                                                 Bar(0, 50, 40, 20, 18)});
    in.LimitToOneRow = true;
    TDockArrangement a = ArrangeDock(in);
    for (const TDockMemberState& s : a.Members)
        EXPECT_EQ(s.DockRow, 0);
    EXPECT_EQ(BoundsOf(a, 1).Left, 0);
    EXPECT_EQ(BoundsOf(a, 2).Left, 50);
    EXPECT_EQ(BoundsOf(a, 0).Left, 100);
    EXPECT_EQ(a.DockSize.Height, 22);

    in.Members[2].FullSize = true;
    a = ArrangeDock(in);
    EXPECT_EQ(StateOf(a, 2).DockRow, 0);
    EXPECT_EQ(StateOf(a, 0).DockRow, 1);
    EXPECT_EQ(StateOf(a, 1).DockRow, 1);
    EXPECT_EQ(a.DockSize.Height, 44);
}

TEST(TB97Rows, RowInfoFromShownMembersOnly)
{
    std::vector<TDockMember> m{Bar(0, 0, 10, 10, 18), Bar(0, 0, 10, 10, 26), Bar(1, 0, 10, 10, 40, false),
                               Bar(1000000000, 0, 10, 10, 5), Bar(-3, 0, 10, 10, 50)};
    TDockRowInfo info = BuildDockRowInfo(m, dtTopBottom);
    EXPECT_EQ(info.RowSize(0), 26);
    EXPECT_EQ(info.RowSize(1), 0);
    EXPECT_EQ(info.RowSize(1000000000), 8);
    EXPECT_EQ(info.RowSize(-3), 0);
    EXPECT_EQ(info.RowCount(), 1000000001);
    EXPECT_EQ(info.Rows().size(), 2u);
    EXPECT_EQ(HighestDockRow(m), 1000000000);
    EXPECT_EQ(HighestDockRow({}), -1);
    EXPECT_EQ(HighestDockRow({Bar(-4, 0, 1, 1, 1), Bar(-2, 0, 1, 1, 1)}), -2);
    EXPECT_THROW(info.Append(5, 10), EListError);
    EXPECT_THROW(info.Append(1000000000, 10), EListError) << "a row equal to the last";
    EXPECT_EQ(info.RowSize(1000000000), 8);
    info.Append(1000000001, 10);
    EXPECT_EQ(info.RowSize(1000000001), 10);
    EXPECT_EQ(info.Rows().size(), 3u);

    EXPECT_LT(CompareDockPlaces(0, INT32_MIN, 0, INT32_MAX), 0);
    EXPECT_GT(CompareDockPlaces(INT32_MAX, 0, INT32_MIN, 0), 0);
    EXPECT_EQ(CompareDockPlaces(2, 5, 2, 5), 0);
}

TEST(TB97Rows, GetRowOfTableForRowsOf22And30)
{
    TDockRowInfo info;
    info.Append(0, 18);
    info.Append(1, 26);
    auto expected = [](int c) -> TDockRowHit {
        if (c < 5) return {0, true};
        if (c < 17) return {0, false};
        if (c < 27) return {1, true};
        if (c < 47) return {1, false};
        if (c < 57) return {2, true};
        return {2, false};
    };
    for (int c = -10; c <= 200; ++c)
        EXPECT_EQ(GetDockRowOf(info, 1, c), expected(c)) << "coordinate " << c;
    EXPECT_EQ(GetDockRowOf(info, 1, INT32_MAX - 6), (TDockRowHit{2, false}));
    EXPECT_EQ(GetDockRowOf(info, 1, INT32_MAX - 5), (TDockRowHit{0, false}));

    // A row with nothing shown is skipped; the highest row counts hidden members.
    TDockRowInfo gap;
    gap.Append(0, 18);
    gap.Append(2, 26);
    EXPECT_EQ(GetDockRowOf(gap, 3, 20), (TDockRowHit{2, true}));
    EXPECT_EQ(GetDockRowOf(gap, 3, 30), (TDockRowHit{2, false}));
    EXPECT_EQ(GetDockRowOf(gap, 3, 55), (TDockRowHit{4, true}));
    EXPECT_EQ(GetDockRowOf(gap, 3, 57), (TDockRowHit{4, false}));

    // No members at all.
    EXPECT_EQ(GetDockRowOf({}, -1, 4), (TDockRowHit{0, true}));
    EXPECT_EQ(GetDockRowOf({}, -1, 5), (TDockRowHit{0, false}));
    EXPECT_EQ(GetDockRowOf({}, -3, 0), (TDockRowHit{0, false}));
}

TEST(TB97Rows, DesignModeRowOfSkipsEmptyRows)
{
    TDockRowInfo info;
    info.Append(0, 18);
    info.Append(2, 26);
    for (int c = -5; c < 100; ++c)
        EXPECT_EQ(GetDockDesignModeRowOf(info, 2, c), c < 22 ? 0 : c < 52 ? 2 : 3) << "coordinate " << c;
    EXPECT_EQ(GetDockDesignModeRowOf({}, -1, 0), 0);
    EXPECT_EQ(GetDockDesignModeRowOf({}, -5, 0), 0);
}

TEST(TB97Rows, MemberRowHelpersAtTheLimitsOfARowNumber)
{
    constexpr int32_t Max = INT32_MAX, Min = INT32_MIN;
    struct Case {
        std::vector<int32_t> rows;
        int32_t highest;
        std::vector<int32_t> withoutBlanks;
    } cases[] = {
        {{}, -1, {}},
        {{0, 5}, 5, {0, 1}},
        {{5, 5, 2}, 5, {1, 1, 0}},
        {{Max, 0, Max - 1}, Max, {2, 0, 1}},
        {{Max, 2000000000}, Max, {1, 0}},
        // Negative rows are not blank rows: they stay, the others close up from 0.
        {{-1, 3, Min, 7}, 7, {-1, 0, Min, 1}},
        {{Min, -2}, -2, {Min, -2}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(HighestRowOf(c.rows), c.highest);
        std::vector<int32_t> rows = c.rows;
        RemoveBlankDockRows(rows);
        EXPECT_EQ(rows, c.withoutBlanks) << "highest " << c.highest;
    }

    const std::vector<int32_t> rows{3, Max, 3, -4, Max, Min};
    EXPECT_EQ(CountOnRow(rows, 3), 2);
    EXPECT_EQ(CountOnRow(rows, 3, 0), 1);
    EXPECT_EQ(CountOnRow(rows, 3, 1), 2);  // leaving out a member of another row
    EXPECT_EQ(CountOnRow(rows, Max), 2);
    EXPECT_EQ(CountOnRow(rows, Max, 4), 1);
    EXPECT_EQ(CountOnRow(rows, Min), 1);
    EXPECT_EQ(CountOnRow(rows, -4, 3), 0);
    EXPECT_EQ(CountOnRow(rows, Max - 1), 0);
    EXPECT_EQ(CountOnRow({}, 0), 0);
}

TEST(TB97Rows, InsertRowBeforeFreesTheRowWithoutOverflow)
{
    constexpr int32_t Max = INT32_MAX, Min = INT32_MIN;
    struct Case {
        std::vector<int32_t> rows;
        int32_t row;
        std::vector<int32_t> after;
        int32_t freed;
    } cases[] = {
        {{0, 1, 2}, 1, {0, 2, 3}, 1},
        {{0, 4}, 2, {0, 5}, 2},        // gaps above stay
        {{0, 1}, 2, {0, 1}, 2},        // nothing at or above: nothing moves
        {{}, 0, {}, 0},
        {{-3, -1, 0}, -1, {-3, 0, 1}, -1},
        {{Min, 0}, Min, {Min + 1, 1}, Min},
        // The largest row that can still move up.
        {{Max - 1, 0}, Max - 1, {Max, 0}, Max - 1},
        {{Max - 1, 0}, Max, {Max - 1, 0}, Max},
        // A member on the largest row: renumbered first, order kept.
        {{Max, 0}, Max, {2, 0}, 1},
        {{Max, 0, 7}, 5, {3, 0, 2}, 1},
        {{Max, 4, 9}, 0, {3, 1, 2}, 0},
        {{Max, -2, 5}, -2, {2, -1, 1}, -2},
        {{Max, Max}, Max, {1, 1}, 0},
        {{Max - 1, Max}, Max, {0, 2}, 1},
    };
    for (const Case& c : cases) {
        std::vector<int32_t> rows = c.rows;
        const int32_t freed = InsertDockRowBefore(rows, c.row);
        EXPECT_EQ(freed, c.freed) << "row " << c.row;
        EXPECT_EQ(rows, c.after) << "row " << c.row;
        // The freed row is empty, and every member that was on row or after it is after it now.
        EXPECT_EQ(CountOnRow(rows, freed), 0) << "row " << c.row;
        for (size_t i = 0; i < rows.size(); ++i)
            EXPECT_EQ(rows[i] > freed, c.rows[i] >= c.row) << "row " << c.row << ", member " << i;
    }
}
