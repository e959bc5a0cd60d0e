// Toolbar positions saved to and restored from real initialisation files in a temporary
// folder and the test prefix's registry.
#include "test_dock_support.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <map>
#include <tuple>

#include "IniFiles.h"
#include "Registry.h"
#include "TB97PositionData.h"
#include "Tb97cnst.h"

namespace {

// Where a tool window is, as far as a position record covers it.
struct TPlace {
    TDock97* Parent = nullptr;  // the dock; none when floating
    bool Docked = false;
    int32_t DockRow = 0;
    int32_t DockPos = 0;
    POINT Float{};
    bool Visible = true;
    int32_t ClientWidth = 0;
    int32_t ClientHeight = 0;
    TDock97* LastDock = nullptr;
};

TPlace PlaceOf(TToolWindow97* bar)
{
    return {bar->DockedTo(),
            bar->IsDocked(),
            bar->DockRow(),
            bar->DockPos(),
            bar->FloatingPosition(),
            bar->Visible(),
            bar->BarWidth(),
            bar->BarHeight(),
            bar->LastDock()};
}

void ExpectPlace(TToolWindow97* bar, const TPlace& expected, const std::string& what)
{
    const TPlace now = PlaceOf(bar);
    const std::string name = what + " " + Narrow(bar->Name());
    EXPECT_EQ(now.Docked, expected.Docked) << name;
    EXPECT_EQ(now.Parent, expected.Parent) << name;
    EXPECT_EQ(now.Visible, expected.Visible) << name;
    EXPECT_EQ(now.LastDock, expected.LastDock) << name;
    EXPECT_EQ(now.ClientWidth, expected.ClientWidth) << name;
    EXPECT_EQ(now.ClientHeight, expected.ClientHeight) << name;
    if (expected.Docked) {
        EXPECT_EQ(now.DockRow, expected.DockRow) << name;
        EXPECT_EQ(now.DockPos, expected.DockPos) << name;
    } else {
        EXPECT_EQ(now.Float.x, expected.Float.x) << name;
        EXPECT_EQ(now.Float.y, expected.Float.y) << name;
        EXPECT_EQ(bar->Left(), expected.Float.x) << name;
        EXPECT_EQ(bar->Top(), expected.Float.y) << name;
    }
}

std::wstring TempIniPath()
{
    wchar_t dir[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    return std::wstring(dir) + L"tb97persist_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
           std::to_wstring(GetTickCount()) + L".ini";
}

const wchar_t* const RegBase = L"Software\\TinteyeTests\\ToolbarPositions";

class PersistTest : public TDockFixture {
protected:
    void SetUp() override
    {
        TDockFixture::SetUp();
        Bottom = new TDock97(Form);
        Bottom->SetName(L"Dock2");
        Bottom->SetParent(Form);
        Bottom->SetPosition(dpBottom);
        IniPath = TempIniPath();
        DeleteFileW(IniPath.c_str());
        DeleteRegBase();
    }
    void TearDown() override
    {
        DeleteFileW(IniPath.c_str());
        DeleteRegBase();
        TDockFixture::TearDown();
    }
    static void DeleteRegBase()
    {
        TRegistry reg;
        reg.DeleteKey(L"\\Software\\TinteyeTests");
    }
    TToolWindow97* Floating(const wchar_t* name, POINT at, int cw = 60, int ch = 30)
    {
        TToolWindow97* bar = MakeBar(Form, cw, ch, name);
        bar->SetBounds(at.x, at.y, bar->Width(), bar->Height());
        return bar;
    }
    // Every dock's arrangement has run and none is left deferred.
    void ExpectDocksUnlocked(const std::string& what)
    {
        EXPECT_EQ(Dock->ArrangeLockCount(), 0) << what;
        EXPECT_EQ(Bottom->ArrangeLockCount(), 0) << what;
        EXPECT_FALSE(Dock->ArrangePending() || Bottom->ArrangePending()) << what;
    }
    // Each tool window of the form agrees with its docks and its window: docked exactly when its
    // parent is a dock, on a dock's lists exactly as the membership rules say, shown exactly
    // when its visibility rules say so, no change of parent left half done.
    void ExpectConsistent(const std::string& what)
    {
        for (int i = 0; i < Form->ComponentCount(); ++i) {
            auto* bar = dynamic_cast<TCustomToolWindow97*>(Form->Components(i));
            if (!bar)
                continue;
            const std::string name = what + " " + Narrow(bar->Name());
            EXPECT_EQ(bar->DockedTo(), dynamic_cast<TDock97*>(bar->Parent())) << name;
            EXPECT_EQ(bar->IsDocked(), bar->DockedTo() != nullptr) << name;
            EXPECT_EQ(bar->HiddenCount() + bar->MoveEventLock() + bar->BoundsUpdateCount(), 0) << name;
            for (TDock97* dock : {Dock, Bottom}) {
                const bool member = bar->DockedTo() == dock || (bar->UseLastDock() && bar->LastDock() == dock);
                EXPECT_EQ(dock->MemberList().IndexOf(bar) >= 0, member) << name << " on " << Narrow(dock->Name());
                EXPECT_EQ(dock->ShownList().IndexOf(bar) >= 0, bar->Parent() == dock && bar->Visible()) << name;
            }
            EXPECT_EQ(IsWindowVisible(bar->Handle()) != FALSE, bar->GetShowingState()) << name;
        }
    }
    std::wstring IniText(const std::wstring& section, const std::wstring& key)
    {
        return TIniFile(IniPath).ReadString(section, key, L"<none>");
    }
    void WriteIni(const std::wstring& section, const std::map<std::wstring, std::wstring>& values)
    {
        TIniFile ini(IniPath);
        for (const auto& [k, v] : values)
            ini.WriteString(section, k, v);
    }

    struct TStore {
        const char* Name;
        std::function<void(TCustomForm*)> Save, Load;
    };
    std::vector<TStore> Stores()
    {
        return {{"ini", [this](TCustomForm* f) { IniSaveToolbarPositions(f, IniPath, L"TB_"); },
                 [this](TCustomForm* f) { IniLoadToolbarPositions(f, IniPath, L"TB_"); }},
                {"registry", [](TCustomForm* f) { RegSaveToolbarPositions(f, RegBase); },
                 [](TCustomForm* f) { RegLoadToolbarPositions(f, RegBase); }}};
    }

    TDock97* Bottom = nullptr;
    std::wstring IniPath;
};

}  // namespace

TEST_F(PersistTest, RoundTripRestoresEveryPlaceThroughBothStores)
{
    for (const TStore& store : Stores()) {
        TToolWindow97* a = MakeBar(Dock, 100, 22, L"A");
        TToolWindow97* b = MakeBar(Dock, 80, 22, L"B");
        TToolWindow97* c = Floating(L"C", POINT{300, 250}, 70, 40);
        TToolWindow97* d = MakeBar(Bottom, 50, 30, L"D");
        a->SetDockPos(10);
        b->SetDockRow(1);
        b->SetDockPos(40);
        c->SetLastDock(Bottom);
        d->Hide();
        PumpMessages(10);
        std::vector<TToolWindow97*> bars{a, b, c, d};
        std::vector<TPlace> saved;
        for (TToolWindow97* bar : bars)
            saved.push_back(PlaceOf(bar));
        store.Save(Form);

        // Everything somewhere else.
        a->SetParent(Bottom);
        b->SetParent(Form);
        c->SetParent(Dock);
        d->Show();
        d->SetParent(Dock);
        a->SetClientAreaSize(140, 28);
        PumpMessages(10);

        store.Load(Form);
        PumpMessages(10);
        for (size_t i = 0; i < bars.size(); ++i)
            ExpectPlace(bars[i], saved[i], store.Name);
        EXPECT_TRUE(dynamic_cast<TFloatingWindowParent*>(c->Parent()) != nullptr) << store.Name;
        ExpectDocksUnlocked(store.Name);
        for (TToolWindow97* bar : bars)
            delete bar;
    }
}

TEST_F(PersistTest, StoredTextAndSectionNames)
{
    TToolWindow97* bar = MakeBar(Dock, 100, 22, L"ToolWindow971");
    bar->SetDockPos(12);
    IniSaveToolbarPositions(Form, IniPath, L"TB_");
    IniSaveToolbarPositions(Form, IniPath, L"");
    const std::vector<std::wstring> sections = TIniFile(IniPath).ReadSections();
    EXPECT_EQ(sections, (std::vector<std::wstring>{L"TB_ToolWindow971", L"ToolWindow971"}));
    const std::pair<const wchar_t*, const wchar_t*> values[] = {
        {L"Rev", L"3"},       {L"Visible", L"1"},  {L"DockedTo", L"Dock1"},  {L"LastDock", L"Dock1"},
        {L"DockRow", L"0"},   {L"DockPos", L"12"}, {L"FloatLeft", L"0"},     {L"FloatTop", L"0"},
        {L"ClientWidth", L"100"}, {L"ClientHeight", L"22"},
    };
    EXPECT_EQ(TIniFile(IniPath).ReadSection(L"ToolWindow971").size(), std::size(values));
    for (const auto& [key, text] : values)
        EXPECT_EQ(IniText(L"TB_ToolWindow971", key), text) << Narrow(key);

    RegSaveToolbarPositionsEx(Form, HKEY_CURRENT_USER, RegBase);
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(std::wstring(RegBase) + L"\\ToolWindow971", false));
    for (const auto& [key, text] : values) {
        EXPECT_EQ(reg.GetDataType(key), rdString) << Narrow(key);
        EXPECT_EQ(reg.ReadString(key), text) << Narrow(key);
    }

