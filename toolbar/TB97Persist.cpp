// Toolbar positions saved and restored: the core pair over the four callbacks, and front
// ends for initialisation files and the registry. The order of a restore is TB97PositionData's;
// this file supplies its steps on the real windows.
#include "TB97.h"

#include <vector>

#include "IniFiles.h"
#include "Registry.h"
#include "TB97PositionData.h"
#include "Tb97cnst.h"

namespace {

template <class T>
std::vector<T*> OwnedOf(TCustomForm* form)
{
    std::vector<T*> found;
    for (int i = 0; i < form->ComponentCount(); ++i)
        if (auto* c = dynamic_cast<T*>(form->Components(i)))
            found.push_back(c);
    return found;
}

std::wstring DockedToText(const TCustomToolWindow97* bar)
{
    if (!bar->IsDocked())
        return L"+";
    const TDock97* dock = bar->DockedTo();
    if (!dock->AllowDrag())
        return L"";
    if (dock->Name().empty())
        throw Exception(LoadTB97String(STB97ToolwinDockedToNameNotSet));
    return dock->Name();
}

// A tool window restored through its own setters; the docks are the form's as loading began
// (each is between BeginUpdate and EndUpdate meanwhile), names compared as they are now.
class TToolWindowTarget final : public TPositionTarget {
public:
    TToolWindowTarget(TCustomForm* form, TCustomToolWindow97* bar, const std::vector<TDock97*>& docks,
                      TPositionReadIntProc readInt, TPositionReadStringProc readString, void* extraData)
        : FForm(form), FBar(bar), FDocks(docks), FReadInt(readInt), FReadString(readString), FExtraData(extraData)
    {
    }

    std::optional<TFoundDock> FindDock(const std::wstring& name) const override
    {
        for (size_t i = 0; i < FDocks.size(); ++i)
            if (FDocks[i]->Name() == name)
                return TFoundDock{i, FDocks[i]->AllowDrag()};
        return std::nullopt;
    }
    bool Visible() const override { return FBar->Visible(); }
    void SetVisible(bool value) override { FBar->SetVisible(value); }
    int32_t DockRow() const override { return FBar->DockRow(); }
    void SetDockRow(int32_t value) override { FBar->SetDockRow(value); }
    int32_t DockPos() const override { return FBar->DockPos(); }
    void SetDockPos(int32_t value) override { FBar->SetDockPos(value); }
    void ReadPositionData() override { FBar->ReadPositionData(FReadInt, FReadString, FExtraData); }
    void SetFloatingPosition(int32_t left, int32_t top) override { FBar->SetFloatingPosition(POINT{left, top}); }
    void DockTo(size_t dock) override { FBar->SetParent(FDocks[dock]); }
    void Float(int32_t left, int32_t top) override
    {
        FBar->SetParent(FForm);
        FBar->SetBounds(left, top, FBar->Width(), FBar->Height());
        FBar->MoveOnScreen(true);
    }
    bool UseLastDock() const override { return FBar->UseLastDock(); }
    void SetLastDock(size_t dock) override { FBar->SetLastDock(FDocks[dock]); }
    void DoneReadingPositionData() override
    {
        FBar->ArrangeControls();
        FBar->DoneReadingPositionData(FReadInt, FReadString, FExtraData);
    }

private:
    TCustomForm* FForm;
    TCustomToolWindow97* FBar;
    const std::vector<TDock97*>& FDocks;
    TPositionReadIntProc FReadInt;
    TPositionReadStringProc FReadString;
    void* FExtraData;
};

// ---- initialisation files ---------------------------------------------------------------------

struct TIniStore {
    TIniFile& Ini;
    const std::wstring& SectionPrefix;
};

TIniStore& IniOf(void* extra)
{
    return *static_cast<TIniStore*>(extra);
}

int32_t IniReadInt(const std::wstring& name, const std::wstring& value, int32_t def, void* extra)
{
    TIniStore& s = IniOf(extra);
    return PositionTextToInt(s.Ini.ReadString(s.SectionPrefix + name, value, L""), def);
}

std::wstring IniReadString(const std::wstring& name, const std::wstring& value, const std::wstring& def, void* extra)
{
    TIniStore& s = IniOf(extra);
    return s.Ini.ReadString(s.SectionPrefix + name, value, def);
}

void IniWriteInt(const std::wstring& name, const std::wstring& value, int32_t data, void* extra)
{
    TIniStore& s = IniOf(extra);
    s.Ini.WriteInteger(s.SectionPrefix + name, value, data);
}

void IniWriteString(const std::wstring& name, const std::wstring& value, const std::wstring& data, void* extra)
{
    TIniStore& s = IniOf(extra);
    s.Ini.WriteString(s.SectionPrefix + name, value, data);
}

// ---- registry -----------------------------------------------------------------------------------

// The subkey of the tool window being read or written stays open while its values are
// handled, since they come one tool window after another; it is opened from the base key,
// which stays open throughout. Each value costs one query where it can.
class TRegStore {
public:
    TRegStore(HKEY rootKey, const std::wstring& baseKey)
    {
        FBase.SetRootKey(rootKey);
        if (!FBase.OpenKey(baseKey, true))
            throw ERegistryException(L"Failed to create key " + baseKey);
        FReg.SetRootKey(FBase.CurrentKey());
    }

    // False when the tool window has no subkey (only when not creating).
    bool Select(const std::wstring& name, bool create)
    {
        if (FSelected && name == FName)
            return FOpened;
        FSelected = true;
        FName = name;
        FOpened = FReg.OpenKey(L"\\" + name, create);
        if (!FOpened) {
            FReg.CloseKey();
            if (create)
                throw ERegistryException(L"Failed to create key " + name);
        }
        return FOpened;
    }

