// TDock97: membership lists, the arrangement of its rows, its properties and frame size.
#include "TB97.h"

#include <algorithm>

#include "Tb97cnst.h"
#include "Tb97vers.h"

namespace {

const std::vector<std::wstring> DockPositionNames{L"dpTop", L"dpBottom", L"dpLeft", L"dpRight"};
const std::vector<std::wstring> BoundLineNames{L"blTop", L"blBottom", L"blLeft", L"blRight"};

TCustomToolWindow97* BarAt(const TList& list, int i)
{
    return static_cast<TCustomToolWindow97*>(list.Get(i));
}

std::optional<TDockPosition> AlignedEdge(TAlign align)
{
    switch (align) {
    case alTop: return dpTop;
    case alBottom: return dpBottom;
    case alLeft: return dpLeft;
    case alRight: return dpRight;
    default: return std::nullopt;
    }
}

}  // namespace

const TClassInfo& TDock97::StaticClassInfo()
{
    static const TClassInfo info = TClassBuilder<TDock97>(L"TDock97", &TCustomControl::StaticClassInfo())
        .Creatable()
        .Enum(L"Position", &TDock97::Position, &TDock97::SetPosition, DockPositionNames, dpTop)
        .Boolean(L"AllowDrag", &TDock97::AllowDrag, &TDock97::SetAllowDrag, true)
        .Set(L"BoundLines", &TDock97::BoundLines, &TDock97::SetBoundLines, BoundLineNames, TDockBoundLines{})
        .Nested(L"Background", &TDock97::Background)
        .Boolean(L"BackgroundTransparent", &TDock97::BackgroundTransparent, &TDock97::SetBackgroundTransparent, false)
        .Boolean(L"BackgroundOnToolbars", &TDock97::BackgroundOnToolbars, &TDock97::SetBackgroundOnToolbars, true)
        .Boolean(L"FixAlign", &TDock97::FixAlign, &TDock97::SetFixAlign, false)
        .Boolean(L"LimitToOneRow", &TDock97::LimitToOneRow, &TDock97::SetLimitToOneRow, false)
        .Integer(L"Color", &TDock97::Color, &TDock97::SetColor, clBtnFace)
        .Idents(IdentToColor, ColorToIdent)
        // The dock's edge decides its alignment and the arrangement its size.
        .Enum(L"Align", &TDock97::Align, &TDock97::SetAlign,
              {L"alNone", L"alTop", L"alBottom", L"alLeft", L"alRight", L"alClient"}, alTop)
        .String(L"Version", &TDock97::Version, &TDock97::SetVersion)
        .NeverStored()
        .Component(L"PopupMenu", &TDock97::PopupMenu, &TDock97::SetPopupMenu)
        .Event(L"OnInsertRemoveBar", &TDock97::OnInsertRemoveBar)
        .Event(L"OnRequestDock", &TDock97::OnRequestDock)
        .Build();
    return info;
}

TDock97::TDock97(TComponent* AOwner) : TCustomControl(AOwner), FBackground(std::make_unique<TBitmap>())
{
    FControlStyle = (FControlStyle + TControlStyle{csAcceptsControls}) - TControlStyle{csCaptureMouse, csClickEvents, csOpaque};
    FBackground->OnChange = [this](TObject* sender) { BackgroundChanged(sender); };
    SetColor(clBtnFace);
    FPosition = dpBottom;  // so that the setter below runs through
    SetPosition(dpTop);
}

TDock97::~TDock97()
{
    Destroying();
    FBackgroundCache.reset();
    FBackground.reset();
    // Tool windows leave the lists through Notification while they are destroyed.
    DestroyChildControls();
    DestroyHandle();
}

std::wstring TDock97::Version() const
{
    return Ruzevov97Version();
}

void TDock97::SetPosition(TDockPosition value)
{
    if (value != FPosition && ControlCount() > 0)
        throw EInvalidOperation(LoadTB97String(STB97DockCannotChangePosition));
    FPosition = value;
    static const TAlign aligns[] = {alTop, alBottom, alLeft, alRight};
    FAlign = alNone;  // set again even when unchanged
    SetAlign(aligns[value]);
}

