// Position records: writing, reading back, and what loading makes of stored records that are
// damaged, hand-edited or from another version. The store is in memory, read the way the
// platform reads initialisation files.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <cwchar>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "StrConv.h"
#include "TB97PositionData.h"
#include "TB97Rows.h"

// ---- allocation watch: the largest single request while armed (sanitizer builds) ----------

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TB97_ASAN 1
#endif
#endif
#if (defined(__SANITIZE_ADDRESS__) || defined(TB97_ASAN)) && !defined(_MSC_VER)
#define TB97_WATCH_ALLOCATIONS 1
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*malloc_hook)(const volatile void*, size_t),
                                                         void (*free_hook)(const volatile void*));
#endif

namespace {
std::atomic<bool> WatchArmed{false};
std::atomic<size_t> LargestRequest{0};

[[maybe_unused]] void OnAllocate(const volatile void*, size_t size)
{
    if (WatchArmed.load(std::memory_order_relaxed) && size > LargestRequest.load(std::memory_order_relaxed))
        LargestRequest.store(size, std::memory_order_relaxed);
}
[[maybe_unused]] void OnFree(const volatile void*) {}

// True when requests are watched in this build.
bool WatchAllocations()
{
#ifdef TB97_WATCH_ALLOCATIONS
    static const bool installed = __sanitizer_install_malloc_and_free_hooks(OnAllocate, OnFree) != 0;
    return installed;
#else
    return false;
#endif
}
}  // namespace

namespace {

// ---- an in-memory initialisation file ----------------------------------------------------------

std::wstring Lower(std::wstring s)
{
    for (wchar_t& c : s)
        if (c >= L'A' && c <= L'Z')
            c = static_cast<wchar_t>(c - L'A' + L'a');
    return s;
}

std::wstring Trim(const std::wstring& s)
{
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == L' ' || s[b] == L'\t'))
        ++b;
    while (e > b && (s[e - 1] == L' ' || s[e - 1] == L'\t' || s[e - 1] == L'\r'))
        --e;
    return s.substr(b, e - b);
}

// Sections and keys ignore case, the first of equal ones wins, values are trimmed, lose one
// pair of enclosing quotes and are read cut to 2047 characters, as the private-profile
// functions do.
class TMemIni {
public:
    explicit TMemIni(const std::wstring& text)
    {
        std::map<std::wstring, std::wstring>* section = nullptr;
        size_t i = 0;
        while (i <= text.size()) {
            size_t e = text.find(L'\n', i);
            if (e == std::wstring::npos)
                e = text.size();
            const std::wstring line = Trim(text.substr(i, e - i));
            i = e + 1;
            if (!line.empty() && line[0] == L'[') {
                const size_t close = line.find(L']');
                const std::wstring name = Lower(Trim(line.substr(1, close == std::wstring::npos ? std::wstring::npos : close - 1)));
                section = &FSections[name];  // a repeated section adds to the first
                continue;
            }
            const size_t eq = line.find(L'=');
            if (!section || eq == std::wstring::npos)
                continue;
            std::wstring value = Trim(line.substr(eq + 1));
            if (value.size() >= 2 && (value[0] == L'"' || value[0] == L'\'') && value.back() == value[0])
                value = value.substr(1, value.size() - 2);
            section->emplace(Lower(Trim(line.substr(0, eq))), value.substr(0, 2047));
        }
    }
    std::optional<std::wstring> Get(const std::wstring& section, const std::wstring& key) const
    {
        auto s = FSections.find(Lower(section));
        if (s == FSections.end())
            return std::nullopt;
        auto k = s->second.find(Lower(key));
        if (k == s->second.end())
            return std::nullopt;
        return k->second;
    }
    void Set(const std::wstring& section, const std::wstring& key, const std::wstring& value)
    {
        FSections[Lower(section)][Lower(key)] = value;
    }

    std::wstring Prefix;
    std::vector<std::wstring> Reads;  // value names in the order they were read

private:
    std::map<std::wstring, std::map<std::wstring, std::wstring>> FSections;
};

TMemIni& IniOf(void* extra) { return *static_cast<TMemIni*>(extra); }