    // A file that cannot be written raises the initialisation-file error.
    EXPECT_THROW(IniSaveToolbarPositions(Form, L"C:\\no such folder\\positions.ini", L""), EIniFileException);

    // Loading creates the base key when it is missing.
    DeleteRegBase();
    RegLoadToolbarPositions(Form, RegBase);
    EXPECT_TRUE(TRegistry().KeyExists(RegBase));
    EXPECT_EQ(bar->DockPos(), 12);
}

// A plain file name means the file of the private-profile functions, in the Windows folder, and
// section names outside the ANSI code page come back as they were written.
TEST_F(PersistTest, PlainFileNameLivesInTheWindowsFolderAndKeepsAnyText)
{
    const std::wstring plain = L"tb97plain_" + std::to_wstring(GetCurrentProcessId()) + L".ini";
    wchar_t windows[MAX_PATH] = L"", current[MAX_PATH] = L"";
    GetWindowsDirectoryW(windows, MAX_PATH);
    GetCurrentDirectoryW(MAX_PATH, current);
    ASSERT_NE(lstrcmpiW(windows, current), 0);
    const std::wstring there = std::wstring(windows) + L"\\" + plain, here = std::wstring(current) + L"\\" + plain;
    TScopeExit remove([&] {
        WritePrivateProfileStringW(nullptr, nullptr, nullptr, plain.c_str());
        DeleteFileW(there.c_str());
        DeleteFileW(here.c_str());
    });
    const struct {
        const wchar_t* prefix;
        TDock97* dock;  // none: floating
        bool visible;
    } cases[] = {{L"\u30C4\u30FC\u30EB\u30D0\u30FC\u30FB", nullptr, true},                   // Japanese
                 {L"\u0395\u03C1\u03B3\u03B1\u03BB\u03B5\u03AF\u03B1.", Bottom, false}};  // Greek
    for (const auto& c : cases) {
        BOOL lossy = FALSE;
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, c.prefix, -1, nullptr, 0, nullptr, &lossy);
        ASSERT_TRUE(lossy) << "the prefix fits the ANSI code page";
        TToolWindow97* bar = c.dock ? MakeBar(c.dock, 90, 22, L"Bar") : Floating(L"Bar", POINT{260, 230});
        bar->SetVisible(c.visible);
        const TPlace saved = PlaceOf(bar);
        IniSaveToolbarPositions(Form, plain, c.prefix);
        if (c.dock)
            bar->SetParent(Form);
        else
            bar->SetBounds(20, 30, bar->Width(), bar->Height());
        bar->SetVisible(!c.visible);
        IniLoadToolbarPositions(Form, plain, c.prefix);
        ExpectPlace(bar, saved, Narrow(c.prefix));
        EXPECT_EQ(GetPrivateProfileIntW((c.prefix + std::wstring(L"Bar")).c_str(), L"Rev", 0, plain.c_str()), 3u);
        EXPECT_NE(GetFileAttributesW(there.c_str()), INVALID_FILE_ATTRIBUTES);
        EXPECT_EQ(GetFileAttributesW(here.c_str()), INVALID_FILE_ATTRIBUTES);
        delete bar;
    }
}

