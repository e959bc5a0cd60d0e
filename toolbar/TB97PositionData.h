// Position records of tool windows: the common values written for one tool window, and how
// a stored record is read back and judged before anything is applied to a window. A stored
// record is input (hand-edited, truncated, written by another version), so reading it only
// yields a plan; the window classes apply a whole plan or nothing. No Windows header here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "TB97Types.h"

// The common part of one tool window's record; the class adds its own values after it.
struct TPositionRecord {
    bool Visible = true;
    std::wstring DockedTo;  // a dock's name; "" on a dock without dragging; "+" floating
    std::wstring LastDock;  // "" when there is none
    int32_t DockRow = 0;
    int32_t DockPos = -1;
    int32_t FloatLeft = 0;
    int32_t FloatTop = 0;
};

// The revision written, and the ones read back ("Rev" 2 records have no "LastDock").
constexpr int32_t PositionRecordRev = 3;

// Writes "Rev" and the record's values, in the stored order.
void WritePositionRecord(const std::wstring& toolbarName, const TPositionRecord& record,
                         TPositionWriteIntProc writeInt, TPositionWriteStringProc writeString, void* extraData);

// A dock of the form as a record's dock names are looked up: the form's docks in
// component order, names compared exactly (case counts), the first match wins.
struct TPositionDock {
    std::wstring Name;
    bool AllowDrag = true;
};

// The tool window as it is: the defaults of the values read.
struct TPositionCurrent {
    bool Visible = true;
    int32_t DockRow = 0;
    int32_t DockPos = -1;
    bool UseLastDock = true;
};

enum TPositionRestore : uint8_t {
    prUntouched,   // no record, or a revision not understood
    prVisibility,  // only Visible applies: no dock named, or one that is missing or not draggable
    prDocked,      // onto Docks[Dock]
    prFloating
};

struct TPositionPlan {
    TPositionRestore Restore = prUntouched;
    int32_t Rev = 0;
    bool Visible = true;
    size_t Dock = 0;  // prDocked
    int32_t DockRow = 0;
    int32_t DockPos = -1;
    int32_t FloatLeft = 0;  // within +-FloatCoordinateLimit
    int32_t FloatTop = 0;
    std::optional<size_t> LastDock;  // prFloating: the dock to remember, when one is named
};

// A floating position beyond this is far off every desktop; it is cut here so that adding a
// window's size cannot overflow. MoveOnScreen pulls such a window back in any case, to the
// same place whatever the stored number was.
constexpr int32_t FloatCoordinateLimit = 1 << 24;

// A client size of a window can be no larger than this (the window system's coordinate
// range); negative stored sizes read as 0.
constexpr int32_t ClientSizeLimit = 32767;

// Reads one tool window's record in the stored order and decides what loading it does.
// Only the values that matter are read: nothing after "Rev" unless it is 2 or 3, no place
// unless "DockedTo" names a usable dock or "+", "LastDock" only for a floating "Rev" 3
// record of a tool window that uses its last dock. An exception from a read propagates; the
// caller has applied nothing by then.
TPositionPlan ReadPositionPlan(const std::wstring& toolbarName, const TPositionCurrent& current,
                               const std::vector<TPositionDock>& docks, TPositionReadIntProc readInt,
                               TPositionReadStringProc readString, void* extraData);

// A stored integer's text, by the toolkit's conversion: decimal, or hexadecimal after
// "0x"/"0X" (or "$"); anything else, an empty text included, gives def.
int32_t PositionTextToInt(const std::wstring& text, int32_t def);

// A stored client width or height, brought into 0..ClientSizeLimit.
int32_t StoredClientSize(int32_t value);