int32_t ReadInt(const std::wstring& name, const std::wstring& value, int32_t def, void* extra)
{
    TMemIni& ini = IniOf(extra);
    ini.Reads.push_back(value);
    return PositionTextToInt(ini.Get(ini.Prefix + name, value).value_or(L""), def);
}

std::wstring ReadString(const std::wstring& name, const std::wstring& value, const std::wstring& def, void* extra)
{
    TMemIni& ini = IniOf(extra);
    ini.Reads.push_back(value);
    return ini.Get(ini.Prefix + name, value).value_or(def);
}

void WriteInt(const std::wstring& name, const std::wstring& value, int32_t data, void* extra)
{
    TMemIni& ini = IniOf(extra);
    ini.Reads.push_back(value);
    ini.Set(ini.Prefix + name, value, std::to_wstring(data));
}

void WriteString(const std::wstring& name, const std::wstring& value, const std::wstring& data, void* extra)
{
    TMemIni& ini = IniOf(extra);
    ini.Reads.push_back(value);
    ini.Set(ini.Prefix + name, value, data);
}

struct TModelDock {
    std::wstring Name;
    bool AllowDrag;
};
const std::vector<TModelDock> Docks{{L"TopDock", true}, {L"LeftDock", true}, {L"Fixed", false}, {L"TopDock", true}};

// A tool window of the model form: where loading leaves it.
struct TModelBar {
    std::wstring Name = L"Bar";
    bool Visible = true;
    int Dock = 3;  // index into Docks, or -1 floating
    int32_t DockRow = 0, DockPos = -1;
    int32_t FloatLeft = 0, FloatTop = 0;
    int LastDock = -1;
    bool UseLastDock = true;
    bool operator==(const TModelBar&) const = default;
};

// With a log, each step on the tool window is recorded there (beside the reads, when given
// the store's read log).
class TModelTarget final : public TPositionTarget {
public:
    explicit TModelTarget(TModelBar& bar, std::vector<std::wstring>* log = nullptr) : FBar(bar), FLog(log) {}
    std::optional<TFoundDock> FindDock(const std::wstring& name) const override
    {
        for (size_t i = 0; i < Docks.size(); ++i)
            if (Docks[i].Name == name)
                return TFoundDock{i, Docks[i].AllowDrag};
        return std::nullopt;
    }
    bool Visible() const override { return FBar.Visible; }
    void SetVisible(bool value) override { Log(L"SetVisible"); FBar.Visible = value; }
    int32_t DockRow() const override { return FBar.DockRow; }
    void SetDockRow(int32_t value) override { Log(L"SetDockRow"); FBar.DockRow = value; }
    int32_t DockPos() const override { return FBar.DockPos; }
    void SetDockPos(int32_t value) override { Log(L"SetDockPos"); FBar.DockPos = value; }
    void ReadPositionData() override { Log(L"ReadPositionData"); }
    void SetFloatingPosition(int32_t left, int32_t top) override
    {
        Log(L"SetFloatingPosition");
        FBar.FloatLeft = left;
        FBar.FloatTop = top;
    }
    void DockTo(size_t dock) override { Log(L"DockTo"); FBar.Dock = static_cast<int>(dock); }
    void Float(int32_t, int32_t) override { Log(L"Float"); FBar.Dock = -1; }
    bool UseLastDock() const override { return FBar.UseLastDock; }
    void SetLastDock(size_t dock) override { Log(L"SetLastDock"); FBar.LastDock = static_cast<int>(dock); }
    void DoneReadingPositionData() override { Log(L"DoneReadingPositionData"); }

private:
    void Log(const wchar_t* step)
    {
        if (FLog)
            FLog->push_back(step);
    }

    TModelBar& FBar;
    std::vector<std::wstring>* FLog;
};

TPositionRestore Load(TMemIni& ini, TModelBar& bar)
{
    ini.Reads.clear();
    TModelTarget target(bar);
    return LoadPositionRecord(bar.Name, target, ReadInt, ReadString, &ini);
}

}  // namespace

