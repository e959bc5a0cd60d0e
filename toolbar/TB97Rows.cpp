#include "TB97Rows.h"

#include <algorithm>
#include <numeric>

#include "SysUtils.h"

// ---- Row info ----------------------------------------------------------------------------

int32_t TDockRowInfo::RowSize(int32_t row) const
{
    auto it = std::lower_bound(FRows.begin(), FRows.end(), row,
                               [](const TRow& r, int32_t value) { return r.Row < value; });
    return it != FRows.end() && it->Row == row ? it->Size : 0;
}

int64_t TDockRowInfo::RowCount() const
{
    return FRows.empty() ? 0 : int64_t{FRows.back().Row} + 1;
}

void TDockRowInfo::Append(int32_t row, int32_t size)
{
    if (!FRows.empty() && row <= FRows.back().Row)
        throw EListError(L"Dock rows must be appended in ascending order");
    FRows.push_back({row, size});
}

namespace {

// Rows are kept sparse: a dock whose stored rows are far apart (a hand-edited position
// record, say) costs one entry per occupied row, not one per row index.
TDockRowInfo BuildRows(const std::vector<TDockMember>& members, const std::vector<size_t>& listOrder,
                       const std::vector<int32_t>& rowOf, TDockType dockType, const TFrameMetrics& m)
{
    // Shown members on rows from 0 up, by row, keeping list order within a row: the order
    // in which the bars are asked.
    std::vector<size_t> asked;
    for (size_t k = 0; k < listOrder.size(); ++k)
        if (rowOf[k] >= 0 && members[listOrder[k]].Shown)
            asked.push_back(k);
    std::stable_sort(asked.begin(), asked.end(), [&](size_t a, size_t b) { return rowOf[a] < rowOf[b]; });

    TDockRowInfo info;
    for (size_t i = 0; i < asked.size();) {
        const int32_t row = rowOf[asked[i]];
        int32_t size = 0;
        for (; i < asked.size() && rowOf[asked[i]] == row; ++i) {
            const int32_t s = members[listOrder[asked[i]]].GetBarSize(dockType);
            if (s > size)
                size = s;
        }
        info.Append(row, std::max(size, m.MinRowSize));
    }
    return info;
}

int32_t LengthAlong(TDockType type, const TDockMember& m)
{
    return Pick(type, TGeomSize{m.Width, m.Height});
}

}  // namespace

TDockRowInfo BuildDockRowInfo(const std::vector<TDockMember>& members, TDockType dockType, const TFrameMetrics& m)
{
    std::vector<size_t> order(members.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::vector<int32_t> rows;
    rows.reserve(members.size());
    for (const TDockMember& m : members)
        rows.push_back(m.DockRow);
    return BuildRows(members, order, rows, dockType, m);
}

int32_t GetDockRowSize(const TDockRowInfo& rows, int32_t row)
{
    return rows.RowSize(row);
}

int32_t HighestDockRow(const std::vector<TDockMember>& members)
{
    int32_t h = -1;
    for (size_t i = 0; i < members.size(); ++i)
        if (i == 0 || members[i].DockRow > h)
            h = members[i].DockRow;
    return h;
}

int32_t HighestRowOf(const std::vector<int32_t>& rows)
{
    return rows.empty() ? -1 : *std::max_element(rows.begin(), rows.end());
}

int32_t CountOnRow(const std::vector<int32_t>& rows, int32_t row, size_t leaveOut)
{
    int32_t count = 0;
    for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i] == row && i != leaveOut)
            ++count;
    return count;
}

// Computed directly instead of collapsing one blank row at a time, which would take as many
// passes as the highest row number.
void RemoveBlankDockRows(std::vector<int32_t>& rows)
{
    std::vector<int32_t> used;
    for (int32_t r : rows)
        if (r >= 0)
            used.push_back(r);
    std::sort(used.begin(), used.end());
    used.erase(std::unique(used.begin(), used.end()), used.end());
    for (int32_t& r : rows)
        if (r >= 0)
            r = static_cast<int32_t>(std::lower_bound(used.begin(), used.end(), r) - used.begin());
}