TEST_F(PersistTest, RecordsThatRestoreLessOrNothing)
{
    TDock97* fixed = new TDock97(Form);
    fixed->SetName(L"Fixed");
    fixed->SetParent(Form);
    fixed->SetPosition(dpLeft);
    fixed->SetAllowDrag(false);

    struct Case {
        const char* what;
        std::map<std::wstring, std::wstring> record;
        bool docked;  // where it ends: Dock2 at row 0, or floating at (200, 210)
        bool visible;
        bool moved;   // false: it stays on Dock1
        bool lastDockIsDock2;
    } cases[] = {
        {"rev 2 floating reads no LastDock",
         {{L"Rev", L"2"}, {L"DockedTo", L"+"}, {L"LastDock", L"Dock2"}, {L"FloatLeft", L"200"}, {L"FloatTop", L"210"}},
         false, true, true, false},
        {"rev 3 floating takes LastDock",
         {{L"Rev", L"3"}, {L"DockedTo", L"+"}, {L"LastDock", L"Dock2"}, {L"FloatLeft", L"200"}, {L"FloatTop", L"210"}},
         false, true, true, true},
        {"rev 3 docked", {{L"Rev", L"3"}, {L"DockedTo", L"Dock2"}, {L"Visible", L"0"}}, true, false, true, true},
        {"hexadecimal", {{L"Rev", L"0x3"}, {L"DockedTo", L"Dock2"}, {L"DockRow", L"0x0"}}, true, true, true, true},
        {"empty DockedTo", {{L"Rev", L"3"}, {L"DockedTo", L""}, {L"Visible", L"0"}, {L"DockRow", L"4"}},
         false, false, false, false},
        {"dock name in another case", {{L"Rev", L"3"}, {L"DockedTo", L"dock2"}, {L"Visible", L"0"}},
         false, false, false, false},
        {"dock without dragging", {{L"Rev", L"3"}, {L"DockedTo", L"Fixed"}}, false, true, false, false},
        {"no such dock", {{L"Rev", L"3"}, {L"DockedTo", L"Nowhere"}}, false, true, false, false},
        {"rev 4", {{L"Rev", L"4"}, {L"DockedTo", L"Dock2"}, {L"Visible", L"0"}}, false, true, false, false},
        {"no Rev", {{L"DockedTo", L"Dock2"}, {L"Visible", L"0"}}, false, true, false, false},
        {"non-numeric Rev", {{L"Rev", L"three"}, {L"DockedTo", L"Dock2"}}, false, true, false, false},
    };
    for (const Case& c : cases) {
        TToolWindow97* bar = MakeBar(Dock, 90, 22, L"Bar");
        bar->SetDockPos(33);
        DeleteFileW(IniPath.c_str());
        WriteIni(L"Bar", c.record);
        IniLoadToolbarPositions(Form, IniPath, L"");
        PumpMessages(5);
        EXPECT_EQ(bar->Visible(), c.visible) << c.what;
        EXPECT_EQ(bar->LastDock(), c.lastDockIsDock2 ? Bottom : Dock) << c.what;
        if (!c.moved) {
            EXPECT_EQ(bar->DockedTo(), Dock) << c.what;
            EXPECT_EQ(bar->DockRow(), 0) << c.what;
            EXPECT_EQ(bar->DockPos(), 33) << c.what;
        } else if (c.docked) {
            EXPECT_EQ(bar->DockedTo(), Bottom) << c.what;
            EXPECT_EQ(bar->DockRow(), 0) << c.what;
        } else {
            EXPECT_FALSE(bar->IsDocked()) << c.what;
            EXPECT_EQ(bar->Left(), 200) << c.what;
            EXPECT_EQ(bar->Top(), 210) << c.what;
        }
        ExpectDocksUnlocked(c.what);
        delete bar;
    }
}