TEST(TB97Persist, RecordWrittenInOrderReadsBack)
{
    struct Case {
        TPositionRecord record;
        TPositionRestore restore;
        int dock;  // -1 floating
        int lastDock;
    } cases[] = {
        {{true, L"TopDock", L"TopDock", 2, 40, 0, 0}, prDocked, 0, -1},
        {{false, L"LeftDock", L"LeftDock", 0, -1, 5, 6}, prDocked, 1, -1},
        {{true, L"+", L"LeftDock", 1, 7, 300, -20}, prFloating, -1, 1},
        {{false, L"+", L"", 0, -1, -5, 9}, prFloating, -1, -1},
        {{true, L"", L"Fixed", 3, 3, 0, 0}, prVisibility, 3, -1},
        {{true, L"+", L"Elsewhere", 0, 0, 1, 1}, prFloating, -1, -1},
        {{true, L"Fixed", L"", 0, 0, 1, 1}, prVisibility, 3, -1},
    };
    for (const Case& c : cases) {
        TMemIni ini(L"");
        WritePositionRecord(L"Bar", c.record, WriteInt, WriteString, &ini);
        EXPECT_EQ(ini.Reads, (std::vector<std::wstring>{L"Rev", L"Visible", L"DockedTo", L"LastDock", L"DockRow",
                                                         L"DockPos", L"FloatLeft", L"FloatTop"}));
        EXPECT_EQ(ini.Get(L"Bar", L"Rev"), L"3");
        TModelBar bar;
        bar.Visible = !c.record.Visible;
        bar.DockRow = bar.DockPos = 99;
        const TPositionRestore restore = Load(ini, bar);
        const std::string what = "docked to '" + std::string(c.record.DockedTo.begin(), c.record.DockedTo.end()) + "'";
        EXPECT_EQ(restore, c.restore) << what;
        EXPECT_EQ(bar.Visible, c.record.Visible) << what;
        EXPECT_EQ(bar.Dock, c.dock) << what;
        EXPECT_EQ(bar.LastDock, c.lastDock) << what;
        if (c.restore == prVisibility) {
            EXPECT_EQ(bar.DockRow, 99) << what;  // nothing else read
            EXPECT_EQ(ini.Reads.size(), 3u) << what;
            continue;
        }
        EXPECT_EQ(bar.DockRow, c.record.DockRow) << what;
        EXPECT_EQ(bar.DockPos, c.record.DockPos) << what;
        EXPECT_EQ(bar.FloatLeft, c.record.FloatLeft) << what;
        EXPECT_EQ(bar.FloatTop, c.record.FloatTop) << what;
    }
}

TEST(TB97Persist, WhatIsReadDependsOnRevisionDockAndLastDockUse)
{
    const std::vector<std::wstring> placed{L"Rev", L"Visible", L"DockedTo", L"DockRow", L"DockPos", L"FloatLeft",
                                           L"FloatTop"};
    std::vector<std::wstring> floated = placed;
    floated.push_back(L"LastDock");
    struct Case {
        const wchar_t* text;
        bool useLastDock;
        TPositionRestore restore;
        std::vector<std::wstring> reads;
        int lastDock;
    } cases[] = {
        {L"", true, prUntouched, {L"Rev"}, -1},
        {L"[Bar]\nRev=1\nVisible=0\nDockedTo=+", true, prUntouched, {L"Rev"}, -1},
        {L"[Bar]\nRev=4\nDockedTo=+", true, prUntouched, {L"Rev"}, -1},
        {L"[Bar]\nRev=-3\nDockedTo=+", true, prUntouched, {L"Rev"}, -1},
        {L"[Bar]\nRev=0x3\nDockedTo=+", true, prFloating, floated, -1},
        {L"[Bar]\nRev=2\nDockedTo=+\nLastDock=LeftDock", true, prFloating, placed, -1},
        {L"[Bar]\nRev=3\nDockedTo=+\nLastDock=LeftDock", true, prFloating, floated, 1},
        {L"[Bar]\nRev=3\nDockedTo=+\nLastDock=Fixed", true, prFloating, floated, 2},
        {L"[Bar]\nRev=3\nDockedTo=+\nLastDock=leftdock", true, prFloating, floated, -1},
        {L"[Bar]\nRev=3\nDockedTo=+\nLastDock=LeftDock", false, prFloating, placed, -1},
        {L"[Bar]\nRev=3\nDockedTo=LeftDock\nLastDock=TopDock", true, prDocked, placed, -1},
        // Dock names: case counts; one without dragging, or none of that name, places nothing.
        {L"[Bar]\nRev=3\nDockedTo=topdock", true, prVisibility, {L"Rev", L"Visible", L"DockedTo"}, -1},
        {L"[Bar]\nRev=3\nDockedTo=Fixed", true, prVisibility, {L"Rev", L"Visible", L"DockedTo"}, -1},
        {L"[Bar]\nRev=3\nDockedTo=", true, prVisibility, {L"Rev", L"Visible", L"DockedTo"}, -1},
        {L"[Bar]\nRev=3\nDockedTo= + ", true, prFloating, floated, -1},
        {L"[Bar]\nRev=3\nDockedTo=++", true, prVisibility, {L"Rev", L"Visible", L"DockedTo"}, -1},
    };
    for (const Case& c : cases) {
        TMemIni ini(c.text);
        TModelBar bar;
        bar.UseLastDock = c.useLastDock;
        const TPositionRestore restore = Load(ini, bar);
        std::string what(c.text, c.text + std::char_traits<wchar_t>::length(c.text));
        EXPECT_EQ(restore, c.restore) << what;
        EXPECT_EQ(ini.Reads, c.reads) << what;
        EXPECT_EQ(bar.LastDock, c.lastDock) << what;
    }
}

