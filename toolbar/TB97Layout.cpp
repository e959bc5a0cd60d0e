// TCustomToolWindow97: batching of control arrangements, the outer size from the contents,
// the bounds rules, and the move/size notifications.
#include "TB97.h"

void TCustomToolWindow97::BeginUpdate()
{
    ++FArrangeControlsLock;
}

void TCustomToolWindow97::EndUpdate()
{
    --FArrangeControlsLock;
    if (FArrangeControlsPending && FArrangeControlsLock == 0)
        ArrangeControls();
}

void TCustomToolWindow97::ArrangeControls()
{
    CustomArrangeControls(GetDockTypeOf(FDockedTo), FDockedTo, true);
}

void TCustomToolWindow97::CustomArrangeControls(TDockType previousDockType, TDock97* dockingTo, bool resize)
{
    if (FArrangeControlsLock > 0 || IsLoading() || IsDestroying() || !Parent() ||
        (Parent()->HandleAllocated() && Parent()->IsDestroying())) {
        FArrangeControlsPending = true;
        return;
    }
    FArrangeControlsPending = false;
    ++FArrangeControlsLock;
    TScopeExit unlock([this] { --FArrangeControlsLock; });

    const POINT size = OrderControls(true, previousDockType, dockingTo);
    if (!resize)
        return;
    std::optional<TDockedSizing> docked;
    if (FIsDocked) {
        TDockedSizing d;
        d.Position = FDockedTo->Position();
        GetDockRowSize(d.RowSize);
        d.FullSize = FFullSize;
        d.DockWidth = FDockedTo->Width();
        d.DockHeight = FDockedTo->Height();
        d.BoundLinesWidth = FDockedTo->BoundLinesWidth();
        d.BoundLinesHeight = FDockedTo->BoundLinesHeight();
        docked = d;
    }
    const TGeomSize outer = ToolWindowOuterSize(TGeomPoint{size.x, size.y}, docked, FNCAreaWidth, FNCAreaHeight);
    if (Width() != outer.Width || Height() != outer.Height) {
        ++FBoundsUpdateCount;
        TScopeExit done([this] { --FBoundsUpdateCount; });
        SetBounds(Left(), Top(), outer.Width, outer.Height);
    }
}

void TCustomToolWindow97::GetDockRowSize(int32_t& Size)
{
    if (FIsDocked) {
        FDockedTo->BuildRowInfo();
        Size = FDockedTo->GetRowSize(FDockRow, this);
    } else {
        GetBarSize(Size, dtNotDocked);
    }
}

void TCustomToolWindow97::AlignControls(TControl* AControl, RECT& Rect)
{
    if (FWindowParams.InheritedAlign)
        TCustomControl::AlignControls(AControl, Rect);
    ArrangeControls();
}

void TCustomToolWindow97::SetBounds(int ALeft, int ATop, int AWidth, int AHeight)
{
    if (FBoundsUpdateCount == 0 && (AWidth != Width() || AHeight != Height()))
        SizeChanging(AWidth, AHeight);
    if (IsDesigning() && !IsLoading() && FIsDocked && FBoundsUpdateCount == 0 &&
        (ALeft != Left() || ATop != Top())) {
        const TDesignMoveTarget target = DesignModeMoveTarget(FDockedTo->Position(), ALeft, ATop, Width(), Height());
        FDockRow = FDockedTo->GetDesignModeRowOf(target.RowCoordinate);
        FDockPos = target.DockPos;
        TCustomControl::SetBounds(Left(), Top(), AWidth, AHeight);
        FDockedTo->ArrangeToolbars(false);
        return;
    }
    TCustomControl::SetBounds(ALeft, ATop, AWidth, AHeight);
    if (!IsLoading() && !FIsDocked && FBoundsUpdateCount == 0)
        FFloatingPosition = POINT{Left(), Top()};
}

void TCustomToolWindow97::Moved()
{
    if (!IsLoading() && FMoveEventLock == 0)
        DoMove();
}

void TCustomToolWindow97::WMMove(TMessage& Message)
{
    inherited::Dispatch(Message);
    if (FIsDocked && FDockedTo->UsingBackground()) {
        InvalidateDockedNCArea();
        if (HandleAllocated())
            InvalidateRect(Handle(), nullptr, FALSE);
    }
    Moved();
}

void TCustomToolWindow97::WMSize(TMessage& Message)
{
    inherited::Dispatch(Message);
    if (!IsLoading() && OnResize)
        OnResize(this);
}

void TCustomToolWindow97::WMGetMinMaxInfo(TMessage& Message)
{
    DefaultHandler(Message);
    auto* info = reinterpret_cast<MINMAXINFO*>(Message.LParam);
    info->ptMinTrackSize = POINT{1, 1};
    info->ptMaxTrackSize = POINT{32767, 32767};
}