TEST_F(PersistTest, OutOfRangeNumbersAreTakenSafely)
{
    const RECT work = PrimaryWorkArea();
    struct Case {
        const char* what;
        std::map<std::wstring, std::wstring> record;
    } cases[] = {
        {"far rows", {{L"DockedTo", L"Dock1"}, {L"DockRow", L"2000000000"}, {L"DockPos", L"2147483647"}}},
        {"largest row", {{L"DockedTo", L"Dock1"}, {L"DockRow", L"2147483647"}, {L"DockPos", L"-2147483648"}}},
        {"negative row", {{L"DockedTo", L"Dock1"}, {L"DockRow", L"-2147483648"}, {L"DockPos", L"-5"}}},
        {"far right and down", {{L"DockedTo", L"+"}, {L"FloatLeft", L"2147483647"}, {L"FloatTop", L"2000000000"}}},
        {"far left and up", {{L"DockedTo", L"+"}, {L"FloatLeft", L"-2147483648"}, {L"FloatTop", L"-5000"}}},
        {"sizes too large", {{L"DockedTo", L"+"}, {L"ClientWidth", L"2000000000"}, {L"ClientHeight", L"99999"}}},
        {"negative sizes", {{L"DockedTo", L"Dock1"}, {L"ClientWidth", L"-5"}, {L"ClientHeight", L"-2147483648"}}},
    };
    for (const Case& c : cases) {
        // Another tool window on the dock keeps its place among the rows.
        TToolWindow97* other = MakeBar(Dock, 60, 22, L"Other");
        TToolWindow97* bar = MakeBar(Bottom, 90, 22, L"Bar");
        DeleteFileW(IniPath.c_str());
        std::map<std::wstring, std::wstring> record = c.record;
        record[L"Rev"] = L"3";
        WriteIni(L"Bar", record);
        IniLoadToolbarPositions(Form, IniPath, L"");
        PumpMessages(5);
        ExpectDocksUnlocked(c.what);
        if (record[L"DockedTo"] == L"Dock1") {
            ASSERT_EQ(bar->DockedTo(), Dock) << c.what;
            EXPECT_GE(bar->DockRow(), 0) << c.what;
            EXPECT_LE(bar->DockRow(), 1) << c.what;
            EXPECT_LE(Dock->RowThicknesses().Rows().size(), 2u) << c.what;
            EXPECT_GE(bar->Left(), 0) << c.what;
            EXPECT_LE(bar->Left() + bar->Width(), std::max(Dock->ClientWidth(), bar->Width())) << c.what;
            // The drag's row helpers on the rows just loaded.
            bool before = false;
            const int32_t hit = Dock->GetRowOf(INT32_MAX - 1, before);
            const int32_t freed = Dock->InsertRowBefore(hit);
            EXPECT_EQ(Dock->GetNumberOfToolbarsOnRow(freed, nullptr), 0) << c.what;
            Dock->RemoveBlankRows();
            EXPECT_LE(Dock->GetHighestRow(), 1) << c.what;
        } else {
            ASSERT_FALSE(bar->IsDocked()) << c.what;
            RECT r = bar->BoundsRect(), inside{};
            EXPECT_TRUE(IntersectRect(&inside, &r, &work)) << c.what;
        }
        EXPECT_GE(bar->ClientAreaWidth(), 0) << c.what;
        EXPECT_LE(bar->BarWidth(), ClientSizeLimit) << c.what;
        EXPECT_LE(bar->BarHeight(), ClientSizeLimit) << c.what;
        delete bar;
        delete other;
    }
}

