// Position records of tool windows: the common values written for one tool window, and the
// order in which a stored record is read back and applied. A stored record is input
// (hand-edited, truncated, written by another version): every value is checked where it is
// used. No Windows header here, so the order is tested without a window.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

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

enum TPositionRestore : uint8_t {
    prUntouched,   // no record, or a revision not understood
    prVisibility,  // only Visible applies: no dock named, or one that is missing or not draggable
    prDocked,
    prFloating
};

// A tool window being restored. Each step takes effect at once, so what is read later (the
// class's own values, the last dock) is read with the earlier values already in place.
class TPositionTarget {
public:
    // A dock of the form named in a record; Index is what DockTo and SetLastDock take.
    struct TFoundDock {
        size_t Index = 0;
        bool AllowDrag = true;
    };

    virtual ~TPositionTarget() = default;
    // The form's first dock in component order whose name is exactly this (case counts).
    virtual std::optional<TFoundDock> FindDock(const std::wstring& name) const = 0;
    virtual bool Visible() const = 0;
    virtual void SetVisible(bool value) = 0;
    virtual int32_t DockRow() const = 0;
    virtual void SetDockRow(int32_t value) = 0;
    virtual int32_t DockPos() const = 0;
    virtual void SetDockPos(int32_t value) = 0;
    virtual void ReadPositionData() = 0;  // the class's own values
    virtual void SetFloatingPosition(int32_t left, int32_t top) = 0;
    virtual void DockTo(size_t dock) = 0;  // onto the form's dock of that index
    virtual void Float(int32_t left, int32_t top) = 0;  // floats there, kept on the screen
    virtual bool UseLastDock() const = 0;
    virtual void SetLastDock(size_t dock) = 0;
    virtual void DoneReadingPositionData() = 0;  // arranges the controls, then the class's last reads
};

// A floating position beyond this is far off every desktop; it is cut here so that adding a
// window's size cannot overflow. MoveOnScreen pulls such a window back in any case, to the
// same place whatever the stored number was.
constexpr int32_t FloatCoordinateLimit = 1 << 24;

// A client size of a window can be no larger than this (the window system's coordinate
// range); negative stored sizes read as 0.
constexpr int32_t ClientSizeLimit = 32767;

// Restores one tool window from its record, reading each value just before the step that
// uses it: "Visible" is applied before "DockedTo" is read; the row and position are set before
// the class reads its values; "LastDock" is read after the tool window floats, and only for a
// "Rev" 3 record of one that uses its last dock. Nothing after "Rev" is read unless it is 2 or
// 3, no place unless "DockedTo" names a usable dock or is "+". An exception from a read or a
// step propagates, the steps before it stay done.
TPositionRestore LoadPositionRecord(const std::wstring& toolbarName, TPositionTarget& target,
                                    TPositionReadIntProc readInt, TPositionReadStringProc readString,
                                    void* extraData);

// A stored integer's text, by the toolkit's conversion: decimal, or hexadecimal after
// "0x"/"0X" (or "$"); anything else, an empty text included, gives def.
int32_t PositionTextToInt(const std::wstring& text, int32_t def);

// A stored client width or height, brought into 0..ClientSizeLimit.
int32_t StoredClientSize(int32_t value);