// Each step waits for the values it needs and no longer: the class reads its own values with
// the row and position already set, and before it is docked or floated.
TEST(TB97Persist, StepsOnTheToolWindowComeInTheirOrder)
{
    const std::vector<std::wstring> start{L"Rev",       L"Visible",   L"SetVisible",      L"DockedTo",
                                          L"DockRow",   L"SetDockRow", L"DockPos",        L"SetDockPos",
                                          L"FloatLeft", L"FloatTop",  L"ReadPositionData", L"SetFloatingPosition"};
    std::vector<std::wstring> docked = start, floated = start;
    docked.insert(docked.end(), {L"DockTo", L"DoneReadingPositionData"});
    floated.insert(floated.end(), {L"Float", L"LastDock", L"SetLastDock", L"DoneReadingPositionData"});
    const std::pair<const wchar_t*, const std::vector<std::wstring>&> cases[] = {
        {L"[Bar]\nRev=3\nDockedTo=LeftDock\nDockRow=2\nDockPos=7", docked},
        {L"[Bar]\nRev=3\nDockedTo=+\nLastDock=TopDock\nFloatLeft=4\nFloatTop=9", floated},
    };
    for (const auto& [text, steps] : cases) {
        TMemIni ini(text);
        TModelBar bar;
        TModelTarget target(bar, &ini.Reads);
        LoadPositionRecord(bar.Name, target, ReadInt, ReadString, &ini);
        EXPECT_EQ(ini.Reads, steps) << std::string(text, text + std::char_traits<wchar_t>::length(text));
    }
}

