#include "TB97Tlwn.h"

#include "TB97PositionData.h"


namespace {

const std::vector<std::wstring> BorderStyleNames{L"bsNone", L"bsSingle", L"bsSizeable",
                                                 L"bsDialog", L"bsToolWindow", L"bsSizeToolWin"};

}  // namespace

const TClassInfo& TToolWindow97::StaticClassInfo()
{
    using T = TToolWindow97;
    static const TClassInfo info = TClassBuilder<T>(L"TToolWindow97", &TCustomToolWindow97::StaticClassInfo())
        .Creatable()
        .Boolean(L"ActivateParent", &T::ActivateParent, &T::SetActivateParent, true)
        .Enum(L"BorderStyle", &T::BorderStyle, &T::SetBorderStyle, BorderStyleNames, bsSingle)
        .String(L"Caption", &T::Caption, &T::SetCaption)
        .Integer(L"ClientAreaHeight", &T::ClientAreaHeight, &T::SetClientAreaHeight)
        .Integer(L"ClientAreaWidth", &T::ClientAreaWidth, &T::SetClientAreaWidth)
        .Boolean(L"CloseButton", &T::CloseButton, &T::SetCloseButton, true)
        .Boolean(L"CloseButtonWhenDocked", &T::CloseButtonWhenDocked, &T::SetCloseButtonWhenDocked, false)
        .Integer(L"Color", &T::Color, &T::SetColor, clBtnFace)
        .Idents(IdentToColor, ColorToIdent)
        .Component(L"DefaultDock", &T::DefaultDock, &T::SetDefaultDock)
        .Set(L"DockableTo", &T::DockableTo, &T::SetDockableTo,
             {L"dpTop", L"dpBottom", L"dpLeft", L"dpRight"}, TDockableTo{dpTop, dpBottom, dpLeft, dpRight})
        .Component(L"DockedTo", &T::DockedTo, &T::SetDockedTo)
        .NeverStored()
        .Enum(L"DockMode", &T::DockMode, &T::SetDockMode,
              {L"dmCanFloat", L"dmCannotFloat", L"dmCannotFloatOrChangeDocks"}, dmCanFloat)
        .Integer(L"DockPos", &T::DockPos, &T::SetDockPos, -1)
        .Integer(L"DockRow", &T::DockRow, &T::SetDockRow, 0)
        .Enum(L"DragHandleStyle", &T::DragHandleStyle, &T::SetDragHandleStyle,
              {L"dhDouble", L"dhNone", L"dhSingle"}, dhDouble)
        .Enum(L"FloatingMode", &T::FloatingMode, &T::SetFloatingMode,
              {L"fmOnTopOfParentForm", L"fmOnTopOfAllForms"}, fmOnTopOfParentForm)
        .Boolean(L"FullSize", &T::FullSize, &T::SetFullSize, false)
        .Boolean(L"HideWhenInactive", &T::HideWhenInactive, &T::SetHideWhenInactive, true)
        .Component(L"LastDock", &T::LastDock, &T::SetLastDock)
        .StoredIf([](const T& t) { return t.IsLastDockStored(); })
        .Integer(L"MinClientHeight", &T::MinClientHeight, &T::SetMinClientHeight, 32)
        .Integer(L"MinClientWidth", &T::MinClientWidth, &T::SetMinClientWidth, 32)
        .Boolean(L"ParentShowHint", &T::ParentShowHint, &T::SetParentShowHint, true)
        .Component(L"PopupMenu", &T::PopupMenu, &T::SetPopupMenu)
        .Boolean(L"Resizable", &T::Resizable, &T::SetResizable, true)
        .Boolean(L"ShowCaption", &T::ShowCaption, &T::SetShowCaption, true)
        .Boolean(L"ShowHint", &T::ShowHint, &T::SetShowHint, false)
        .Boolean(L"UseLastDock", &T::UseLastDock, &T::SetUseLastDock, true)
        .String(L"Version", &T::Version, &T::SetVersion)
        .NeverStored()
        .Event(L"OnClose", &T::OnClose)
        .Event(L"OnCloseQuery", &T::OnCloseQuery)
        .Event(L"OnDockChanged", &T::OnDockChanged)
        .Event(L"OnDockChanging", &T::OnDockChanging)
        .Event(L"OnDockChangingEx", &T::OnDockChangingEx)
        .Event(L"OnDockChangingHidden", &T::OnDockChangingHidden)
        .Event(L"OnDragDrop", &T::OnDragDrop)
        .Event(L"OnDragOver", &T::OnDragOver)
        .Event(L"OnMove", &T::OnMove)
        .Event(L"OnRecreated", &T::OnRecreated)
        .Event(L"OnRecreating", &T::OnRecreating)
        .Event(L"OnVisibleChanged", &T::OnVisibleChanged)
        .Build();
    return info;
}