void TDock97::SetAllowDrag(bool value)
{
    if (FAllowDrag == value)
        return;
    FAllowDrag = value;
    for (int i = 0; i < ControlCount(); ++i)
        if (auto* bar = dynamic_cast<TCustomToolWindow97*>(Controls(i)))
            RecalcFrame(bar);
}

void TDock97::SetBoundLines(TDockBoundLines value)
{
    if (FBoundLines == value)
        return;
    FBoundLines = value;
    RecalcFrame(this);
}

int32_t TDock97::BoundLinesWidth() const
{
    return BoundLinesWidthOf(FBoundLines, FrameMetrics());
}

int32_t TDock97::BoundLinesHeight() const
{
    return BoundLinesHeightOf(FBoundLines, FrameMetrics());
}

TFrameMetrics TDock97::FrameMetrics() const
{
    return SystemFrameMetrics(CurrentDpi());
}

void TDock97::DpiChanged(int, int)
{
    RecalcFrame(this);
    ArrangeToolbars(false);
}

void TDock97::SetBackground(TBitmap* value)
{
    if (value)
        FBackground->Assign(*value);
}

void TDock97::SetBackgroundTransparent(bool value)
{
    if (FBackgroundTransparent == value)
        return;
    FBackgroundTransparent = value;
    if (UsingBackground())
        BackgroundChanged(this);
}

void TDock97::SetBackgroundOnToolbars(bool value)
{
    if (FBackgroundOnToolbars == value)
        return;
    FBackgroundOnToolbars = value;
    InvalidateBackgrounds();
}

void TDock97::SetFixAlign(bool value)
{
    if (FFixAlign == value)
        return;
    FFixAlign = value;
    ArrangeToolbars(false);
}

bool TDock97::UsingBackground() const
{
    return FBackground && FBackground->Width() != 0 && FBackground->Height() != 0;
}

void TDock97::BackgroundChanged(TObject*)
{
    FBackgroundCache.reset();
    FBackgroundTiles.reset();
    InvalidateBackgrounds();
}

void TDock97::InvalidateBackgrounds()
{
    Invalidate();
    for (int i = 0; i < FMemberList.Count(); ++i) {
        TCustomToolWindow97* bar = BarAt(FMemberList, i);
        if (ToolbarVisibleOnDock(bar)) {
            bar->InvalidateDockedNCArea();
            bar->Invalidate();
        }
    }
}

// ---- membership ---------------------------------------------------------------------------

void TDock97::BeginUpdate()
{
    ++FArrangeLockCount;
}

void TDock97::EndUpdate()
{
    --FArrangeLockCount;
    if (FArrangePending && FArrangeLockCount == 0)
        ArrangeToolbars(FCommitPending);
}

void TDock97::ChangeDockList(bool insert, TCustomToolWindow97* bar)
{
    if (insert) {
        if (FMemberList.IndexOf(bar) < 0) {
            bar->FreeNotification(this);
            FMemberList.Add(bar);
        }
    } else {
        FMemberList.Remove(bar);
    }
    ToolbarVisibilityChanged(bar, false);
}

void TDock97::ToolbarVisibilityChanged(TCustomToolWindow97* bar, bool forceRemove)
{
    const bool shown = !forceRemove && ToolbarVisibleOnDock(bar);
    const bool listed = FShownList.IndexOf(bar) >= 0;
    if (shown == listed)
        return;
    if (shown)
        FShownList.Add(bar);
    else
        FShownList.Remove(bar);
    ArrangeToolbars(false);
    if (OnInsertRemoveBar)
        OnInsertRemoveBar(this, shown, bar);
}

bool TDock97::ToolbarVisibleOnDock(const TCustomToolWindow97* bar) const
{
    return bar->Parent() == this && (bar->Visible() || bar->IsDesigning());
}

bool TDock97::HasVisibleToolbars() const
{
    for (int i = 0; i < FMemberList.Count(); ++i)
        if (ToolbarVisibleOnDock(BarAt(FMemberList, i)))
            return true;
    return false;
}

TCustomToolWindow97* TDock97::GetToolbars(int index) const
{
    return BarAt(FShownList, index);
}

// ---- rows ---------------------------------------------------------------------------------