TEST(TB97Persist, DefaultsAndNumbersAtTheirLimits)
{
    // Values that are missing or do not convert give the tool window's current ones.
    TMemIni ini(L"[Bar]\nRev=3\nDockedTo=TopDock\nVisible=yes\nDockRow=\nDockPos=12abc\nFloatLeft=0x");
    for (bool visible : {false, true}) {
        TModelBar bar;
        bar.Visible = visible;
        bar.DockRow = 4;
        bar.DockPos = 77;
        bar.FloatLeft = 5;
        EXPECT_EQ(Load(ini, bar), prDocked);
        EXPECT_EQ(bar.Visible, visible);
        EXPECT_EQ(bar.DockRow, 4);
        EXPECT_EQ(bar.DockPos, 77);
        EXPECT_EQ(bar.FloatLeft, 0);
    }

    struct Number {
        const wchar_t* text;
        int32_t value;
    } numbers[] = {
        {L"3", 3},           {L"-5", -5},           {L"0x10", 16},         {L"0X1f", 31},
        {L"2147483647", INT32_MAX},  {L"-2147483648", INT32_MIN}, {L"2147483648", -1},  {L"-2147483649", -1},
        {L"0x7FFFFFFF", INT32_MAX},  {L"0x80000000", -1},         {L"99999999999999999999", -1},
        {L"", -1},           {L"abc", -1},          {L"1 2", -1},          {L"\x01" L"5", -1},
    };
    for (const Number& n : numbers)
        EXPECT_EQ(PositionTextToInt(n.text, -1), n.value) << std::string(n.text, n.text + wcslen(n.text));

    // Rows and positions pass unchanged, the arrangement takes them; floating positions are cut.
    struct Place {
        int32_t row, pos, left, top;
        int32_t expectLeft, expectTop;
    } places[] = {
        {INT32_MAX, INT32_MAX, FloatCoordinateLimit, -FloatCoordinateLimit, FloatCoordinateLimit, -FloatCoordinateLimit},
        {INT32_MIN, INT32_MIN, FloatCoordinateLimit + 1, -FloatCoordinateLimit - 1, FloatCoordinateLimit,
         -FloatCoordinateLimit},
        {-1, 0, INT32_MAX, INT32_MIN, FloatCoordinateLimit, -FloatCoordinateLimit},
        {2000000000, -1, -1, 0, -1, 0},
    };
    for (const Place& p : places) {
        TMemIni rec(L"");
        WritePositionRecord(L"Bar", {true, L"+", L"", p.row, p.pos, p.left, p.top}, WriteInt, WriteString, &rec);
        TModelBar bar;
        Load(rec, bar);
        EXPECT_EQ(bar.DockRow, p.row);
        EXPECT_EQ(bar.DockPos, p.pos);
        EXPECT_EQ(bar.FloatLeft, p.expectLeft) << p.left;
        EXPECT_EQ(bar.FloatTop, p.expectTop) << p.top;
    }

    const std::pair<int32_t, int32_t> sizes[] = {{INT32_MIN, 0},   {-1, 0},         {0, 0},
                                                 {32, 32},         {ClientSizeLimit, ClientSizeLimit},
                                                 {ClientSizeLimit + 1, ClientSizeLimit}, {INT32_MAX, ClientSizeLimit}};
    for (const auto& [stored, expected] : sizes)
        EXPECT_EQ(StoredClientSize(stored), expected) << stored;
}

// ---- the fuzz run ------------------------------------------------------------------------------

namespace {

// What a record should do, read straight off the store: an oracle of its own.
TModelBar Expected(const TMemIni& ini, const TModelBar& before)
{
    const std::wstring section = ini.Prefix + before.Name;
    auto integer = [&](const wchar_t* key, int32_t def) {
        int32_t v = def;
        if (auto text = ini.Get(section, key))
            TryStrToInt(*text, v);
        return v;
    };
    auto dockNamed = [](const std::wstring& name) {
        for (size_t i = 0; i < Docks.size(); ++i)
            if (Docks[i].Name == name)
                return static_cast<int>(i);
        return -1;
    };
    TModelBar after = before;
    const int32_t rev = integer(L"Rev", 0);
    if (rev != 2 && rev != 3)
        return after;
    after.Visible = integer(L"Visible", before.Visible) != 0;
    const std::wstring dockedTo = ini.Get(section, L"DockedTo").value_or(L"");
    const int dock = dockNamed(dockedTo);
    if (dockedTo != L"+" && (dock < 0 || !Docks[static_cast<size_t>(dock)].AllowDrag))
        return after;
    after.Dock = dockedTo == L"+" ? -1 : dock;
    after.DockRow = integer(L"DockRow", before.DockRow);
    after.DockPos = integer(L"DockPos", before.DockPos);
    after.FloatLeft = std::clamp(integer(L"FloatLeft", 0), -FloatCoordinateLimit, FloatCoordinateLimit);
    after.FloatTop = std::clamp(integer(L"FloatTop", 0), -FloatCoordinateLimit, FloatCoordinateLimit);
    if (after.Dock < 0 && rev == 3 && before.UseLastDock) {
        const int last = dockNamed(ini.Get(section, L"LastDock").value_or(L""));
        if (last >= 0)
            after.LastDock = last;
    }
    return after;
}

class TJunk {
public:
    explicit TJunk(uint32_t seed) : FRandom(seed) {}
    int Below(int n) { return static_cast<int>(FRandom() % static_cast<uint32_t>(n)); }
    bool OneIn(int n) { return Below(n) == 0; }

