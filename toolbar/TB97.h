// Docks and dockable tool windows: TDock97 lines tool windows up in rows along one edge of
// a form; TCustomToolWindow97 sits on a dock or floats in a TFloatingWindowParent of its
// own. The row and frame arithmetic lives in TB97Rows/TB97Geometry; the classes here feed
// it their state and apply what it answers.
#pragma once

#include <windows.h>

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Forms.h"
#include "Graphics.h"
#include "Menus.h"
#include "ScopeExit.h"
#include "TB97Cmn.h"
#include "TB97DragGeometry.h"
#include "TB97Geometry.h"
#include "TB97Rows.h"
#include "TB97Types.h"

class TDock97;
class TCustomToolWindow97;

class TFloatingWindowParent;


// ---- TDock97 ----------------------------------------------------------------------------

class TDock97 : public TCustomControl {
    TK_CLASSINFO(TDock97, TCustomControl)
public:
    explicit TDock97(TComponent* AOwner);
    ~TDock97() override;

    TDockPosition Position() const { return FPosition; }
    void SetPosition(TDockPosition value);
    bool AllowDrag() const { return FAllowDrag; }
    void SetAllowDrag(bool value);
    TDockBoundLines BoundLines() const { return FBoundLines; }
    void SetBoundLines(TDockBoundLines value);
    TBitmap* Background() const { return FBackground.get(); }
    void SetBackground(TBitmap* value);
    bool BackgroundTransparent() const { return FBackgroundTransparent; }
    void SetBackgroundTransparent(bool value);
    bool BackgroundOnToolbars() const { return FBackgroundOnToolbars; }
    void SetBackgroundOnToolbars(bool value);
    bool FixAlign() const { return FFixAlign; }
    void SetFixAlign(bool value);
    // Stored directly: takes effect at the next arrangement.
    bool LimitToOneRow() const { return FLimitToOneRow; }
    void SetLimitToOneRow(bool value) { FLimitToOneRow = value; }
    std::wstring Version() const;
    void SetVersion(const std::wstring&) {}

    // The non-client size of the bound lines, at the dock's DPI.
    int32_t BoundLinesWidth() const;
    int32_t BoundLinesHeight() const;
    // The framework's sizes at the DPI of the dock's window.
    TFrameMetrics FrameMetrics() const;
    int32_t ArrangeLockCount() const { return FArrangeLockCount; }
    bool ArrangePending() const { return FArrangePending; }
    bool CommitPending() const { return FCommitPending; }
    const TList& MemberList() const { return FMemberList; }
    const TList& ShownList() const { return FShownList; }
    // Bar size per row, kept sparse: rows without a shown member have no entry.
    const TDockRowInfo& RowThicknesses() const { return FRowThicknesses; }

    void BeginUpdate();
    void EndUpdate();
    void ArrangeToolbars(bool commitPositions);
    void ChangeDockList(bool insert, TCustomToolWindow97* bar);
    void ToolbarVisibilityChanged(TCustomToolWindow97* bar, bool forceRemove);
    bool ToolbarVisibleOnDock(const TCustomToolWindow97* bar) const;
    bool HasVisibleToolbars() const;
    int32_t GetHighestRow() const;
    int32_t GetNumberOfToolbarsOnRow(int32_t row, const TCustomToolWindow97* notThisBar) const;
    void RemoveBlankRows();
    // Returns the row now free, which is row unless rows near INT32_MAX had to be renumbered.
    int32_t InsertRowBefore(int32_t row);
    void BuildRowInfo();
    int32_t GetRowSize(int32_t row, TCustomToolWindow97* defaultBar) const;
    int32_t GetRowOf(int32_t coordinate, bool& before) const;
    int32_t GetDesignModeRowOf(int32_t coordinate) const;
    void ChangeWidthHeight(int32_t newWidth, int32_t newHeight);
    int GetToolbarCount() const { return FShownList.Count(); }
    TCustomToolWindow97* GetToolbars(int index) const;

    bool UsingBackground() const;
    void BackgroundChanged(TObject* Sender);
    void InvalidateBackgrounds();
    // Painting. DrawBackground tiles the picture with the grid's origin at DrawRect's top-left,
    // clipped to IntersectClip minus ExcludeClip; only while UsingBackground.
    void DrawBackground(HDC DC, const RECT& IntersectClip, const RECT* ExcludeClip, const RECT& DrawRect);
    void DrawNCArea(bool DrawToDC, HDC DC, HRGN Clip);
    HPALETTE GetPalette() override;
    // The transparency-resolved picture, while one is built (for tests).
    const TBitmap* BackgroundCache() const { return FBackgroundCache.get(); }

