#include "StdCtrls.h"

const TClassInfo& TButton::StaticClassInfo()
{
    static const TClassInfo info = TClassBuilder<TButton>(L"TButton", &TWinControl::StaticClassInfo())
        .Creatable()
        .String(L"Caption", &TButton::Caption, &TButton::SetCaption)
        .Build();
    return info;
}

const TClassInfo& TBitBtn::StaticClassInfo()
{
    static const TClassInfo info = TClassBuilder<TBitBtn>(L"TBitBtn", &TButton::StaticClassInfo()).Creatable().Build();
    return info;
}

TButton::TButton(TComponent* AOwner) : TWinControl(AOwner)
{
    FControlStyle = TControlStyle{csSetCaption, csDoubleClicks};
    FWidth = 75;
    FHeight = 25;
    SetColor(clBtnFace);
}

void TButton::CreateParams(TCreateParams& Params)
{
    TWinControl::CreateParams(Params);
    Params.BaseClassName = L"BUTTON";
    Params.Style |= BS_PUSHBUTTON | WS_TABSTOP;
}

void TButton::CNCommand(TMessage& Message)
{
    if (HIWORD(Message.WParam) == BN_CLICKED)
        Click();
}

const TClassInfo& TEdit::StaticClassInfo()
{
    static const TClassInfo info = TClassBuilder<TEdit>(L"TEdit", &TWinControl::StaticClassInfo())
        .Creatable()
        .String(L"Text", &TEdit::Text, &TEdit::SetText)
        .Integer(L"Color", &TEdit::Color, &TEdit::SetColor, clWindow)
        .Idents(IdentToColor, ColorToIdent)
        .Event(L"OnChange", &TEdit::OnChange)
        .Build();
    return info;
}

TEdit::TEdit(TComponent* AOwner) : TWinControl(AOwner)
{
    FControlStyle = TControlStyle{csClickEvents, csSetCaption, csDoubleClicks};
    FWidth = 121;
    FHeight = 25;
}

void TEdit::CreateParams(TCreateParams& Params)
{
    TWinControl::CreateParams(Params);
    Params.BaseClassName = L"EDIT";
    Params.Style |= ES_AUTOHSCROLL | WS_TABSTOP;
    Params.ExStyle |= WS_EX_CLIENTEDGE;
}

std::wstring TEdit::GetText() const
{
    if (!FHandle)
        return FText;
    const int length = GetWindowTextLengthW(FHandle);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int got = GetWindowTextW(FHandle, text.data(), length + 1);
    text.resize(static_cast<size_t>(got));
    return text;
}

void TEdit::CNCommand(TMessage& Message)
{
    if (HIWORD(Message.WParam) == EN_CHANGE && OnChange)
        OnChange(this);
}
