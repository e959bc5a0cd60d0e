// TToolWindow97: the concrete tool window. Its child controls stay where the form put them;
// its bar size is a client size of its own, kept through docking, floating and re-docking.
#pragma once

#include "TB97.h"

class TToolWindow97 : public TCustomToolWindow97 {
    TK_CLASSINFO(TToolWindow97, TCustomToolWindow97)
public:
    explicit TToolWindow97(TComponent* AOwner);

    int32_t MinClientWidth() const { return FMinClientWidth; }
    void SetMinClientWidth(int32_t value) { FMinClientWidth = value; }
    int32_t MinClientHeight() const { return FMinClientHeight; }
    void SetMinClientHeight(int32_t value) { FMinClientHeight = value; }
    int32_t BarWidth() const { return FBarWidth; }
    int32_t BarHeight() const { return FBarHeight; }

    int32_t ClientAreaWidth() const;
    void SetClientAreaWidth(int32_t value);
    int32_t ClientAreaHeight() const;
    void SetClientAreaHeight(int32_t value);
    void SetClientAreaSize(int32_t AWidth, int32_t AHeight);

    void GetBarSize(int32_t& Size, TDockType DockType) override;
    void GetMinimumSize(int32_t& AWidth, int32_t& AHeight) override;
    POINT OrderControls(bool CanMoveControls, TDockType PreviousDockType, TDock97* DockingTo) override;
    void SizeChanging(int32_t AWidth, int32_t AHeight) override;

    // Position records: the client size, read only when resizable, always written.
    void ReadPositionData(TPositionReadIntProc ReadIntProc, TPositionReadStringProc ReadStringProc,
                          void* ExtraData) override;
    void WritePositionData(TPositionWriteIntProc WriteIntProc, TPositionWriteStringProc WriteStringProc,
                           void* ExtraData) override;

protected:
    // The client size it keeps and its minimum scale with the contents.
    void ChangeScale(int M, int D) override;

private:
    int32_t FMinClientWidth = 32;
    int32_t FMinClientHeight = 32;
    int32_t FBarHeight = 0;
    int32_t FBarWidth = 0;
};