    void SetParent(TWinControl* AParent) override;
    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;
    // The form followed its window to another DPI: the bound lines and the rows follow.
    void DpiChanged(int OldDpi, int NewDpi) override;

    TInsertRemoveEvent OnInsertRemoveBar;
    TRequestDockEvent OnRequestDock;

protected:
    void CreateParams(TCreateParams& Params) override;
    void AlignControls(TControl* AControl, RECT& Rect) override;
    void Paint() override;
    // OnResize fires from WM_SIZE only, after the arrangement.
    void Resize() override {}

    TK_BEGIN_MESSAGE_MAP()
        TK_MESSAGE(WM_SIZE, WMSize)
        TK_MESSAGE(WM_MOVE, WMMove)
        TK_MESSAGE(WM_NCCALCSIZE, WMNCCalcSize)
        TK_MESSAGE(WM_NCPAINT, WMNCPaint)
        TK_MESSAGE(WM_PRINT, WMPrint)
        TK_MESSAGE(WM_PRINTCLIENT, WMPrintClient)
        TK_MESSAGE(CM_COLORCHANGED, CMColorChanged)
        TK_MESSAGE(CM_SYSCOLORCHANGE, CMSysColorChange)
    TK_END_MESSAGE_MAP()

    void WMSize(TMessage& Message);
    void WMMove(TMessage& Message);
    void WMNCCalcSize(TMessage& Message);
    void WMNCPaint(TMessage& Message);
    void WMPrint(TMessage& Message);
    void WMPrintClient(TMessage& Message);
    void CMColorChanged(TMessage& Message);
    void CMSysColorChange(TMessage& Message);

private:
    std::vector<TDockMember> MemberData() const;
    std::vector<int32_t> MemberRows() const;
    void SetMemberRows(const std::vector<int32_t>& rows);
    // The picture to tile (Background, or the transparency cache, built on first use) and
    // what is drawn of it: the picture, or a block of whole tiles made from it.
    TBitmap& BackgroundPicture();
    TBitmap& BackgroundTiles(TBitmap& picture);
    // The grid origin and extent for the client area, in client coordinates.
    RECT BackgroundDrawRect(const RECT& client);

    TDockPosition FPosition = dpTop;
    bool FAllowDrag = true;
    TDockBoundLines FBoundLines;
    std::unique_ptr<TBitmap> FBackground;
    std::unique_ptr<TBitmap> FBackgroundCache;
    std::unique_ptr<TBitmap> FBackgroundTiles;  // dropped with the cache and on any change of picture
    bool FBackgroundTransparent = false;
    bool FBackgroundOnToolbars = true;
    bool FFixAlign = false;
    bool FLimitToOneRow = false;
    int32_t FArrangeLockCount = 0;
    bool FArrangePending = false;
    bool FCommitPending = false;
    TList FMemberList;
    TList FShownList;
    TDockRowInfo FRowThicknesses;
};

// ---- TCustomToolWindow97 ----------------------------------------------------------------

// Posted by a floating tool window to itself: bring it in front of its form once the window
// system has finished bringing that form to the front (TB97Visibility).
constexpr unsigned int WM_TB97RaiseAboveForm = 0x17B1;

class TCustomToolWindow97 : public TCustomControl {
    TK_CLASSINFO(TCustomToolWindow97, TCustomControl)
public:
    explicit TCustomToolWindow97(TComponent* AOwner);
    ~TCustomToolWindow97() override;

    // Placement.
    int32_t DockPos() const { return FDockPos; }
    void SetDockPos(int32_t value);
    int32_t DockRow() const { return FDockRow; }
    void SetDockRow(int32_t value);
    bool IsDocked() const { return FIsDocked; }
    TDock97* DockedTo() const { return FDockedTo; }
    void SetDockedTo(TDock97* value);
    TDock97* DefaultDock() const { return FDefaultDock; }
    void SetDefaultDock(TDock97* value);
    TDock97* LastDock() const { return FLastDock; }
    void SetLastDock(TDock97* value);
    bool IsLastDockStored() const { return FDockedTo == nullptr; }