TEST_F(PersistTest, ClientSizeReadOnlyWhenResizableAndAlwaysWritten)
{
    for (bool resizable : {true, false}) {
        TToolWindow97* bar = MakeBar(Dock, 100, 22, L"Bar");
        bar->SetResizable(resizable);
        DeleteFileW(IniPath.c_str());
        IniSaveToolbarPositions(Form, IniPath, L"");
        EXPECT_EQ(IniText(L"Bar", L"ClientWidth"), L"100");
        EXPECT_EQ(IniText(L"Bar", L"ClientHeight"), L"22");
        WriteIni(L"Bar", {{L"ClientWidth", L"150"}, {L"ClientHeight", L"30"}});
        IniLoadToolbarPositions(Form, IniPath, L"");
        EXPECT_EQ(bar->ClientAreaWidth(), resizable ? 150 : 100) << resizable;
        EXPECT_EQ(bar->ClientAreaHeight(), resizable ? 30 : 22) << resizable;
        delete bar;
    }
}

TEST_F(PersistTest, OnlyToolWindowsOwnedByTheFormAndNamesRequired)
{
    TComponent* holder = new TComponent(Form);
    holder->SetName(L"Holder");
    TToolWindow97* owned = MakeBar(Dock, 60, 22, L"Owned");
    TToolWindow97* foreign = MakeBar(Dock, 60, 22, L"Foreign", holder);
    IniSaveToolbarPositions(Form, IniPath, L"");
    EXPECT_EQ(TIniFile(IniPath).ReadSections(), (std::vector<std::wstring>{L"Owned"}));
    WriteIni(L"Foreign", {{L"Rev", L"3"}, {L"DockedTo", L"Dock2"}});
    IniLoadToolbarPositions(Form, IniPath, L"");
    EXPECT_EQ(foreign->DockedTo(), Dock);
    EXPECT_EQ(owned->DockedTo(), Dock);

    // A tool window on a named dock after an unnamed one: earlier records stay written.
    struct Case {
        std::function<void()> arrange;
        unsigned int message;
    } cases[] = {
        {[&] { MakeBar(Dock, 40, 22, L""); }, STB97ToolwinNameNotSet},
        {[&] {
             auto* unnamed = new TDock97(Form);
             unnamed->SetParent(Form);
             unnamed->SetPosition(dpRight);
             MakeBar(unnamed, 40, 22, L"OnUnnamed");
         },
         STB97ToolwinDockedToNameNotSet},
    };
    for (const Case& c : cases) {
        DeleteFileW(IniPath.c_str());
        c.arrange();
        const std::wstring expected = LoadTB97String(c.message);
        EXPECT_EQ(ErrorOf([&] { IniSaveToolbarPositions(Form, IniPath, L""); }), expected);
        EXPECT_EQ(IniText(L"Owned", L"Rev"), L"3");
        EXPECT_EQ(IniText(L"OnUnnamed", L"Rev"), L"<none>");
        EXPECT_EQ(ErrorOf([&] { RegSaveToolbarPositions(Form, RegBase); }), expected);
        EXPECT_TRUE(TRegistry().KeyExists(std::wstring(RegBase) + L"\\Owned"));
        EXPECT_FALSE(TRegistry().KeyExists(std::wstring(RegBase) + L"\\OnUnnamed"));
        // Loading raises the same text for an empty name, and still ends the docks' updates.
        if (c.message == STB97ToolwinNameNotSet) {
            EXPECT_EQ(ErrorOf([&] { IniLoadToolbarPositions(Form, IniPath, L""); }), expected);
            ExpectDocksUnlocked("empty name");
        }
        // The tool window that failed goes, for the next case.
        for (int i = Form->ComponentCount() - 1; i >= 0; --i)
            if (auto* t = dynamic_cast<TToolWindow97*>(Form->Components(i)); t && t->Name().empty())
                delete t;
    }
    EXPECT_EQ(STB97ToolwinNameNotSet, 65325u);
    EXPECT_EQ(LoadTB97String(STB97ToolwinNameNotSet),
              L"Cannot save tool window's position because Name property is not set");
    EXPECT_EQ(LoadTB97String(STB97ToolwinDockedToNameNotSet),
              L"Cannot save tool window's position because DockedTo's Name property not set");
}