int32_t InsertDockRowBefore(std::vector<int32_t>& rows, int32_t row)
{
    if (std::find(rows.begin(), rows.end(), INT32_MAX) != rows.end()) {
        // No room above the last row: close the gaps first. Rows below row keep their order
        // below it; row's members start at the number of used rows before them.
        std::vector<int32_t> below;
        for (int32_t r : rows)
            if (r >= 0 && r < row)
                below.push_back(r);
        std::sort(below.begin(), below.end());
        const auto distinctBelow = std::unique(below.begin(), below.end()) - below.begin();
        RemoveBlankDockRows(rows);
        if (row > 0)
            row = static_cast<int32_t>(distinctBelow);
    }
    // At most one row per member is used now, so the highest is below INT32_MAX.
    for (int32_t& r : rows)
        if (r >= row)
            ++r;
    return row;
}

int32_t CompareDockPlaces(int32_t rowA, int32_t posA, int32_t rowB, int32_t posB)
{
    // A plain difference would overflow for far-apart values and misorder them.
    if (rowA != rowB)
        return rowA < rowB ? -1 : 1;
    if (posA != posB)
        return posA < posB ? -1 : 1;
    return 0;
}

// ---- Row hit tests -------------------------------------------------------------------------

TDockRowHit GetDockRowOf(const TDockRowInfo& rows, int32_t highestRow, int32_t coordinate, const TFrameMetrics& m)
{
    const int64_t c = coordinate, gap = m.RowGap;
    int64_t top = 0;
    // Only rows with a bar size take room; the others are skipped entirely.
    for (const TDockRowInfo::TRow& r : rows.Rows()) {
        if (r.Row > highestRow)
            break;
        const int64_t bottom = top + r.Size + m.RowAllowance();
        if (c < top + gap)
            return {r.Row, true};
        if (c < bottom - gap)
            return {r.Row, false};
        top = bottom;
    }
    if (highestRow < -1)  // only negative rows: the scan has no row to offer
        return {0, false};
    const int32_t newLast = ClampToInt32(int64_t{highestRow} + 1);
    if (c < top + gap)
        return {newLast, true};
    if (c < int64_t{INT32_MAX} - gap)
        return {newLast, false};
    return {0, false};
}

int32_t GetDockDesignModeRowOf(const TDockRowInfo& rows, int32_t highestRow, int32_t coordinate,
                               const TFrameMetrics& m)
{
    int64_t bottom = 0;
    for (const TDockRowInfo::TRow& r : rows.Rows()) {
        if (r.Row > highestRow)
            break;
        bottom += int64_t{r.Size} + m.RowAllowance();
        if (coordinate < bottom)
            return r.Row;
    }
    return ClampToInt32(std::max<int64_t>(int64_t{highestRow} + 1, 0));
}

// ---- Arrangement ------------------------------------------------------------------------------

namespace {

// A full-size member keeps its row; whoever shares it moves to the next row, with every
// later row. Visibility does not matter here.
void SeparateFullSize(std::vector<int32_t>& row, const std::vector<bool>& fullSize)
{
    const size_t n = row.size();
    int32_t h = n ? *std::max_element(row.begin(), row.end()) : -1;
    for (int32_t r = 0; r <= h; ++r) {
        for (size_t b = 0; b < n; ++b) {
            if (row[b] != r || !fullSize[b])
                continue;
            bool shared = false;
            for (size_t j = 0; j < n && !shared; ++j)
                shared = j != b && row[j] == r;
            if (!shared)
                continue;
            for (size_t j = 0; j < n; ++j)
                if (j != b && row[j] >= r)
                    h = std::max(h, ++row[j]);
        }
    }
}

}  // namespace