    // Published flags.
    bool ActivateParent() const { return FActivateParent; }
    void SetActivateParent(bool value) { FActivateParent = value; }
    bool HideWhenInactive() const { return FHideWhenInactive; }
    void SetHideWhenInactive(bool value) { FHideWhenInactive = value; }
    bool CloseButton() const { return FCloseButton; }
    void SetCloseButton(bool value);
    bool CloseButtonWhenDocked() const { return FCloseButtonWhenDocked; }
    void SetCloseButtonWhenDocked(bool value);
    bool FullSize() const { return FFullSize; }
    void SetFullSize(bool value);
    bool Resizable() const { return FResizable; }
    void SetResizable(bool value);
    bool ShowCaption() const { return FShowCaption; }
    void SetShowCaption(bool value);
    bool UseLastDock() const { return FUseLastDock; }
    void SetUseLastDock(bool value);
    TFormBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle value);
    TToolWindowDockMode DockMode() const { return FDockMode; }
    void SetDockMode(TToolWindowDockMode value) { FDockMode = value; }
    TDragHandleStyle DragHandleStyle() const { return FDragHandleStyle; }
    void SetDragHandleStyle(TDragHandleStyle value);
    TDockableTo DockableTo() const { return FDockableTo; }
    void SetDockableTo(TDockableTo value) { FDockableTo = value; }
    TToolWindowFloatingMode FloatingMode() const { return FFloatingMode; }
    void SetFloatingMode(TToolWindowFloatingMode value);
    std::wstring Version() const;
    void SetVersion(const std::wstring&) {}
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool value) { FShowHint = value; }
    bool ParentShowHint() const { return FParentShowHint; }
    void SetParentShowHint(bool value) { FParentShowHint = value; }

    // Internal state, readable for the other parts of the framework and for tests.
    TDockType PreviousDockType() const { return FPreviousDockType; }
    bool PreviousDockTypeKnown() const { return FPreviousDockTypeKnown; }
    const TToolWindowParams& WindowParams() const { return FWindowParams; }
    int32_t BoundsUpdateCount() const { return FBoundsUpdateCount; }
    int32_t ArrangeControlsLock() const { return FArrangeControlsLock; }
    int32_t MoveEventLock() const { return FMoveEventLock; }
    int32_t HiddenCount() const { return FHiddenCount; }
    bool ArrangeControlsPending() const { return FArrangeControlsPending; }
    bool InactiveCaption() const { return FInactiveCaption; }
    POINT FloatingPosition() const { return FFloatingPosition; }
    void SetFloatingPosition(POINT value) { FFloatingPosition = value; }
    const TList* DockFormList() const { return FDockFormList.get(); }
    bool SavedAtRunTime() const { return FSavedAtRunTime; }
    int32_t NCAreaWidth() const { return FNCAreaWidth; }
    int32_t NCAreaHeight() const { return FNCAreaHeight; }
    TFloatingWindowParent* FloatingParent() const { return FFloatingParent; }
    bool CloseButtonPressed() const { return FCloseButtonPressed; }

    // Subclass contract.
    virtual void GetBarSize(int32_t& Size, TDockType DockType) = 0;
    virtual void GetMinimumSize(int32_t& AWidth, int32_t& AHeight) = 0;
    virtual POINT OrderControls(bool CanMoveControls, TDockType PreviousDockType, TDock97* DockingTo) = 0;
    virtual void SizeChanging(int32_t AWidth, int32_t AHeight) { (void)AWidth, (void)AHeight; }

    // Class-specific values of a position record (TB97Persist): written after the common
    // ones, read while the tool window is restored (before its parent changes), and a last
    // call after it has been placed. The base class stores nothing of its own.
    virtual void WritePositionData(TPositionWriteIntProc WriteIntProc, TPositionWriteStringProc WriteStringProc,
                                   void* ExtraData)
    {
        (void)WriteIntProc, (void)WriteStringProc, (void)ExtraData;
    }
    virtual void ReadPositionData(TPositionReadIntProc ReadIntProc, TPositionReadStringProc ReadStringProc,
                                  void* ExtraData)
    {
        (void)ReadIntProc, (void)ReadStringProc, (void)ExtraData;
    }
    virtual void DoneReadingPositionData(TPositionReadIntProc ReadIntProc, TPositionReadStringProc ReadStringProc,
                                         void* ExtraData)
    {
        (void)ReadIntProc, (void)ReadStringProc, (void)ExtraData;
    }

    // Parent changes, membership, persistence quirks.
    void SetParent(TWinControl* AParent) override;
    bool HasParent() const override;
    TComponent* GetParentComponent() const override;
    void Notification(TComponent* component, TOperation operation) override;
    void DefineProperties(TFiler& filer) override;
    void Loaded() override;
    void AddDockForm(TCustomForm* form);
    void RemoveDockForm(TCustomForm* form);
    void MoveOnScreen(bool onlyIfFullyOffScreen);

    // Layout and bounds.
    void BeginUpdate();
    void EndUpdate();
    void ArrangeControls();
    void CustomArrangeControls(TDockType previousDockType, TDock97* dockingTo, bool resize);
    void GetDockRowSize(int32_t& Size);
    // The dock's placement of this tool window: the row and position it stores (no
    // arrangement follows) and, for a shown member, the bounds it takes, applied unchanged.
    void ApplyDockPlacement(int32_t dockRow, int32_t dockPos, const TGeomBounds* bounds = nullptr);
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    // Without a window yet, the client area is what the frame of the current placement leaves.
    RECT ClientRect() const override;

    // Frame geometry, all of it from the framework's sizes at the window's DPI.
    TFrameMetrics FrameMetrics() const;
    // Floating: the DPI of the tool window's own window (its monitor's); docked: its form's.
    int CurrentDpi() const override;
    // The form followed its window to another DPI: the docked frame follows.
    void DpiChanged(int OldDpi, int NewDpi) override;
    void CalculateNonClientSizes(RECT* R);
    void GetDockedNCArea(POINT& TopLeft, POINT& BottomRight, bool LeftRight) const;
    void AddDockedNCAreaToSize(POINT& Size, bool LeftRight) const;
    POINT GetFloatingBorderSize() const;
    void GetFloatingNCArea(POINT& TopLeft, POINT& BottomRight) const;
    void AddFloatingNCAreaToSize(POINT& Size) const;
    void InvalidateDockedNCArea();
    void InvalidateFloatingNCArea(TToolWindowNCRedrawWhat RedrawWhat);
    void ValidateDockedNCArea();
    TToolWindowNCRedrawWhat ValidateFloatingNCArea();

    // Frame painting, into DC (window coordinates) when DrawToDC, else into the window's own DC
    // clipped to Clip (a WM_NCPAINT region, or null for all).
    void DrawDockedNCArea(bool DrawToDC, HDC DC, HRGN Clip);
    void DrawFloatingNCArea(bool DrawToDC, HDC DC, HRGN Clip, TToolWindowNCRedrawWhat RedrawWhat);
    // The caption without the system's routine: fill, "MS Sans Serif" text shortened with "...".
    void DrawOldStyleCaption(HDC DC, const RECT& R);
    HPALETTE GetPalette() override;
    bool PaletteChanged(bool foreground) override;

    // Visibility.
    bool GetShowingState() const;
    void UpdateVisibility();
    void SetInactiveCaption(bool value);
    void UpdateTopmostFlag();
    void RaiseAboveFormLater();

    // Dragging, the close button and resizing: modal loops that return when the button is up.
    void BeginMoving(const int32_t InitX, const int32_t InitY);
    void BeginSizing(const TToolWindowSizeHandle HitTestValue);
    // Toggles the screen from the old outline to the new one (either may be null): 1 pixel
    // thick for a dock, the floating border's thickness otherwise.
    void DrawDraggingOutline(HDC DC, const RECT* NewRect, const RECT* OldRect, bool NewDocked, bool OldDocked) const;

    TNotifyEvent OnClose;
    TNotifyEvent OnDockChanged;
    TNotifyEvent OnDockChanging;
    TNotifyEvent OnMove;
    TNotifyEvent OnRecreated;
    TNotifyEvent OnRecreating;
    TNotifyEvent OnVisibleChanged;
    TCloseQueryEvent OnCloseQuery;
    TDockChangingExEvent OnDockChangingEx;
    TDockChangingExEvent OnDockChangingHidden;
    TDragDropEvent OnDragDrop;
    TDragOverEvent OnDragOver;