TEST_F(PersistTest, RegistryValueOfAnotherTypeRaisesAndLeavesEverythingConsistent)
{
    const wchar_t* const names[] = {L"Rev", L"DockRow", L"FloatTop", L"LastDock", L"ClientWidth"};
    for (const wchar_t* name : names) {
        TToolWindow97* bar = MakeBar(Dock, 80, 22, L"Bar");
        bar->SetDockPos(20);
        const TPlace before = PlaceOf(bar);
        DeleteRegBase();
        {
            TRegistry reg;
            ASSERT_TRUE(reg.OpenKey(std::wstring(RegBase) + L"\\Bar", true));
            reg.WriteString(L"Rev", L"3");
            reg.WriteString(L"DockedTo", L"+");
            reg.WriteString(L"LastDock", L"Dock2");
            reg.WriteString(L"Visible", L"0");
            reg.WriteInteger(name, 2);  // REG_DWORD
        }
        EXPECT_FALSE(ErrorOf([&] { RegLoadToolbarPositions(Form, RegBase); }).empty()) << Narrow(name);
        ExpectDocksUnlocked(Narrow(name));
        ExpectConsistent("after a bad " + Narrow(name));
        if (std::wstring(name) == L"Rev")  // read before anything applies
            ExpectPlace(bar, before, "after a bad Rev");
        // An existing empty value reads as the default.
        {
            TRegistry reg;
            ASSERT_TRUE(reg.OpenKey(std::wstring(RegBase) + L"\\Bar", false));
            reg.WriteString(name, L"");
        }
        RegLoadToolbarPositions(Form, RegBase);
        if (std::wstring(name) == L"Rev")
            ExpectPlace(bar, before, "empty Rev");
        else
            EXPECT_FALSE(bar->IsDocked()) << Narrow(name);
        delete bar;
    }
}

TEST_F(PersistTest, CallbacksSeeTheValuesInTheirOrder)
{
    static std::vector<std::wstring> log;
    static std::map<std::wstring, std::wstring> stored;
    auto readInt = [](const std::wstring& bar, const std::wstring& value, int32_t def, void* extra) -> int32_t {
        EXPECT_EQ(extra, &log);
        log.push_back(bar + L"." + value);
        auto it = stored.find(value);
        return it == stored.end() ? def : PositionTextToInt(it->second, def);
    };
    auto readString = [](const std::wstring& bar, const std::wstring& value, const std::wstring& def,
                         void*) -> std::wstring {
        log.push_back(bar + L"." + value);
        auto it = stored.find(value);
        return it == stored.end() ? def : it->second;
    };
    auto writeInt = [](const std::wstring& bar, const std::wstring& value, int32_t data, void*) {
        log.push_back(bar + L"." + value + L"=" + std::to_wstring(data));
    };
    auto writeString = [](const std::wstring& bar, const std::wstring& value, const std::wstring& data, void*) {
        log.push_back(bar + L"." + value + L"=" + data);
    };

    TToolWindow97* bar = Floating(L"Tw", POINT{210, 220}, 70, 40);
    log.clear();
    CustomSaveToolbarPositions(Form, writeInt, writeString, &log);
    EXPECT_EQ(log, (std::vector<std::wstring>{L"Tw.Rev=3", L"Tw.Visible=1", L"Tw.DockedTo=+", L"Tw.LastDock=",
                                              L"Tw.DockRow=0", L"Tw.DockPos=-1", L"Tw.FloatLeft=210",
                                              L"Tw.FloatTop=220", L"Tw.ClientWidth=70", L"Tw.ClientHeight=40"}));

    stored = {{L"Rev", L"3"}, {L"DockedTo", L"+"}, {L"FloatLeft", L"230"}, {L"FloatTop", L"240"}};
    log.clear();
    CustomLoadToolbarPositions(Form, readInt, readString, &log);
    EXPECT_EQ(log, (std::vector<std::wstring>{L"Tw.Rev", L"Tw.Visible", L"Tw.DockedTo", L"Tw.DockRow", L"Tw.DockPos",
                                              L"Tw.FloatLeft", L"Tw.FloatTop", L"Tw.ClientHeight", L"Tw.ClientWidth",
                                              L"Tw.LastDock"}));
    EXPECT_EQ(bar->Left(), 230);
    EXPECT_EQ(bar->Top(), 240);
}