    std::wstring Key()
    {
        static const wchar_t* keys[] = {L"Rev", L"Visible", L"DockedTo", L"LastDock", L"DockRow", L"DockPos",
                                        L"FloatLeft", L"FloatTop", L"ClientWidth", L"ClientHeight"};
        if (OneIn(8))
            return Text(Below(12));
        std::wstring k = keys[Below(10)];
        if (OneIn(4))
            k = Lower(k);
        return k;
    }
    std::wstring Number()
    {
        static const wchar_t* edges[] = {L"2", L"3", L"0", L"-1", L"1", L"2147483647", L"-2147483648",
                                         L"2147483648", L"-2147483649", L"2000000000", L"0x3", L"0X7FFFFFFF",
                                         L"0x80000000", L"99999999999999999999", L"-0", L"+3", L" 3", L"3 "};
        switch (Below(4)) {
        case 0: return edges[Below(18)];
        case 1: return std::to_wstring(static_cast<int32_t>(FRandom()));
        case 2: return std::to_wstring(Below(2001) - 1000);
        default: return Text(Below(6));
        }
    }
    std::wstring Value()
    {
        static const wchar_t* names[] = {L"+", L"TopDock", L"topdock", L"LeftDock", L"Fixed", L"", L"Nowhere", L"++"};
        switch (Below(5)) {
        case 0: return names[Below(8)];
        case 1: return Text(OneIn(10) ? 3000 + Below(3000) : Below(20));
        default: return Number();
        }
    }
    // Anything but line breaks: control characters, NUL, lone surrogates, the last code unit.
    std::wstring Text(int length)
    {
        std::wstring s;
        for (int i = 0; i < length; ++i) {
            static const wchar_t odd[] = {L'\0', L'\x01', L'\x1F', L'\xD800', L'\xDFFF', L'\xFFFF', L'\xFEFF',
                                          L'=', L'[', L']', L'"', L' ', L'\t', L'+'};
            s += OneIn(3) ? odd[Below(14)] : static_cast<wchar_t>(L' ' + Below(95));
        }
        return s;
    }
    // A record as a program would write it, with edge values.
    std::wstring Plausible()
    {
        static const wchar_t* docks[] = {L"+", L"+", L"TopDock", L"LeftDock", L"Fixed", L"topdock", L""};
        static const wchar_t* lasts[] = {L"TopDock", L"LeftDock", L"Fixed", L"", L"Nowhere"};
        return L"Rev=" + std::wstring(OneIn(3) ? L"2" : L"3") + L"\nVisible=" + Number() + L"\nDockedTo=" +
               docks[Below(7)] + L"\nLastDock=" + lasts[Below(5)] + L"\nDockRow=" + Number() + L"\nDockPos=" +
               Number() + L"\nFloatLeft=" + Number() + L"\nFloatTop=" + Number() + L"\n";
    }
    std::wstring Ini(const std::vector<std::wstring>& sections)
    {
        std::wstring text;
        const int n = Below(8);
        for (int s = 0; s < n; ++s) {
            std::wstring name = OneIn(6) ? Text(Below(10)) : sections[static_cast<size_t>(Below(static_cast<int>(sections.size())))];
            if (OneIn(5))
                name = Lower(name);
            text += L"[" + name + (OneIn(10) ? L"" : L"]") + L"\n";
            if (!OneIn(3))
                text += Plausible();
            const int lines = Below(12);
            for (int l = 0; l < lines; ++l) {
                if (OneIn(10))
                    text += Text(Below(30)) + L"\n";
                else
                    text += Key() + (OneIn(6) ? L" = " : L"=") + Value() + L"\n";
            }
        }
        if (OneIn(4) && !text.empty())
            text.resize(static_cast<size_t>(Below(static_cast<int>(text.size()))));  // truncated
        return text;
    }

private:
    std::mt19937 FRandom;
};

// The model docks' arrangement and row helpers over what was loaded.
void ArrangeModelDocks(const std::vector<TModelBar>& bars)
{
    for (size_t d = 0; d < Docks.size(); ++d) {
        TDockArrangeInput in;
        in.Position = d == 1 ? dpLeft : dpTop;
        in.Width = 600;
        in.Height = 400;
        std::vector<int32_t> rows;
        for (const TModelBar& b : bars) {
            if (b.Dock != static_cast<int>(d))
                continue;
            TDockMember m;
            m.DockRow = b.DockRow;
            m.DockPos = b.DockPos;
            m.Shown = b.Visible;
            m.Width = 100;
            m.Height = 26;
            m.GetBarSize = [](TDockType) { return 22; };
            in.Members.push_back(m);
            rows.push_back(b.DockRow);
        }
        // Before an arrangement (a tool window asking its row size) and after it.
        const TDockRowInfo raw = BuildDockRowInfo(in.Members, DockTypeOfPosition(in.Position));
        EXPECT_LE(raw.Rows().size(), in.Members.size());
        const TDockArrangement a = ArrangeDock(in);
        // Rows closed up: no more rows than members (an empty dock leaves its members alone).
        for (const TDockMemberState& s : a.Members) {
            if (!a.Empty) {
                EXPECT_LT(s.DockRow, static_cast<int32_t>(in.Members.size()));
            }
        }
        GetDockRowOf(raw, HighestRowOf(rows), 30);
        std::vector<int32_t> inserted = rows;
        if (!rows.empty()) {
            const int32_t freed = InsertDockRowBefore(inserted, rows[0]);
            EXPECT_EQ(CountOnRow(inserted, freed), 0);
        }
        RemoveBlankDockRows(inserted);
    }
}

}  // namespace