protected:
    virtual void GetParams(TToolWindowParams& Params);
    virtual void InitializeOrdering() {}
    virtual void DoDockChangingHidden(TDock97* dockingTo);
    virtual void DoMove();
    void Moved();
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    // True: a press on that child starts a drag as if the child were not there.
    virtual bool ChildControlTransparent(TControl* Ctl);
    virtual void ResizeBegin(TToolWindowSizeHandle SizeHandle) { (void)SizeHandle; }
    virtual void ResizeTrack(RECT& Rect, const RECT& OrigRect) { (void)Rect, (void)OrigRect; }
    virtual void ResizeEnd(bool Accept) { (void)Accept; }
    void CreateParams(TCreateParams& Params) override;
    void AlignControls(TControl* AControl, RECT& Rect) override;
    void Paint() override;
    // OnResize fires from WM_SIZE only.
    void Resize() override {}
    // The contents scale (child controls, font, place along the row); the outer size then
    // follows from them and the frame, as always.
    void ChangeScale(int M, int D) override;

    TK_BEGIN_MESSAGE_MAP()
        TK_MESSAGE(WM_MOVE, WMMove)
        TK_MESSAGE(WM_SIZE, WMSize)
        TK_MESSAGE(WM_GETMINMAXINFO, WMGetMinMaxInfo)
        TK_MESSAGE(WM_DPICHANGED, WMDpiChanged)
        TK_MESSAGE(WM_NCCALCSIZE, WMNCCalcSize)
        TK_MESSAGE(WM_NCPAINT, WMNCPaint)
        TK_MESSAGE(WM_TB97PaintDockedNCArea, WMTB97PaintDockedNCArea)
        TK_MESSAGE(WM_TB97PaintFloatingNCArea, WMTB97PaintFloatingNCArea)
        TK_MESSAGE(CM_TEXTCHANGED, CMTextChanged)
        TK_MESSAGE(CM_COLORCHANGED, CMColorChanged)
        TK_MESSAGE(WM_PRINT, WMPrint)
        TK_MESSAGE(WM_PRINTCLIENT, WMPrintClient)
        TK_MESSAGE(WM_ACTIVATE, WMActivate)
        TK_MESSAGE(WM_MOUSEACTIVATE, WMMouseActivate)
        TK_MESSAGE(WM_ENABLE, WMEnable)
        TK_MESSAGE(WM_CLOSE, WMClose)
        TK_MESSAGE(CM_SHOWINGCHANGED, CMShowingChanged)
        TK_MESSAGE(CM_VISIBLECHANGED, CMVisibleChanged)
        TK_MESSAGE(WM_TB97RaiseAboveForm, WMTB97RaiseAboveForm)
        TK_MESSAGE(WM_NCHITTEST, WMNCHitTest)
        TK_MESSAGE(WM_NCLBUTTONDOWN, WMNCLButtonDown)
    TK_END_MESSAGE_MAP()

    void WMMove(TMessage& Message);
    void WMSize(TMessage& Message);
    void WMGetMinMaxInfo(TMessage& Message);
    void WMDpiChanged(TMessage& Message);
    void WMNCCalcSize(TMessage& Message);
    void WMNCPaint(TMessage& Message);
    void WMTB97PaintDockedNCArea(TMessage& Message);
    void WMTB97PaintFloatingNCArea(TMessage& Message);
    void CMTextChanged(TMessage& Message);
    void CMColorChanged(TMessage& Message);
    void WMPrint(TMessage& Message);
    void WMPrintClient(TMessage& Message);
    void WMActivate(TMessage& Message);
    void WMMouseActivate(TMessage& Message);
    void WMEnable(TMessage& Message);
    void WMClose(TMessage& Message);
    void CMShowingChanged(TMessage& Message);
    void CMVisibleChanged(TMessage& Message);
    void WMTB97RaiseAboveForm(TMessage& Message);
    void WMNCHitTest(TMessage& Message);
    void WMNCLButtonDown(TMessage& Message);

