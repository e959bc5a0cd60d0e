// Buttons and the edit box: standard Win32 controls under the toolkit's message handling.
#pragma once

#include "Controls.h"

class TButton : public TWinControl {
    TK_CLASSINFO(TButton, TWinControl)
public:
    explicit TButton(TComponent* AOwner);

protected:
    void CreateParams(TCreateParams& Params) override;

    TK_BEGIN_MESSAGE_MAP()
        TK_MESSAGE(CN_COMMAND, CNCommand)
    TK_END_MESSAGE_MAP()

    void CNCommand(TMessage& Message);
};

// A button that may carry a glyph; this program's buttons have none.
class TBitBtn : public TButton {
    TK_CLASSINFO(TBitBtn, TButton)
public:
    explicit TBitBtn(TComponent* AOwner) : TButton(AOwner) {}
};

class TEdit : public TWinControl {
    TK_CLASSINFO(TEdit, TWinControl)
public:
    explicit TEdit(TComponent* AOwner);
    TNotifyEvent OnChange;

protected:
    void CreateParams(TCreateParams& Params) override;
    std::wstring GetText() const override;

    TK_BEGIN_MESSAGE_MAP()
        TK_MESSAGE(CN_COMMAND, CNCommand)
    TK_END_MESSAGE_MAP()

    void CNCommand(TMessage& Message);
};
