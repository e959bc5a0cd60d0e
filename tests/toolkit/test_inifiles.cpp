// Initialisation files in a temporary directory and the registry under HKCU\Software\TinteyeTest.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "IniFiles.h"
#include "Registry.h"

namespace {

const std::wstring TestKey = L"Software\\TinteyeTest";

class IniFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        wchar_t dir[MAX_PATH];
        ASSERT_GT(GetTempPathW(MAX_PATH, dir), 0u);
        FPath = std::wstring(dir) + L"tinteye_ini_" + std::to_wstring(GetCurrentProcessId()) + L".ini";
        DeleteFileW(FPath.c_str());
    }
    void TearDown() override
    {
        TIniFile(FPath).UpdateFile();
        DeleteFileW(FPath.c_str());
    }
    std::wstring FPath;
};

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override { Clean(); }
    void TearDown() override
    {
        Clean();
        TRegistry r;
        EXPECT_FALSE(r.KeyExists(L"\\" + TestKey));
    }
    static void Clean()
    {
        TRegistry r;
        r.DeleteKey(L"\\" + TestKey);
    }
};

}  // namespace

TEST_F(IniFileTest, ValuesRoundTripThroughTheFile)
{
    {
        TIniFile ini(FPath);
        EXPECT_EQ(ini.ReadString(L"Tool", L"Missing", L"dflt"), L"dflt");
        ini.WriteString(L"PrefixToolWindow971", L"DockedTo", L"Dock971");
        ini.WriteString(L"PrefixToolWindow971", L"Caption", L"\u30C4\u30FC\u30EB");
        ini.WriteInteger(L"PrefixToolWindow971", L"Rev", 3);
        ini.WriteInteger(L"PrefixToolWindow971", L"FloatLeft", -25);
        ini.WriteBool(L"PrefixToolWindow971", L"Visible", true);
        ini.WriteString(L"Other", L"Hex", L"0x1F");
        ini.WriteString(L"Other", L"Bad", L"12abc");
        ini.UpdateFile();
    }
    TIniFile ini(FPath);
    EXPECT_EQ(ini.ReadString(L"PrefixToolWindow971", L"DockedTo", L""), L"Dock971");
    EXPECT_EQ(ini.ReadString(L"PrefixToolWindow971", L"Caption", L""), L"\u30C4\u30FC\u30EB");
    EXPECT_EQ(ini.ReadInteger(L"PrefixToolWindow971", L"Rev", 0), 3);
    EXPECT_EQ(ini.ReadInteger(L"PrefixToolWindow971", L"FloatLeft", 0), -25);
    EXPECT_EQ(ini.ReadString(L"PrefixToolWindow971", L"FloatLeft", L""), L"-25");  // decimal text
    EXPECT_TRUE(ini.ReadBool(L"PrefixToolWindow971", L"Visible", false));
    EXPECT_EQ(ini.ReadString(L"PrefixToolWindow971", L"Visible", L""), L"1");
    EXPECT_EQ(ini.ReadInteger(L"Other", L"Hex", 0), 31);
    EXPECT_EQ(ini.ReadInteger(L"Other", L"Bad", 7), 7);
    EXPECT_EQ(ini.ReadInteger(L"Other", L"Missing", -1), -1);
    EXPECT_FALSE(ini.ReadBool(L"Other", L"Missing", false));

    EXPECT_EQ(ini.ReadSection(L"PrefixToolWindow971"),
              (std::vector<std::wstring>{L"DockedTo", L"Caption", L"Rev", L"FloatLeft", L"Visible"}));
    EXPECT_EQ(ini.ReadSections(), (std::vector<std::wstring>{L"PrefixToolWindow971", L"Other"}));
    EXPECT_TRUE(ini.SectionExists(L"Other"));
    EXPECT_FALSE(ini.SectionExists(L"Nothing"));
    EXPECT_TRUE(ini.ValueExists(L"Other", L"hex"));
    EXPECT_FALSE(ini.ValueExists(L"Other", L"Rev"));

    ini.DeleteKey(L"Other", L"Bad");
    EXPECT_FALSE(ini.ValueExists(L"Other", L"Bad"));
    ini.EraseSection(L"Other");
    EXPECT_FALSE(ini.SectionExists(L"Other"));
    EXPECT_EQ(ini.ReadString(L"Other", L"Hex", L"gone"), L"gone");
    EXPECT_TRUE(ini.SectionExists(L"PrefixToolWindow971"));
}