private:
    void SyncFloatingState();
    void AskParams();
    void ApplyDrag(TDock97* target, const RECT& outline);
    std::vector<TDock97*> CandidateDocks();
    void TrackCloseButton();
    bool CursorOverCloseButton() const;
    void InvalidateCloseButton();
    TFloatingWindowParent* NewFloatingParent(TCustomForm* ownerForm);
    TFrameState FrameState() const;
    // Scales the contents from the DPI they are laid out for to the window's.
    void FollowDpi();

    int32_t FDockPos = -1;
    int32_t FDockRow = 0;
    bool FIsDocked = false;
    TDock97* FDockedTo = nullptr;
    TDock97* FDefaultDock = nullptr;
    TDock97* FLastDock = nullptr;
    bool FActivateParent = true;
    bool FHideWhenInactive = true;
    bool FCloseButton = true;
    bool FCloseButtonWhenDocked = false;
    bool FFullSize = false;
    bool FResizable = true;
    bool FShowCaption = true;
    bool FUseLastDock = true;
    TFormBorderStyle FBorderStyle = bsSingle;
    TToolWindowDockMode FDockMode = dmCanFloat;
    TDragHandleStyle FDragHandleStyle = dhDouble;
    TDockableTo FDockableTo{dpTop, dpBottom, dpLeft, dpRight};
    TToolWindowFloatingMode FFloatingMode = fmOnTopOfParentForm;
    TDockType FPreviousDockType = dtNotDocked;
    bool FPreviousDockTypeKnown = false;
    TToolWindowParams FWindowParams{true, true, true};
    bool FParamsAsked = false;
    int32_t FBoundsUpdateCount = 0;
    int32_t FArrangeControlsLock = 0;
    int32_t FMoveEventLock = 0;
    int32_t FHiddenCount = 0;
    bool FArrangeControlsPending = false;
    bool FInactiveCaption = false;
    POINT FFloatingPosition{0, 0};
    std::unique_ptr<TList> FDockFormList;
    bool FSavedAtRunTime = false;
    int32_t FNCAreaWidth = 0;
    int32_t FNCAreaHeight = 0;
    TFloatingWindowParent* FFloatingParent = nullptr;
    bool FCloseButtonPressed = false;
    HWND FRaiseAboveFormPostedTo = nullptr;  // the window a WM_TB97RaiseAboveForm is queued for
    int FWindowDpi = 0;   // the DPI WM_DPICHANGED gave the floating window (0: ask the window system)
    int FContentDpi = 0;  // the DPI the contents are laid out for (0: not placed yet)
    bool FShowHint = false;
    bool FParentShowHint = true;
};

