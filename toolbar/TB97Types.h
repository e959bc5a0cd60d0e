// Types shared by the docks and tool windows that the geometry header does not already
// hold: the remaining enumerations and sets, event and callback types, the tool window's
// parameter record and the private repaint messages. No Windows header here.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "Sets.h"
#include "TB97Geometry.h"

class TObject;
class TDock97;
class TCustomToolWindow97;

enum TToolWindowDockMode : uint8_t { dmCanFloat, dmCannotFloat, dmCannotFloatOrChangeDocks };
enum TToolWindowFloatingMode : uint8_t { fmOnTopOfParentForm, fmOnTopOfAllForms };
enum TToolWindowSizeHandle : uint8_t {
    twshLeft,
    twshRight,
    twshTop,
    twshTopLeft,
    twshTopRight,
    twshBottom,
    twshBottomLeft,
    twshBottomRight
};
enum TToolWindowNCRedrawWhatElement : uint8_t { twrdBorder, twrdCaption, twrdCloseButton };

using TDockableTo = TSet<TDockPosition>;
using TToolWindowNCRedrawWhat = TSet<TToolWindowNCRedrawWhatElement>;

// A dock reports a tool window arriving (Inserting) or leaving.
using TInsertRemoveEvent = std::function<void(TObject* Sender, bool Inserting, TCustomToolWindow97* Bar)>;
// Asked while a tool window is dragged over a dock; clearing Accept refuses it.
using TRequestDockEvent = std::function<void(TObject* Sender, TCustomToolWindow97* Bar, bool& Accept)>;
// A tool window is about to move to DockingTo (null: it is going to float).
using TDockChangingExEvent = std::function<void(TObject* Sender, TDock97* DockingTo)>;

// Drag-and-drop events a layout may bind; the toolkit raises none yet.
enum TDragState : uint8_t { dsDragEnter, dsDragLeave, dsDragMove };
using TDragDropEvent = std::function<void(TObject* Sender, TObject* Source, int X, int Y)>;
using TDragOverEvent =
    std::function<void(TObject* Sender, TObject* Source, int X, int Y, TDragState State, bool& Accept)>;

// Position records are read and written through these; ExtraData is the caller's own and
// passed through untouched.
using TPositionReadIntProc = int32_t (*)(const std::wstring& ToolbarName, const std::wstring& Value,
                                         int32_t Default, void* ExtraData);
using TPositionReadStringProc = std::wstring (*)(const std::wstring& ToolbarName, const std::wstring& Value,
                                                 const std::wstring& Default, void* ExtraData);
using TPositionWriteIntProc = void (*)(const std::wstring& ToolbarName, const std::wstring& Value,
                                       int32_t Data, void* ExtraData);
using TPositionWriteStringProc = void (*)(const std::wstring& ToolbarName, const std::wstring& Value,
                                          const std::wstring& Data, void* ExtraData);

// Asked once of a tool window while it is constructed (GetParams); the base answers all true.
struct TToolWindowParams {
    bool InheritedAlign = true;
    bool CornerSizing = true;
    bool ClipCursorOnSize = true;
};

// Posted by a tool window to itself to repaint its frame later; fixed numbers, not
// registered with the window system.
constexpr unsigned int WM_TB97PaintDockedNCArea = 0x17AF;
constexpr unsigned int WM_TB97PaintFloatingNCArea = 0x17B0;