std::vector<TDockMember> TDock97::MemberData() const
{
    std::vector<TDockMember> members;
    members.reserve(static_cast<size_t>(FMemberList.Count()));
    for (int i = 0; i < FMemberList.Count(); ++i) {
        TCustomToolWindow97* bar = BarAt(FMemberList, i);
        TDockMember m;
        m.DockRow = bar->DockRow();
        m.DockPos = bar->DockPos();
        m.FullSize = bar->FullSize();
        m.Shown = ToolbarVisibleOnDock(bar);
        m.Width = bar->Width();
        m.Height = bar->Height();
        m.GetBarSize = [bar](TDockType type) {
            int32_t size = 0;
            bar->GetBarSize(size, type);
            return size;
        };
        members.push_back(std::move(m));
    }
    return members;
}

std::vector<int32_t> TDock97::MemberRows() const
{
    std::vector<int32_t> rows;
    rows.reserve(static_cast<size_t>(FMemberList.Count()));
    for (int i = 0; i < FMemberList.Count(); ++i)
        rows.push_back(BarAt(FMemberList, i)->DockRow());
    return rows;
}

void TDock97::SetMemberRows(const std::vector<int32_t>& rows)
{
    for (int i = 0; i < FMemberList.Count(); ++i) {
        TCustomToolWindow97* bar = BarAt(FMemberList, i);
        const int32_t row = rows[static_cast<size_t>(i)];
        if (row != bar->DockRow())
            bar->ApplyDockPlacement(row, bar->DockPos());
    }
}

int32_t TDock97::GetHighestRow() const
{
    return HighestRowOf(MemberRows());
}

int32_t TDock97::GetNumberOfToolbarsOnRow(int32_t row, const TCustomToolWindow97* notThisBar) const
{
    const int index = notThisBar ? FMemberList.IndexOf(const_cast<TCustomToolWindow97*>(notThisBar)) : -1;
    return CountOnRow(MemberRows(), row, index >= 0 ? static_cast<size_t>(index) : NoMember);
}

void TDock97::RemoveBlankRows()
{
    std::vector<int32_t> rows = MemberRows();
    RemoveBlankDockRows(rows);
    SetMemberRows(rows);
}

int32_t TDock97::InsertRowBefore(int32_t row)
{
    std::vector<int32_t> rows = MemberRows();
    const int32_t freed = InsertDockRowBefore(rows, row);
    SetMemberRows(rows);
    return freed;
}

void TDock97::BuildRowInfo()
{
    FRowThicknesses = BuildDockRowInfo(MemberData(), GetDockTypeOf(this), FrameMetrics());
}

int32_t TDock97::GetRowSize(int32_t row, TCustomToolWindow97* defaultBar) const
{
    int32_t size = FRowThicknesses.RowSize(row);
    if (size == 0 && defaultBar)
        defaultBar->GetBarSize(size, GetDockTypeOf(this));
    return size;
}

int32_t TDock97::GetRowOf(int32_t coordinate, bool& before) const
{
    const TDockRowHit hit = GetDockRowOf(FRowThicknesses, GetHighestRow(), coordinate, FrameMetrics());
    before = hit.Before;
    return hit.Row;
}

int32_t TDock97::GetDesignModeRowOf(int32_t coordinate) const
{
    return GetDockDesignModeRowOf(FRowThicknesses, GetHighestRow(), coordinate, FrameMetrics());
}

void TDock97::ChangeWidthHeight(int32_t newWidth, int32_t newHeight)
{
    const auto bounds = DockResizeBounds(TGeomBounds{Left(), Top(), Width(), Height()}, AlignedEdge(Align()),
                                         newWidth, newHeight);
    if (bounds)
        SetBounds(bounds->Left, bounds->Top, bounds->Width, bounds->Height);
}

// ---- arrangement --------------------------------------------------------------------------