// ---- TFloatingWindowParent ----------------------------------------------------------------

// The hidden, borderless 0 x 0 form that parents a floating tool window.
class TFloatingWindowParent : public TForm {
    TK_CLASSINFO(TFloatingWindowParent, TForm)
public:
    explicit TFloatingWindowParent(TComponent* AOwner);
    ~TFloatingWindowParent() override;

    TCustomForm* OwnerForm() const { return FOwnerForm; }
    void SetOwnerForm(TCustomForm* value) { FOwnerForm = value; }
    bool ChildShowing() const { return FChildShowing; }
    void SetChildShowing(bool value) { FChildShowing = value; }
    // The floating tool window's keys are shortcuts of its form as well.
    bool IsShortCut(WORD key, TShiftState shift) override;

protected:
    void CreateParams(TCreateParams& Params) override;

    TK_BEGIN_MESSAGE_MAP()
        TK_MESSAGE(CM_SHOWINGCHANGED, CMShowingChanged)
        TK_MESSAGE(CM_DIALOGKEY, CMDialogKey)
    TK_END_MESSAGE_MAP()

    void CMShowingChanged(TMessage& Message);
    void CMDialogKey(TMessage& Message);

private:
    TCustomForm* FOwnerForm = nullptr;
    bool FChildShowing = false;
};

// ---- unit functions -------------------------------------------------------------------------

TDockType GetDockTypeOf(const TDock97* dock);
void RecalcFrame(TWinControl* control);
// The window's whole rectangle and its client area, both in window coordinates (non-client painting).
void GetFrameAndClientRects(HWND wnd, RECT& frame, RECT& client);
TCustomForm* GetToolWindowParentForm(const TCustomToolWindow97* toolWindow);
TCustomForm* ValidToolWindowParentForm(const TCustomToolWindow97* toolWindow);
TDock97* AsDock(TWinControl* control);
TCustomForm* MDIFrameFormOf(TCustomForm* form);
HWND FindVisibleTopLevelWindow(HWND leaveOut);
HWND WindowAboveOwnedGroup(HWND window);