// The base class has no values of its own; a subclass's come after the common ones.
TEST_F(PersistTest, ExtensionPointsReachedThroughTheBaseClass)
{
    struct TExtra : TToolWindow97 {
        using TToolWindow97::TToolWindow97;
        void WritePositionData(TPositionWriteIntProc w, TPositionWriteStringProc s, void* e) override
        {
            TToolWindow97::WritePositionData(w, s, e);
            s(Name(), L"Extra", L"x", e);
        }
        void ReadPositionData(TPositionReadIntProc r, TPositionReadStringProc s, void* e) override
        {
            TToolWindow97::ReadPositionData(r, s, e);
            Read = s(Name(), L"Extra", L"", e);
            DockedWhenRead = IsDocked();
        }
        void DoneReadingPositionData(TPositionReadIntProc r, TPositionReadStringProc s, void* e) override
        {
            TToolWindow97::DoneReadingPositionData(r, s, e);
            DoneDocked = IsDocked();
        }
        std::wstring Read;
        bool DockedWhenRead = true, DoneDocked = true;
    };
    auto* bar = new TExtra(Form);
    bar->SetName(L"Ext");
    bar->SetParent(Form);
    IniSaveToolbarPositions(Form, IniPath, L"");
    EXPECT_EQ(IniText(L"Ext", L"Extra"), L"x");
    bar->SetParent(Dock);
    IniLoadToolbarPositions(Form, IniPath, L"");
    EXPECT_EQ(bar->Read, L"x");
    EXPECT_TRUE(bar->DockedWhenRead);  // before its parent changed
    EXPECT_FALSE(bar->DoneDocked);     // after it was placed
}

namespace {

// Records every read of the record of "Bar" with the tool window as it was just then: visible,
// dock ("+" floating), row, position. The read of Fail raises; other tool windows have no record.
struct TOrderLog {
    static inline std::vector<std::wstring> Log;
    static inline std::map<std::wstring, std::wstring> Stored;
    static inline std::wstring Fail;
    static inline TCustomToolWindow97* Bar = nullptr;

    static std::wstring Where()
    {
        return std::to_wstring(Bar->Visible()) + L" " + (Bar->IsDocked() ? Bar->DockedTo()->Name() : L"+");
    }
    static void Note(const std::wstring& what)
    {
        Log.push_back(what + L" " + Where() + L" " + std::to_wstring(Bar->DockRow()) + L" " +
                      std::to_wstring(Bar->DockPos()));
        if (what == Fail)
            throw Exception(L"failed at " + what);
    }
    static std::wstring Read(const std::wstring& bar, const std::wstring& value, const std::wstring& def, void*)
    {
        if (bar != L"Bar")
            return def;
        Note(value);
        auto it = Stored.find(value);
        return it == Stored.end() ? def : it->second;
    }
    static int32_t ReadInt(const std::wstring& bar, const std::wstring& value, int32_t def, void*)
    {
        return PositionTextToInt(Read(bar, value, L"", nullptr), def);
    }
};

}  // namespace