TToolWindow97::TToolWindow97(TComponent* AOwner) : TCustomToolWindow97(AOwner)
{
    FMinClientWidth = 32;
    FMinClientHeight = 32;
    SetBounds(Left(), Top(), 32, 32);
}

int32_t TToolWindow97::ClientAreaWidth() const
{
    return Parent() ? ClientWidth() : Width();
}

int32_t TToolWindow97::ClientAreaHeight() const
{
    return Parent() ? ClientHeight() : Height();
}

void TToolWindow97::SetClientAreaWidth(int32_t value)
{
    SetClientAreaSize(value, ClientAreaHeight());
}

void TToolWindow97::SetClientAreaHeight(int32_t value)
{
    SetClientAreaSize(ClientAreaWidth(), value);
}

void TToolWindow97::SetClientAreaSize(int32_t AWidth, int32_t AHeight)
{
    if (!Parent()) {
        SetBounds(Left(), Top(), AWidth, AHeight);
        return;
    }
    // Stored sizes come from files: the sums are clamped, not left to overflow.
    const RECT client = ClientRect();
    SetBounds(Left(), Top(), ClampToInt32(int64_t{AWidth} + (int64_t{Width()} - client.right)),
              ClampToInt32(int64_t{AHeight} + (int64_t{Height()} - client.bottom)));
}

void TToolWindow97::GetBarSize(int32_t& Size, TDockType DockType)
{
    // The bar's thickness across the row; floating counts as horizontal.
    Size = Perp(DockType, TGeomSize{FBarWidth, FBarHeight});
}

void TToolWindow97::GetMinimumSize(int32_t& AWidth, int32_t& AHeight)
{
    AWidth = FMinClientWidth;
    AHeight = FMinClientHeight;
}

POINT TToolWindow97::OrderControls(bool, TDockType, TDock97*)
{
    return POINT{FBarWidth, FBarHeight};
}

void TToolWindow97::ChangeScale(int M, int D)
{
    // Before the base class arranges the tool window around them.
    FBarWidth = ScaleValue(FBarWidth, M, D);
    FBarHeight = ScaleValue(FBarHeight, M, D);
    FMinClientWidth = ScaleValue(FMinClientWidth, M, D);
    FMinClientHeight = ScaleValue(FMinClientHeight, M, D);
    TCustomToolWindow97::ChangeScale(M, D);
}

void TToolWindow97::SizeChanging(int32_t AWidth, int32_t AHeight)
{
    FBarWidth = AWidth;
    FBarHeight = AHeight;
    if (Parent()) {
        FBarWidth = ClampToInt32(int64_t{AWidth} - (int64_t{Width()} - ClientWidth()));
        FBarHeight = ClampToInt32(int64_t{AHeight} - (int64_t{Height()} - ClientHeight()));
    }
}

void TToolWindow97::ReadPositionData(TPositionReadIntProc ReadIntProc, TPositionReadStringProc ReadStringProc,
                                     void* ExtraData)
{
    TCustomToolWindow97::ReadPositionData(ReadIntProc, ReadStringProc, ExtraData);
    if (!Resizable() || !ReadIntProc)
        return;
    // Both are read before either applies, so a read that raises leaves the size alone.
    const int32_t height = StoredClientSize(ReadIntProc(Name(), L"ClientHeight", FBarHeight, ExtraData));
    const int32_t width = StoredClientSize(ReadIntProc(Name(), L"ClientWidth", FBarWidth, ExtraData));
    SetClientAreaSize(width, height);
}

void TToolWindow97::WritePositionData(TPositionWriteIntProc WriteIntProc, TPositionWriteStringProc WriteStringProc,
                                      void* ExtraData)
{
    TCustomToolWindow97::WritePositionData(WriteIntProc, WriteStringProc, ExtraData);
    if (!WriteIntProc)
        return;
    WriteIntProc(Name(), L"ClientWidth", FBarWidth, ExtraData);
    WriteIntProc(Name(), L"ClientHeight", FBarHeight, ExtraData);
}

void RegisterToolbarClasses()
{
    RegisterComponentClass(TDock97::StaticClassInfo());
    RegisterComponentClass(TToolWindow97::StaticClassInfo());
}
