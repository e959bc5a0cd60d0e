// Saving and loading the positions of a form with 100 tool windows, to an initialisation file
// and to the registry, against the same number of bare private-profile or registry calls in
// the same run, under Wine.
#include <windows.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "BenchClock.h"
#include "BenchSupport.h"
#include "Forms.h"
#include "Registry.h"
#include "TB97.h"
#include "TB97Tlwn.h"

namespace {

constexpr int ToolWindows = 100;
constexpr int ValuesPerRecord = 10;  // eight common ones and the client size
const wchar_t* const RegBase = L"Software\\TinteyeBench\\ToolbarPositions";
const wchar_t* const ValueNames[ValuesPerRecord] = {L"Rev",      L"Visible",   L"DockedTo", L"LastDock",
                                                    L"DockRow",  L"DockPos",   L"FloatLeft", L"FloatTop",
                                                    L"ClientWidth", L"ClientHeight"};

// 90 tool windows over two docks in 10 rows, 10 floating.
TForm* MakeForm()
{
    auto* form = new TForm(nullptr);
    form->SetName(L"BenchForm");
    form->SetBounds(20, 20, 900, 600);
    TDock97* docks[2];
    for (int d = 0; d < 2; ++d) {
        docks[d] = new TDock97(form);
        docks[d]->SetName(L"Dock" + std::to_wstring(d));
        docks[d]->SetParent(form);
        docks[d]->SetPosition(d == 0 ? dpTop : dpBottom);
        docks[d]->BeginUpdate();
    }
    form->Show();
    for (int i = 0; i < ToolWindows; ++i) {
        auto* bar = new TToolWindow97(form);
        bar->SetName(L"Bar" + std::to_wstring(i));
        bar->SetDockRow(i % 5);
        bar->SetDockPos((i / 10) * 70);
        if (i < 90) {
            bar->SetParent(docks[i % 2]);
        } else {
            bar->SetParent(form);
            bar->SetBounds(100 + 20 * (i - 90), 120 + 10 * (i - 90), bar->Width(), bar->Height());
        }
        bar->SetClientAreaSize(48, 22);
    }
    for (TDock97* dock : docks)
        dock->EndUpdate();
    Pump();
    return form;
}

std::wstring TempIni(const wchar_t* name)
{
    wchar_t dir[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    return std::wstring(dir) + name;
}

double MedianOf(int runs, const std::function<void()>& before, const std::function<void()>& work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        before();
        const double t0 = Now();
        work();
        times.push_back(Now() - t0);
        Pump();
    }
    return Median(times);
}

void DeleteRegBase()
{
    TRegistry reg;
    reg.DeleteKey(L"\\Software\\TinteyeBench");
}

// What the front ends write, through the platform directly: one call per value.
void BareIniWrites(const std::wstring& file)
{
    for (int i = 0; i < ToolWindows; ++i) {
        const std::wstring section = L"TB_Bar" + std::to_wstring(i);
        for (const wchar_t* value : ValueNames)
            WritePrivateProfileStringW(section.c_str(), value, L"12", file.c_str());
    }
}

void BareIniReads(const std::wstring& file)
{
    wchar_t buffer[2048];
    for (int i = 0; i < ToolWindows; ++i) {
        const std::wstring section = L"TB_Bar" + std::to_wstring(i);
        for (const wchar_t* value : ValueNames)
            GetPrivateProfileStringW(section.c_str(), value, L"", buffer, 2048, file.c_str());
    }
}

// One key opened or created per tool window, one value call per value.
void BareRegistry(bool write)
{
    HKEY base = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, RegBase, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &base, nullptr);
    for (int i = 0; i < ToolWindows; ++i) {
        const std::wstring name = L"Bar" + std::to_wstring(i);
        HKEY key = nullptr;
        if (write)
            RegCreateKeyExW(base, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
        else
            RegOpenKeyExW(base, name.c_str(), 0, KEY_ALL_ACCESS, &key);
        for (const wchar_t* value : ValueNames) {
            wchar_t data[64] = L"12";
            DWORD size = sizeof(data);
            DWORD type = 0;
            if (write)
                RegSetValueExW(key, value, 0, REG_SZ, reinterpret_cast<const BYTE*>(data), 3 * sizeof(wchar_t));
            else
                RegQueryValueExW(key, value, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
        }
        RegCloseKey(key);
    }
    RegCloseKey(base);
}

void Row(const char* what, double framework, double bare)
{
    std::printf("%-28s %10.2f %10.2f %8.2f\n", what, framework, bare, framework / bare);
    std::fflush(stdout);
}

}  // namespace

int main()
{
    TApplication app(nullptr);
    Application->Initialize();
    InstallCountingReporter();
    TForm* form = MakeForm();
    const std::wstring ini = TempIni(L"tb97_bench_persist.ini");
    const std::wstring bareIni = TempIni(L"tb97_bench_bare.ini");
    const int runs = 7;
    auto guarded = [](const std::function<void()>& f) {
        return [f] {
            try {
                f();
            } catch (const Exception& e) {
                ++Errors;
                std::fprintf(stderr, "error: %ls\n", e.Message().c_str());
            }
        };
    };
    auto nothing = [] {};

    std::printf("Positions of %d tool windows (%d values each; 90 docked over two docks, 10 floating),\n"
                "median of %d runs in ms, against %d bare platform calls of the same kind.\n\n",
                ToolWindows, ValuesPerRecord, runs, ToolWindows * ValuesPerRecord);
    std::printf("%-28s %10s %10s %8s\n", "", "framework", "bare", "ratio");

    const double iniSave = MedianOf(runs, [&] { DeleteFileW(ini.c_str()); },
                                    guarded([&] { IniSaveToolbarPositions(form, ini, L"TB_"); }));
    const double bareIniSave = MedianOf(runs, [&] { DeleteFileW(bareIni.c_str()); }, [&] { BareIniWrites(bareIni); });
    Row("INI save (new file)", iniSave, bareIniSave);
    const double iniLoad = MedianOf(runs, nothing, guarded([&] { IniLoadToolbarPositions(form, ini, L"TB_"); }));
    const double bareIniLoad = MedianOf(runs, nothing, [&] { BareIniReads(bareIni); });
    Row("INI load", iniLoad, bareIniLoad);

    DeleteRegBase();
    const double regSave = MedianOf(runs, DeleteRegBase, guarded([&] { RegSaveToolbarPositions(form, RegBase); }));
    const double bareRegSave = MedianOf(runs, DeleteRegBase, [] { BareRegistry(true); });
    Row("registry save (new keys)", regSave, bareRegSave);
    RegSaveToolbarPositions(form, RegBase);
    const double regLoad = MedianOf(runs, nothing, guarded([&] { RegLoadToolbarPositions(form, RegBase); }));
    const double bareRegLoad = MedianOf(runs, nothing, [] { BareRegistry(false); });
    Row("registry load", regLoad, bareRegLoad);

    std::printf("\nA load also places the tool windows (each dock arranges once at the end).\n");
    DeleteRegBase();
    DeleteFileW(ini.c_str());
    DeleteFileW(bareIni.c_str());
    delete form;
    Pump();
    return ErrorExitCode();
}