// Each value applies before the next is read: the class reads its own values with the row and
// position set, the last dock once the tool window floats. An error at any step (the last rows:
// none) leaves the steps before it done and everything consistent.
TEST_F(PersistTest, RestoreAppliesEachValueBeforeTheNextIsRead)
{
    struct Case {
        std::map<std::wstring, std::wstring> record;
        std::vector<std::wstring> log;  // read, then what it saw
    } cases[] = {
        {{{L"Rev", L"3"}, {L"Visible", L"0"}, {L"DockedTo", L"Dock2"}, {L"DockRow", L"1"}, {L"DockPos", L"40"}},
         {L"Rev 1 Dock1 0 33", L"Visible 1 Dock1 0 33", L"DockedTo 0 Dock1 0 33", L"DockRow 0 Dock1 0 33",
          L"DockPos 0 Dock1 1 33", L"FloatLeft 0 Dock1 1 40", L"FloatTop 0 Dock1 1 40", L"ClientHeight 0 Dock1 1 40",
          L"ClientWidth 0 Dock1 1 40", L"Hidden 0 Dock1 1 40"}},
        {{{L"Rev", L"3"}, {L"DockedTo", L"+"}, {L"LastDock", L"Dock2"}, {L"DockRow", L"2"}, {L"DockPos", L"7"}},
         {L"Rev 1 Dock1 0 33", L"Visible 1 Dock1 0 33", L"DockedTo 1 Dock1 0 33", L"DockRow 1 Dock1 0 33",
          L"DockPos 1 Dock1 2 33", L"FloatLeft 1 Dock1 2 7", L"FloatTop 1 Dock1 2 7", L"ClientHeight 1 Dock1 2 7",
          L"ClientWidth 1 Dock1 2 7", L"Hidden 1 Dock1 2 7", L"LastDock 1 + 2 7"}},
        {{{L"Rev", L"2"}, {L"Visible", L"0"}, {L"DockedTo", L"Nowhere"}},
         {L"Rev 1 Dock1 0 33", L"Visible 1 Dock1 0 33", L"DockedTo 0 Dock1 0 33"}},
    };
    for (const Case& c : cases)
        for (size_t fail = 0; fail <= c.log.size(); ++fail) {
            TOrderLog::Bar = MakeBar(Dock, 90, 22, L"Bar");
            TOrderLog::Bar->SetDockPos(33);
            TOrderLog::Bar->OnDockChangingHidden = [](TObject*, TDock97*) { TOrderLog::Note(L"Hidden"); };
            TToolWindow97* next = MakeBar(Bottom, 60, 22, L"Next");
            TOrderLog::Log.clear();
            TOrderLog::Stored = c.record;
            TOrderLog::Fail = fail < c.log.size() ? c.log[fail].substr(0, c.log[fail].find(L' ')) : L"";
            const std::wstring error = ErrorOf(
                [this] { CustomLoadToolbarPositions(Form, TOrderLog::ReadInt, TOrderLog::Read, nullptr); });
            const std::string what = Narrow(TOrderLog::Fail);
            EXPECT_EQ(TOrderLog::Log, std::vector(c.log.begin(), c.log.begin() + std::min(fail + 1, c.log.size())))
                << what;
            EXPECT_EQ(error, TOrderLog::Fail.empty() ? L"" : L"failed at " + TOrderLog::Fail);
            if (!TOrderLog::Fail.empty()) {  // nothing applied after the error
                EXPECT_EQ(TOrderLog::Log.back().rfind(TOrderLog::Fail + L" " + TOrderLog::Where(), 0), 0u) << what;
            }
            PumpMessages(5);
            ExpectDocksUnlocked(what);
            ExpectConsistent(what);
            delete TOrderLog::Bar;
            delete next;
        }
}

// A stored size larger than the work area is cut to it, so that the close button and every
// edge stay in reach; a size that fits is kept, and so is a partly visible place.
TEST_F(PersistTest, RestoredFloatingSizeCutOnlyWhereLargerThanTheWorkArea)
{
    const RECT w = PrimaryWorkArea();
    TToolWindow97* bar = MakeBar(Form, 60, 22, L"Bar");
    const int ncW = bar->Width() - bar->ClientWidth(), ncH = bar->Height() - bar->ClientHeight();
    const int x = w.left + 30, y = w.top + 10, workW = w.right - w.left, workH = w.bottom - w.top;
    const RECT cut{w.left, y, w.right, y + 40 + ncH}, kept{x, y, x + workW, y + workH};
    for (const auto& [cw, ch, expected] : {std::tuple{999999, 40, cut}, std::tuple{workW - ncW, workH - ncH, kept}}) {
        WriteIni(L"Bar", {{L"Rev", L"3"}, {L"DockedTo", L"+"}, {L"FloatLeft", std::to_wstring(x)},
                          {L"FloatTop", std::to_wstring(y)}, {L"ClientWidth", std::to_wstring(cw)},
                          {L"ClientHeight", std::to_wstring(ch)}});
        IniLoadToolbarPositions(Form, IniPath, L"");
        const RECT r = WindowRectOf(bar);
        EXPECT_TRUE(EqualRect(&r, &expected)) << cw << ": " << r.left << "," << r.right << "," << r.bottom;
    }
}