TEST(TB97Persist, CorruptRecordsLeaveEachToolWindowUntouchedOrFullyPlaced)
{
    const std::vector<std::wstring> names{L"ToolWindow971", L"Bar2", L"Bar3"};
    const std::wstring prefix = L"Layout.";
    std::vector<std::wstring> sections;
    for (const std::wstring& n : names)
        sections.push_back(prefix + n);

    const bool watching = WatchAllocations();
#ifdef TB97_WATCH_ALLOCATIONS
    EXPECT_TRUE(watching) << "the sanitizer's allocation hooks could not be installed";
#endif
    if (watching) {  // the watch itself sees a large request
        LargestRequest = 0;
        WatchArmed = true;
        std::vector<char> large(size_t{2} << 20);
        WatchArmed = false;
        EXPECT_GE(LargestRequest.load(), large.size());
    }
    int placed = 0, untouched = 0, visibilityOnly = 0;
    for (uint32_t seed = 1; seed <= 3000; ++seed) {
        TJunk junk(seed);
        TMemIni ini(junk.Ini(sections));
        ini.Prefix = prefix;
        std::vector<TModelBar> bars;
        for (size_t i = 0; i < names.size(); ++i) {
            TModelBar b;
            b.Name = names[i];
            b.Dock = static_cast<int>(i % 2);
            b.DockRow = static_cast<int32_t>(i);
            b.UseLastDock = i != 2;
            bars.push_back(b);
        }
        LargestRequest = 0;
        WatchArmed = watching;
        for (TModelBar& bar : bars) {
            const TModelBar before = bar;
            const TModelBar expected = Expected(ini, before);
            const TPositionRestore restore = Load(ini, bar);
            ASSERT_EQ(bar, expected) << "seed " << seed << ", " << std::string(bar.Name.begin(), bar.Name.end());
            if (restore == prDocked) {
                ASSERT_TRUE(bar.Dock >= 0 && Docks[static_cast<size_t>(bar.Dock)].AllowDrag);
            }
            placed += restore >= prDocked;
            untouched += restore == prUntouched;
            visibilityOnly += restore == prVisibility;
        }
        ArrangeModelDocks(bars);
        WatchArmed = false;
        // A few kilobytes per record and row at most, whatever numbers the text holds.
        ASSERT_LT(LargestRequest.load(), size_t{1} << 20) << "seed " << seed;
    }
    // The run reached every outcome.
    EXPECT_GT(placed, 100);
    EXPECT_GT(untouched, 100);
    EXPECT_GT(visibilityOnly, 100);
}