TEST_F(IniFileTest, LongTextsAreCutAndUnwritableFilesRaise)
{
    TIniFile ini(FPath);
    ini.WriteString(L"S", L"Long", std::wstring(3000, L'a'));
    EXPECT_EQ(ini.ReadString(L"S", L"Long", L"").size(), 2047u);

    TIniFile bad(L"Z:\\no\\such\\directory\\tinteye.ini");
    try {
        bad.WriteString(L"S", L"I", L"v");
        FAIL() << "no error";
    } catch (const EIniFileException& e) {
        EXPECT_EQ(e.Message(), L"Unable to write to Z:\\no\\such\\directory\\tinteye.ini");
    }
    EXPECT_THROW(bad.WriteInteger(L"S", L"I", 1), EIniFileException);
}

TEST_F(RegistryTest, KeysAndValuesRoundTrip)
{
    {
        TRegistry r;
        EXPECT_EQ(r.RootKey(), HKEY_CURRENT_USER);
        EXPECT_FALSE(r.OpenKey(TestKey + L"\\Base", false));
        ASSERT_TRUE(r.OpenKey(TestKey + L"\\Base", true));
        EXPECT_EQ(r.CurrentPath(), TestKey + L"\\Base");
        r.WriteString(L"Name", L"\u30C9\u30C3\u30AF");
        r.WriteInteger(L"Count", -7);
        r.WriteBool(L"Flag", true);
        EXPECT_TRUE(r.ValueExists(L"Name"));
        EXPECT_FALSE(r.ValueExists(L"None"));
        // Relative opening goes below the current key.
        ASSERT_TRUE(r.OpenKey(L"Sub", true));
        EXPECT_EQ(r.CurrentPath(), TestKey + L"\\Base\\Sub");
        r.WriteString(L"Empty", L"");
        // Both sides of what one query takes (127 characters and the terminator), and far past it.
        for (size_t n : {127, 128, 1000})
            r.WriteString(L"Long" + std::to_wstring(n), std::wstring(n - 1, L'x') + L"y");
    }
    TRegistry r;
    EXPECT_TRUE(r.KeyExists(L"\\" + TestKey + L"\\Base\\Sub"));
    ASSERT_TRUE(r.OpenKeyReadOnly(L"\\" + TestKey + L"\\Base"));
    EXPECT_EQ(r.ReadString(L"Name"), L"\u30C9\u30C3\u30AF");
    EXPECT_EQ(r.ReadInteger(L"Count"), -7);
    EXPECT_TRUE(r.ReadBool(L"Flag"));
    EXPECT_EQ(r.GetDataType(L"Count"), rdInteger);
    EXPECT_EQ(r.GetDataType(L"Name"), rdString);
    EXPECT_EQ(r.ReadString(L"Missing"), L"");
    EXPECT_TRUE(r.HasSubKeys());
    EXPECT_EQ(r.GetKeyNames(), std::vector<std::wstring>{L"Sub"});
    EXPECT_EQ(r.GetValueNames().size(), 3u);
    try {
        r.ReadString(L"Count");
        FAIL() << "no error";
    } catch (const ERegistryException& e) {
        EXPECT_EQ(e.Message(), L"Invalid data type for 'Count'");
    }
    EXPECT_THROW(r.ReadInteger(L"Name"), ERegistryException);
    EXPECT_THROW(r.ReadInteger(L"Missing"), ERegistryException);
    // Read-only: writing fails with the registry's error.
    EXPECT_THROW(r.WriteString(L"Name", L"x"), ERegistryException);
    ASSERT_TRUE(r.OpenKey(L"Sub", false));
    EXPECT_EQ(r.ReadString(L"Empty"), L"");
    EXPECT_TRUE(r.ValueExists(L"Empty"));
    for (size_t n : {127, 128, 1000})
        EXPECT_EQ(r.ReadString(L"Long" + std::to_wstring(n)), std::wstring(n - 1, L'x') + L"y");

    // Deleting the key that is open (and everything below it) closes it first.
    r.CloseKey();
    ASSERT_TRUE(r.OpenKey(L"\\" + TestKey + L"\\Base\\Sub", false));
    EXPECT_TRUE(r.DeleteKey(L"\\software\\tinteyetest\\BASE"));  // names ignore case
    EXPECT_EQ(r.CurrentKey(), nullptr);
    EXPECT_FALSE(r.KeyExists(L"\\" + TestKey + L"\\Base"));
    EXPECT_TRUE(r.KeyExists(L"\\" + TestKey));
}

