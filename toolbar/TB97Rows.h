// Platform-free row arithmetic of TDock97: row thicknesses, the whole arrangement of the
// member tool windows, and the row hit tests used by dragging and by the form designer.
// The dock copies its member list into plain data, runs these, and applies the results.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "TB97Geometry.h"

// One member of a dock (an entry of its MemberList), as the arithmetic reads it.
struct TDockMember {
    int32_t DockRow = 0;
    int32_t DockPos = -1;
    bool FullSize = false;
    bool Shown = false;      // ToolbarVisibleOnDock
    int32_t Width = 0;       // current outer size; the extent along the row is
    int32_t Height = 0;      //   Height on a vertical dock, Width on a horizontal one
    // The tool window's GetBarSize for the given dock type. Asked only of shown members,
    // once each, in member-list order, while the row thicknesses are built.
    std::function<int32_t(TDockType)> GetBarSize;
};

// The bar size of each row that has a shown member. Every other row (an empty one, one
// whose members are all hidden or floating, or one past the end) has size 0.
class TDockRowInfo {
public:
    struct TRow {
        int32_t Row = 0;
        int32_t Size = 0;  // at least the metrics' MinRowSize
        constexpr bool operator==(const TRow&) const = default;
    };

    int32_t RowSize(int32_t row) const;
    // Highest row with a shown member, plus one: the number of rows that take room. Wider
    // than a row number, since a stored row may be the largest one.
    int64_t RowCount() const;
    // Rows with a shown member, by ascending row index.
    const std::vector<TRow>& Rows() const { return FRows; }

    void Append(int32_t row, int32_t size);  // rows must come in ascending order
    void Clear() { FRows.clear(); }

private:
    std::vector<TRow> FRows;
};

// BuildRowInfo: for each row, the largest bar size among its shown members (negative
// answers count as 0), raised to MinRowSize (8 at 96 DPI) when the row has a shown member.
// The row functions take the dock's metrics last; they default to the 96-DPI sizes.
TDockRowInfo BuildDockRowInfo(const std::vector<TDockMember>& members, TDockType dockType,
                              const TFrameMetrics& m = {});

// GetRowSize without the default bar: the row's bar size, without the row allowance.
int32_t GetDockRowSize(const TDockRowInfo& rows, int32_t row);

// Largest DockRow of all members, shown or not; -1 when there are none (GetHighestRow).
int32_t HighestDockRow(const std::vector<TDockMember>& members);

// The row helpers of a dock, on the DockRow of each member in member-list order. Each costs
// one pass over the members (plus a sort), whatever row numbers they hold: a stored row may
// be anything from INT32_MIN to INT32_MAX.

// GetHighestRow: the largest row; -1 when there are none.
int32_t HighestRowOf(const std::vector<int32_t>& rows);

// GetNumberOfToolbarsOnRow: members on row, not counting the one at index leaveOut.
constexpr size_t NoMember = SIZE_MAX;
int32_t CountOnRow(const std::vector<int32_t>& rows, int32_t row, size_t leaveOut = NoMember);

// RemoveBlankRows: the rows used from 0 up become 0, 1, 2 ... in their order. Negative rows
// are left alone (they are never blank rows between used ones).
void RemoveBlankDockRows(std::vector<int32_t>& rows);

// InsertRowBefore: frees a row for a new one before the members on row, moving them and
// every later row one on. Returns the row now free: row itself, unless a member sits on
// INT32_MAX and there is no row above it to move to; then the rows are first renumbered
// without gaps (order kept), and the free row is where row's members now begin.
int32_t InsertDockRowBefore(std::vector<int32_t>& rows, int32_t row);

// The sort order of a dock's members: by row, then by position. Negative when A sorts
// first, 0 when equal, positive after (usable as a ListSortEx comparison).
int32_t CompareDockPlaces(int32_t rowA, int32_t posA, int32_t rowB, int32_t posB);

// GetRowOf: row under a coordinate across the rows (dock client coordinates), and
// whether it asks for a new row inserted before that one. highestRow is GetHighestRow.
struct TDockRowHit {
    int32_t Row = 0;
    bool Before = false;
    constexpr bool operator==(const TDockRowHit&) const = default;
};
TDockRowHit GetDockRowOf(const TDockRowInfo& rows, int32_t highestRow, int32_t coordinate,
                         const TFrameMetrics& m = {});

// GetDesignModeRowOf: the occupied row the coordinate falls in, else highestRow + 1.
int32_t GetDockDesignModeRowOf(const TDockRowInfo& rows, int32_t highestRow, int32_t coordinate,
                               const TFrameMetrics& m = {});

// Everything ArrangeToolbars reads from the dock.
struct TDockArrangeInput {
    TDockPosition Position = dpTop;
    int32_t Width = 0;   // dock's outer size
    int32_t Height = 0;
    int32_t BoundLinesWidth = 0;
    int32_t BoundLinesHeight = 0;
    bool Designing = false;
    bool FixAlign = false;
    bool LimitToOneRow = false;
    bool CommitPositions = false;  // CommitPending as the arrangement starts
    std::vector<TDockMember> Members;  // MemberList, in list order
    TFrameMetrics Metrics;  // at the dock's DPI
};

struct TDockMemberState {
    size_t Index = 0;  // index into TDockArrangeInput::Members
    int32_t DockRow = 0;
    int32_t DockPos = 0;
};

struct TDockPlacement {
    size_t Index = 0;  // index into TDockArrangeInput::Members
    TGeomBounds Bounds;  // dock client coordinates
};

struct TDockArrangement {
    // The dock had no shown member: only DockSize applies; members and row info are
    // left exactly as they were.
    bool Empty = false;
    // The member list in its new order, with the DockRow and DockPos to store.
    std::vector<TDockMemberState> Members;
    TDockRowInfo RowInfo;  // the new RowThicknesses
    // SetBounds for each shown member, in the order they are to be made.
    std::vector<TDockPlacement> Placements;
    // The arguments of ChangeWidthHeight.
    TGeomSize DockSize;
};

// ArrangeToolbars from the empty-dock rule to the dock's new size, as plain arithmetic.
// Bar sizes are asked through TDockMember::GetBarSize; an exception from one leaves
// nothing changed, since nothing has been applied yet.
TDockArrangement ArrangeDock(const TDockArrangeInput& in);
