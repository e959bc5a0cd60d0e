// Toolbar positions saved and restored: the core pair over the four callbacks, and front
// ends for initialisation files and the registry. What a stored record means is decided by
// TB97PositionData; this file applies the decision to the windows.
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

// The plan is complete before the first change: a read that raises leaves the tool window
// as it was. The class's own values come last among the reads, so that it too applies
// nothing before every common value has been read.
void RestoreToolWindow(TCustomForm* form, TCustomToolWindow97* bar, const std::vector<TDock97*>& docks,
                       const std::vector<TPositionDock>& dockNames, TPositionReadIntProc readInt,
                       TPositionReadStringProc readString, void* extraData)
{
    const TPositionCurrent current{bar->Visible(), bar->DockRow(), bar->DockPos(), bar->UseLastDock()};
    const TPositionPlan plan = ReadPositionPlan(bar->Name(), current, dockNames, readInt, readString, extraData);
    if (plan.Restore == prUntouched)
        return;
    if (plan.Restore == prVisibility) {
        bar->SetVisible(plan.Visible);
        return;
    }
    bar->ReadPositionData(readInt, readString, extraData);
    bar->SetVisible(plan.Visible);
    bar->SetDockRow(plan.DockRow);
    bar->SetDockPos(plan.DockPos);
    bar->SetFloatingPosition(POINT{plan.FloatLeft, plan.FloatTop});
    if (plan.Restore == prDocked) {
        bar->SetParent(docks[plan.Dock]);
    } else {
        bar->SetParent(form);
        bar->SetBounds(plan.FloatLeft, plan.FloatTop, bar->Width(), bar->Height());
        bar->MoveOnScreen(true);
        if (plan.LastDock)
            bar->SetLastDock(docks[*plan.LastDock]);
    }
    bar->ArrangeControls();
    bar->DoneReadingPositionData(readInt, readString, extraData);
}

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
// handled, since they come one tool window after another.
class TRegStore {
public:
    TRegStore(HKEY rootKey, const std::wstring& baseKey)
    {
        FReg.SetRootKey(rootKey);
        if (!FReg.OpenKey(baseKey, true))
            throw ERegistryException(L"Failed to create key " + baseKey);
        FBasePath = FReg.CurrentPath();
    }

    // False when the tool window has no subkey (only when not creating).
    bool Select(const std::wstring& name, bool create)
    {
        if (FSelected && name == FName)
            return FOpened;
        FSelected = true;
        FName = name;
        FOpened = FReg.OpenKey(L"\\" + FBasePath + L"\\" + name, create);
        if (!FOpened) {
            FReg.CloseKey();
            if (create)
                throw ERegistryException(L"Failed to create key " + name);
        }
        return FOpened;
    }

    // Missing: nullopt. Of another type than a string: the registry error.
    std::optional<std::wstring> Read(const std::wstring& name, const std::wstring& value)
    {
        if (!Select(name, false) || !FReg.ValueExists(value))
            return std::nullopt;
        return FReg.ReadString(value);
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
    TRegistry FReg{KEY_ALL_ACCESS};
    std::wstring FBasePath;
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
    std::vector<TPositionDock> dockNames;
    for (TDock97* dock : docks)
        dockNames.push_back({dock->Name(), dock->AllowDrag()});

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
        RestoreToolWindow(form, bar, docks, dockNames, ReadIntProc, ReadStringProc, ExtraData);
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