void TDock97::ArrangeToolbars(bool commitPositions)
{
    if (commitPositions)
        FCommitPending = true;
    // A dock going away only loses members: nothing is worth arranging any more.
    if (FArrangeLockCount > 0 || IsLoading() || IsDestroying()) {
        FArrangePending = true;
        return;
    }
    ++FArrangeLockCount;
    // Requests made by the arrangement's own effects are absorbed, not replayed.
    TScopeExit unlock([this] {
        --FArrangeLockCount;
        FArrangePending = false;
        FCommitPending = false;
    });

    if (!IsDesigning() && HandleAllocated())
        SetWindowPos(Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);

    TDockArrangeInput in;
    in.Position = FPosition;
    in.Width = Width();
    in.Height = Height();
    in.Metrics = FrameMetrics();
    in.BoundLinesWidth = BoundLinesWidthOf(FBoundLines, in.Metrics);
    in.BoundLinesHeight = BoundLinesHeightOf(FBoundLines, in.Metrics);
    in.Designing = IsDesigning();
    in.FixAlign = FFixAlign;
    in.LimitToOneRow = FLimitToOneRow;
    in.CommitPositions = FCommitPending;
    in.Members = MemberData();
    const TDockArrangement result = ArrangeDock(in);

    if (!result.Empty) {
        std::vector<TCustomToolWindow97*> bars;
        for (int i = 0; i < FMemberList.Count(); ++i)
            bars.push_back(BarAt(FMemberList, i));
        FMemberList.Clear();
        for (const TDockMemberState& s : result.Members) {
            TCustomToolWindow97* bar = bars[s.Index];
            bar->ApplyDockPlacement(s.DockRow, s.DockPos);
            FMemberList.Add(bar);
        }
        // The shown list follows the member list's new order.
        std::vector<TCustomToolWindow97*> shown;
        for (int i = 0; i < FMemberList.Count(); ++i)
            if (FShownList.IndexOf(FMemberList.Get(i)) >= 0)
                shown.push_back(BarAt(FMemberList, i));
        for (int i = 0; i < FShownList.Count(); ++i)
            if (std::find(shown.begin(), shown.end(), FShownList.Get(i)) == shown.end())
                shown.push_back(BarAt(FShownList, i));
        FShownList.Clear();
        for (TCustomToolWindow97* bar : shown)
            FShownList.Add(bar);

        FRowThicknesses = result.RowInfo;

        for (const TDockPlacement& p : result.Placements) {
            TCustomToolWindow97* bar = bars[p.Index];
            bar->ApplyDockPlacement(bar->DockRow(), bar->DockPos(), &p.Bounds);
        }
    }
    ChangeWidthHeight(result.DockSize.Width, result.DockSize.Height);
}

// ---- overrides ----------------------------------------------------------------------------

void TDock97::CreateParams(TCreateParams& Params)
{
    TCustomControl::CreateParams(Params);
    if (!IsDesigning())
        Params.WindowClass.style &= ~(CS_HREDRAW | CS_VREDRAW);
}

void TDock97::SetParent(TWinControl* AParent)
{
    if (dynamic_cast<TCustomToolWindow97*>(AParent) || dynamic_cast<TDock97*>(AParent))
        throw EInvalidOperation(LoadTB97String(STB97DockParentNotAllowed));
    TCustomControl::SetParent(AParent);
}

void TDock97::AlignControls(TControl*, RECT&)
{
    ArrangeToolbars(false);
}

void TDock97::Loaded()
{
    TCustomControl::Loaded();
    ArrangeToolbars(false);
}

void TDock97::Notification(TComponent* component, TOperation operation)
{
    TCustomControl::Notification(component, operation);
    if (operation != opRemove)
        return;
    // Compared by identity: by now the tool window is only a TComponent, no longer castable.
    for (TList* list : {&FMemberList, &FShownList})
        for (int i = list->Count() - 1; i >= 0; --i)
            if (static_cast<TComponent*>(BarAt(*list, i)) == component)
                list->Delete(i);
}

void TDock97::WMSize(TMessage& Message)
{
    inherited::Dispatch(Message);
    ArrangeToolbars(false);
    if (!IsLoading() && OnResize)
        OnResize(this);
}

void TDock97::WMNCCalcSize(TMessage& Message)
{
    inherited::Dispatch(Message);
    auto* params = reinterpret_cast<NCCALCSIZE_PARAMS*>(Message.LParam);
    RECT& r = params->rgrc[0];
    const TGeomRect client = DockClientRectOf(TGeomRect{r.left, r.top, r.right, r.bottom}, FBoundLines, FrameMetrics());
    r = RECT{client.Left, client.Top, client.Right, client.Bottom};
}
