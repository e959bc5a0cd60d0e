#include "TB97PositionData.h"

#include <algorithm>

#include "StrConv.h"

void WritePositionRecord(const std::wstring& toolbarName, const TPositionRecord& record,
                         TPositionWriteIntProc writeInt, TPositionWriteStringProc writeString, void* extraData)
{
    writeInt(toolbarName, L"Rev", PositionRecordRev, extraData);
    writeInt(toolbarName, L"Visible", record.Visible ? 1 : 0, extraData);
    writeString(toolbarName, L"DockedTo", record.DockedTo, extraData);
    writeString(toolbarName, L"LastDock", record.LastDock, extraData);
    writeInt(toolbarName, L"DockRow", record.DockRow, extraData);
    writeInt(toolbarName, L"DockPos", record.DockPos, extraData);
    writeInt(toolbarName, L"FloatLeft", record.FloatLeft, extraData);
    writeInt(toolbarName, L"FloatTop", record.FloatTop, extraData);
}

namespace {

std::optional<size_t> FindDock(const std::vector<TPositionDock>& docks, const std::wstring& name)
{
    for (size_t i = 0; i < docks.size(); ++i)
        if (docks[i].Name == name)
            return i;
    return std::nullopt;
}

int32_t FloatCoordinate(int32_t v)
{
    return std::clamp(v, -FloatCoordinateLimit, FloatCoordinateLimit);
}

}  // namespace

TPositionPlan ReadPositionPlan(const std::wstring& toolbarName, const TPositionCurrent& current,
                               const std::vector<TPositionDock>& docks, TPositionReadIntProc readInt,
                               TPositionReadStringProc readString, void* extraData)
{
    TPositionPlan plan;
    plan.Visible = current.Visible;
    plan.DockRow = current.DockRow;
    plan.DockPos = current.DockPos;

    const int32_t rev = readInt(toolbarName, L"Rev", 0, extraData);
    if (rev != 2 && rev != 3)
        return plan;
    plan.Rev = rev;
    plan.Visible = readInt(toolbarName, L"Visible", current.Visible ? 1 : 0, extraData) != 0;
    plan.Restore = prVisibility;

    const std::wstring dockedTo = readString(toolbarName, L"DockedTo", L"", extraData);
    if (dockedTo.empty())
        return plan;
    const bool floating = dockedTo == L"+";
    if (!floating) {
        const std::optional<size_t> dock = FindDock(docks, dockedTo);
        if (!dock || !docks[*dock].AllowDrag)
            return plan;
        plan.Dock = *dock;
    }

    // Any row or position is taken: the dock's arrangement renumbers rows and fits positions.
    plan.DockRow = readInt(toolbarName, L"DockRow", current.DockRow, extraData);
    plan.DockPos = readInt(toolbarName, L"DockPos", current.DockPos, extraData);
    plan.FloatLeft = FloatCoordinate(readInt(toolbarName, L"FloatLeft", 0, extraData));
    plan.FloatTop = FloatCoordinate(readInt(toolbarName, L"FloatTop", 0, extraData));
    if (floating && rev >= 3 && current.UseLastDock) {
        const std::wstring lastDock = readString(toolbarName, L"LastDock", L"", extraData);
        if (!lastDock.empty())
            plan.LastDock = FindDock(docks, lastDock);
    }
    plan.Restore = floating ? prFloating : prDocked;
    return plan;
}

int32_t PositionTextToInt(const std::wstring& text, int32_t def)
{
    int32_t value = def;
    TryStrToInt(text, value);
    return value;
}

int32_t StoredClientSize(int32_t value)
{
    return std::clamp(value, 0, ClientSizeLimit);
}