// The multiple-monitor functions, looked up in user32.dll on every call because older
// systems lack them. Tests replace the lookup to simulate monitor layouts and failures.
struct TMonitorFunctions {
    HMONITOR(WINAPI* MonitorFromRect)(LPCRECT, DWORD) = nullptr;
    HMONITOR(WINAPI* MonitorFromPoint)(POINT, DWORD) = nullptr;
    BOOL(WINAPI* GetMonitorInfoA)(HMONITOR, LPMONITORINFO) = nullptr;
    int MonitorCount = 0;  // SM_CMONITORS
};
using TMonitorLookup = std::function<TMonitorFunctions()>;
TMonitorFunctions LookUpMonitorFunctions();
// Replaces the lookup; an empty function restores the real one. Returns the previous one.
TMonitorLookup SetMonitorLookup(TMonitorLookup lookup);
RECT PrimaryWorkArea();
bool MultipleMonitors();
RECT WorkAreaOfRect(const RECT& r);
// The work area of the monitor nearest to a screen point.
RECT WorkAreaAtPoint(POINT p);
// Dispatches the thread's pending paint messages; a quit request met on the way is posted again.
void FlushPaintMessages();
// The framework's sizes at a DPI, with the window system's metrics for it (by default at
// the system DPI).
TFrameMetrics SystemFrameMetrics(int dpi = ScreenDpi());

// While one is alive, SystemFrameMetrics answers each DPI with the values it first gave: the
// caption heights cost a font measurement each under some window systems, and a position
// load asks for the metrics several times per tool window.
class TFrameMetricsCache {
public:
    TFrameMetricsCache();
    ~TFrameMetricsCache();
    TFrameMetricsCache(const TFrameMetricsCache&) = delete;
    TFrameMetricsCache& operator=(const TFrameMetricsCache&) = delete;
};

// The tool windows whose parent is a floating parent; null while there are none.
extern TList* FloatingWindowList;

void ToolWindowHookProc(THookProcCode Code, HWND Wnd, WPARAM WParam, LPARAM LParam);

// Toolbar positions: every tool window owned directly by form, saved as a record under its
// Name and restored from it (TB97Persist). The core pair reads and writes through the four
// callbacks; loading brackets the form's docks in BeginUpdate/EndUpdate, ended also on error.
void CustomSaveToolbarPositions(TCustomForm* form, TPositionWriteIntProc WriteIntProc,
                                TPositionWriteStringProc WriteStringProc, void* ExtraData);
void CustomLoadToolbarPositions(TCustomForm* form, TPositionReadIntProc ReadIntProc,
                                TPositionReadStringProc ReadStringProc, void* ExtraData);
// An initialisation file; the section of a tool window is sectionNamePrefix + its Name.
void IniSaveToolbarPositions(TCustomForm* form, const std::wstring& fileName, const std::wstring& sectionNamePrefix);
void IniLoadToolbarPositions(TCustomForm* form, const std::wstring& fileName, const std::wstring& sectionNamePrefix);
// The registry: rootKey\baseKey\<Name>, string values; the base key is created when missing.
void RegSaveToolbarPositionsEx(TCustomForm* form, HKEY rootKey, const std::wstring& baseKey);
void RegLoadToolbarPositionsEx(TCustomForm* form, HKEY rootKey, const std::wstring& baseKey);
void RegSaveToolbarPositions(TCustomForm* form, const std::wstring& baseKey);  // HKEY_CURRENT_USER
void RegLoadToolbarPositions(TCustomForm* form, const std::wstring& baseKey);

// Moves the pen to (x1, y1) and draws to (x2, y2) with the DC's pen; the end point stays undrawn.
void DrawLine(HDC DC, int x1, int y1, int x2, int y2);

// The system's caption routine, looked up by name in user32.dll because older systems lack
// it. Tests replace the lookup to exercise the drawing without it.
using TDrawCaptionFunc = BOOL(WINAPI*)(HWND, HDC, const RECT*, UINT);
using TDrawCaptionLookup = std::function<TDrawCaptionFunc()>;
TDrawCaptionFunc LookUpDrawCaption();
// Replaces the lookup; an empty function restores the real one. Returns the previous one.
TDrawCaptionLookup SetDrawCaptionLookup(TDrawCaptionLookup lookup);
bool UsingGradientCaptions();

// Makes the framework's classes known to the layout reader.
void RegisterToolbarClasses();