TDockArrangement ArrangeDock(const TDockArrangeInput& in)
{
    TDockArrangement out;
    const TDockType type = DockTypeOfPosition(in.Position);
    const int32_t dockLength = Pick(type, TGeomSize{in.Width, in.Height});
    const size_t n = in.Members.size();
    const auto& members = in.Members;

    const bool anyShown = std::any_of(members.begin(), members.end(), [](const TDockMember& m) { return m.Shown; });
    if (!anyShown) {
        // Bound lines are not added to an empty dock.
        const int32_t t = in.Designing ? in.Metrics.DesignedEmptyDock : in.FixAlign ? in.Metrics.Line : 0;
        out.Empty = true;
        out.DockSize = OrientedSize(type, dockLength, t);
        for (size_t i = 0; i < n; ++i)
            out.Members.push_back({i, members[i].DockRow, members[i].DockPos});
        return out;
    }

    // Client extent, taken before anything moves.
    const int32_t clientWidth = ClampToInt32(std::max<int64_t>(int64_t{in.Width} - in.BoundLinesWidth, 0));
    const int32_t clientHeight = ClampToInt32(std::max<int64_t>(int64_t{in.Height} - in.BoundLinesHeight, 0));
    const int32_t available = Pick(type, TGeomSize{clientWidth, clientHeight});

    // Rows: one row if asked, negative rows read as row 0, then the gaps closed.
    std::vector<int32_t> inputRow(n);
    for (size_t i = 0; i < n; ++i)
        inputRow[i] = in.LimitToOneRow ? 0 : std::max(members[i].DockRow, 0);
    RemoveBlankDockRows(inputRow);

    // List order from here on: by row, then position (ties keep their previous order).
    std::vector<size_t> order(n);
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        return CompareDockPlaces(inputRow[a], members[a].DockPos, inputRow[b], members[b].DockPos) < 0;
    });

    // Working state indexed by list position k; member index is order[k].
    std::vector<int32_t> row(n), pos(n), len(n);
    std::vector<bool> fullSize(n), shown(n);
    for (size_t k = 0; k < n; ++k) {
        const TDockMember& m = members[order[k]];
        row[k] = inputRow[order[k]];
        pos[k] = m.DockPos;
        len[k] = LengthAlong(type, m);
        fullSize[k] = m.FullSize;
        shown[k] = m.Shown;
    }

    SeparateFullSize(row, fullSize);
    out.RowInfo = BuildRows(members, order, row, type, in.Metrics);

    // Shown members of each row, in list order.
    // Rows are numbered without gaps by now: at most one per member.
    const int32_t rowCount = static_cast<int32_t>(out.RowInfo.RowCount());
    std::vector<std::vector<size_t>> onRow(static_cast<size_t>(rowCount));
    for (size_t k = 0; k < n; ++k)
        if (shown[k] && row[k] < rowCount)
            onRow[static_cast<size_t>(row[k])].push_back(k);

    // Overlap removal, stored whether or not positions are committed.
    for (const auto& bars : onRow) {
        int64_t next = 0;
        for (size_t k : bars) {
            if (fullSize[k]) {
                pos[k] = 0;
                continue;
            }
            if (next >= pos[k])
                pos[k] = ClampToInt32(next);
            else
                next = pos[k];
            next += len[k];
        }
    }

    // Fitting into the available length on scratch positions.
    std::vector<int32_t> fitted(pos);
    for (const auto& bars : onRow) {
        std::vector<size_t> fit;
        for (size_t k : bars)
            if (!fullSize[k])
                fit.push_back(k);
        // Pull back from the far end so the row ends within the dock...
        int64_t limit = available;
        for (auto it = fit.rbegin(); it != fit.rend(); ++it) {
            limit -= len[*it];
            if (limit < fitted[*it])
                fitted[*it] = ClampToInt32(limit);
            limit = fitted[*it];
        }
        // ...then push anything that went below 0 back; a row too long overflows at the end.
        int64_t next = 0;
        for (size_t k : fit) {
            if (next >= fitted[k])
                fitted[k] = ClampToInt32(next);
            else
                next = fitted[k];
            next += len[k];
        }
    }

    for (size_t k = 0; k < n; ++k)
        out.Members.push_back({order[k], row[k], in.CommitPositions ? fitted[k] : pos[k]});

    // Placement, row after row across the dock.
    int64_t offset = 0;
    for (int32_t r = 0; r < rowCount; ++r) {
        int32_t t = out.RowInfo.RowSize(r);
        if (t != 0)
            t = ClampToInt32(int64_t{t} + in.Metrics.RowAllowance());
        for (size_t k : onRow[static_cast<size_t>(r)]) {
            const int32_t alongLen = fullSize[k] ? available : len[k];
            out.Placements.push_back({order[k], OrientedBounds(type, fitted[k], ClampToInt32(offset), alongLen, t)});
        }
        offset += t;
    }

    const int32_t boundLinesAcross = Perp(type, TGeomSize{in.BoundLinesWidth, in.BoundLinesHeight});
    out.DockSize = OrientedSize(type, dockLength, ClampToInt32(offset + boundLinesAcross));
    return out;
}
