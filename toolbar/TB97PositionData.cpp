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

int32_t FloatCoordinate(int32_t v)
{
    return std::clamp(v, -FloatCoordinateLimit, FloatCoordinateLimit);
}

}  // namespace

TPositionRestore LoadPositionRecord(const std::wstring& toolbarName, TPositionTarget& target,
                                    TPositionReadIntProc readInt, TPositionReadStringProc readString,
                                    void* extraData)
{
    const int32_t rev = readInt(toolbarName, L"Rev", 0, extraData);
    if (rev != 2 && rev != 3)
        return prUntouched;
    target.SetVisible(readInt(toolbarName, L"Visible", target.Visible() ? 1 : 0, extraData) != 0);

    const std::wstring dockedTo = readString(toolbarName, L"DockedTo", L"", extraData);
    if (dockedTo.empty())
        return prVisibility;
    const bool floating = dockedTo == L"+";
    std::optional<TPositionTarget::TFoundDock> dock;
    if (!floating) {
        dock = target.FindDock(dockedTo);
        if (!dock || !dock->AllowDrag)
            return prVisibility;
    }

    // Any row or position is taken: the dock's arrangement renumbers rows and fits positions.
    target.SetDockRow(readInt(toolbarName, L"DockRow", target.DockRow(), extraData));
    target.SetDockPos(readInt(toolbarName, L"DockPos", target.DockPos(), extraData));
    const int32_t left = FloatCoordinate(readInt(toolbarName, L"FloatLeft", 0, extraData));
    const int32_t top = FloatCoordinate(readInt(toolbarName, L"FloatTop", 0, extraData));
    target.ReadPositionData();
    target.SetFloatingPosition(left, top);
    if (floating) {
        target.Float(left, top);
        if (rev >= 3 && target.UseLastDock()) {
            const std::wstring lastDock = readString(toolbarName, L"LastDock", L"", extraData);
            if (!lastDock.empty())
                if (const auto last = target.FindDock(lastDock))
                    target.SetLastDock(last->Index);
        }
    } else {
        target.DockTo(dock->Index);
    }
    target.DoneReadingPositionData();
    return floating ? prFloating : prDocked;
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