TEST_F(RegistryTest, RegIniFileKeepsSectionsAsSubkeys)
{
    {
        TRegIniFile ini(TestKey + L"\\Toolbars");
        EXPECT_EQ(ini.ReadString(L"ToolWindow971", L"DockedTo", L"dflt"), L"dflt");
        EXPECT_EQ(ini.ReadInteger(L"ToolWindow971", L"Rev", 0), 0);
        ini.WriteInteger(L"ToolWindow971", L"Rev", 3);
        ini.WriteString(L"ToolWindow971", L"DockedTo", L"Dock971");
        ini.WriteBool(L"ToolWindow972", L"Visible", false);
        EXPECT_EQ(ini.CurrentPath(), TestKey + L"\\Toolbars");  // back at the base key
    }
    TRegistry raw;
    ASSERT_TRUE(raw.OpenKey(L"\\" + TestKey + L"\\Toolbars\\ToolWindow971", false));
    EXPECT_EQ(raw.GetDataType(L"Rev"), rdString);
    EXPECT_EQ(raw.ReadString(L"Rev"), L"3");
    raw.WriteInteger(L"DockRow", 2);  // a DWORD written by someone else reads back too
    raw.WriteString(L"DockPos", L"0x10");
    raw.WriteString(L"Junk", L"abc");
    raw.CloseKey();

    TRegIniFile ini(HKEY_CURRENT_USER, TestKey + L"\\Toolbars");
    EXPECT_EQ(ini.ReadInteger(L"ToolWindow971", L"Rev", 0), 3);
    EXPECT_EQ(ini.ReadString(L"ToolWindow971", L"DockedTo", L""), L"Dock971");
    EXPECT_EQ(ini.ReadInteger(L"ToolWindow971", L"DockRow", 0), 2);
    EXPECT_EQ(ini.ReadInteger(L"ToolWindow971", L"DockPos", 0), 16);
    EXPECT_EQ(ini.ReadInteger(L"ToolWindow971", L"Junk", 5), 5);
    EXPECT_FALSE(ini.ReadBool(L"ToolWindow972", L"Visible", true));
    EXPECT_EQ(ini.ReadSections(), (std::vector<std::wstring>{L"ToolWindow971", L"ToolWindow972"}));
    EXPECT_EQ(ini.ReadSection(L"ToolWindow972"), std::vector<std::wstring>{L"Visible"});

    ini.DeleteKey(L"ToolWindow971", L"Junk");
    EXPECT_EQ(ini.ReadString(L"ToolWindow971", L"Junk", L"gone"), L"gone");
    ini.EraseSection(L"ToolWindow971");
    EXPECT_EQ(ini.ReadSections(), std::vector<std::wstring>{L"ToolWindow972"});
    EXPECT_EQ(ini.ReadString(L"ToolWindow971", L"DockedTo", L"gone"), L"gone");
}