    // Missing: nullopt. Of another type than a string: the registry error. Only an empty
    // text needs the second query that tells an empty value from a missing one.
    std::optional<std::wstring> Read(const std::wstring& name, const std::wstring& value)
    {
        if (!Select(name, false))
            return std::nullopt;
        std::wstring text = FReg.ReadString(value);
        if (text.empty() && !FReg.ValueExists(value))
            return std::nullopt;
        return text;
    }

    // For an integer a missing value and an empty one both give the default: one query less.
    std::wstring ReadText(const std::wstring& name, const std::wstring& value)
    {
        return Select(name, false) ? FReg.ReadString(value) : std::wstring();
    }

    void Write(const std::wstring& name, const std::wstring& value, const std::wstring& data)
    {
        Select(name, true);
        FReg.WriteString(value, data);
    }

private:
    TRegistry FBase{KEY_ALL_ACCESS};  // declared first: outlives the subkey opened from it
    TRegistry FReg{KEY_ALL_ACCESS};
    std::wstring FName;
    bool FSelected = false;
    bool FOpened = false;
};

TRegStore& RegOf(void* extra)
{
    return *static_cast<TRegStore*>(extra);
}

int32_t RegReadInt(const std::wstring& name, const std::wstring& value, int32_t def, void* extra)
{
    return PositionTextToInt(RegOf(extra).ReadText(name, value), def);
}

std::wstring RegReadString(const std::wstring& name, const std::wstring& value, const std::wstring& def, void* extra)
{
    return RegOf(extra).Read(name, value).value_or(def);
}

void RegWriteInt(const std::wstring& name, const std::wstring& value, int32_t data, void* extra)
{
    RegOf(extra).Write(name, value, std::to_wstring(data));
}

void RegWriteString(const std::wstring& name, const std::wstring& value, const std::wstring& data, void* extra)
{
    RegOf(extra).Write(name, value, data);
}

}  // namespace

void CustomSaveToolbarPositions(TCustomForm* form, TPositionWriteIntProc WriteIntProc,
                                TPositionWriteStringProc WriteStringProc, void* ExtraData)
{
    for (TCustomToolWindow97* bar : OwnedOf<TCustomToolWindow97>(form)) {
        if (bar->Name().empty())
            throw Exception(LoadTB97String(STB97ToolwinNameNotSet));
        TPositionRecord record;
        record.Visible = bar->Visible();
        record.DockedTo = DockedToText(bar);
        record.LastDock = bar->LastDock() ? bar->LastDock()->Name() : std::wstring();
        record.DockRow = bar->DockRow();
        record.DockPos = bar->DockPos();
        record.FloatLeft = bar->FloatingPosition().x;
        record.FloatTop = bar->FloatingPosition().y;
        WritePositionRecord(bar->Name(), record, WriteIntProc, WriteStringProc, ExtraData);
        bar->WritePositionData(WriteIntProc, WriteStringProc, ExtraData);
    }
}

void CustomLoadToolbarPositions(TCustomForm* form, TPositionReadIntProc ReadIntProc,
                                TPositionReadStringProc ReadStringProc, void* ExtraData)
{
    const std::vector<TDock97*> docks = OwnedOf<TDock97>(form);
    // Every tool window's arrangement asks for the frame metrics again; they hold for the load.
    const TFrameMetricsCache metricsCache;

    // Each dock arranges once, at the end, however the loop ends.
    size_t begun = 0;
    TScopeExit endUpdates([&docks, &begun] {
        while (begun > 0)
            docks[--begun]->EndUpdate();
    });
    for (; begun < docks.size(); ++begun)
        docks[begun]->BeginUpdate();

    for (TCustomToolWindow97* bar : OwnedOf<TCustomToolWindow97>(form)) {
        if (bar->Name().empty())
            throw Exception(LoadTB97String(STB97ToolwinNameNotSet));
        TToolWindowTarget target(form, bar, docks, ReadIntProc, ReadStringProc, ExtraData);
        LoadPositionRecord(bar->Name(), target, ReadIntProc, ReadStringProc, ExtraData);
    }
}

void IniSaveToolbarPositions(TCustomForm* form, const std::wstring& fileName, const std::wstring& sectionNamePrefix)
{
    TIniFile ini(fileName);
    TIniStore store{ini, sectionNamePrefix};
    CustomSaveToolbarPositions(form, IniWriteInt, IniWriteString, &store);
}

void IniLoadToolbarPositions(TCustomForm* form, const std::wstring& fileName, const std::wstring& sectionNamePrefix)
{
    TIniFile ini(fileName);
    TIniStore store{ini, sectionNamePrefix};
    CustomLoadToolbarPositions(form, IniReadInt, IniReadString, &store);
}

void RegSaveToolbarPositionsEx(TCustomForm* form, HKEY rootKey, const std::wstring& baseKey)
{
    TRegStore store(rootKey, baseKey);
    CustomSaveToolbarPositions(form, RegWriteInt, RegWriteString, &store);
}

void RegLoadToolbarPositionsEx(TCustomForm* form, HKEY rootKey, const std::wstring& baseKey)
{
    TRegStore store(rootKey, baseKey);
    CustomLoadToolbarPositions(form, RegReadInt, RegReadString, &store);
}

void RegSaveToolbarPositions(TCustomForm* form, const std::wstring& baseKey)
{
    RegSaveToolbarPositionsEx(form, HKEY_CURRENT_USER, baseKey);
}

void RegLoadToolbarPositions(TCustomForm* form, const std::wstring& baseKey)
{
    RegLoadToolbarPositionsEx(form, HKEY_CURRENT_USER, baseKey);
}
