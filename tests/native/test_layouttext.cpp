#include "LayoutText.h"
#include "SysUtils.h"
#include "Utf8.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

// The main window's layout in the writer's own form, so that it must come back unchanged.
const std::wstring MainFormText = LR"(object MainForm: TMainForm
  Left = 719
  Top = 333
  Width = 626
  Height = 373
  Caption = 'jp.example::Tinteye'
  Color = clBtnFace
  Font.Charset = SHIFTJIS_CHARSET
  Font.Color = clWindowText
  Font.Height = -12
  Font.Name = 'ＭＳ Ｐゴシック'
  Font.Style = []
  OldCreateOrder = False
  Position = poScreenCenter
  OnClose = FormClose
  PixelsPerInch = 96
  TextHeight = 12
  object Dock971: TDock97
    Left = 0
    Top = 0
    Width = 618
    Height = 36
    object ToolWindow971: TToolWindow97
      Left = 0
      Top = 0
      ClientAreaHeight = 32
      ClientAreaWidth = 572
      Caption = 'ToolWindow971'
      DockPos = 0
      TabOrder = 0
      object StartStopButton: TButton
        Left = 0
        Top = 0
        Width = 89
        Height = 32
        Caption = 'Start'
        TabOrder = 0
        OnClick = StartStopButtonClick
      end
      object StopBtn: TBitBtn
        Left = 88
        Top = 0
        Width = 89
        Height = 33
        Caption = 'Stop'
        TabOrder = 1
        OnClick = StopBtnClick
      end
      object QuitBtn: TBitBtn
        Left = 176
        Top = 0
        Width = 89
        Height = 33
        Caption = 'Quit'
        TabOrder = 2
        OnClick = QuitBtnClick
      end
      object Edit1: TEdit
        Left = 272
        Top = 3
        Width = 49
        Height = 25
        TabOrder = 3
        Text = '30'
      end
    end
  end
  object ScrollBox1: TScrollBox
    Left = 0
    Top = 36
    Width = 618
    Height = 310
    Align = alClient
    TabOrder = 1
    object image: TImage
      Left = 0
      Top = 0
      Width = 428
      Height = 247
    end
  end
  object LoopTimer: TTimer
    Enabled = False
    Interval = 100
    OnTimer = LoopTimerTimer
  end
  object StartTimer: TTimer
    Enabled = False
    Interval = 3000
    OnTimer = StartTimerTimer
  end
end
)";

std::wstring ReadError(std::wstring_view text)
{
    try {
        ReadLayoutText(text);
    } catch (const EReadError& e) {
        return e.Message();
    }
    return L"(no error)";
}

TLayoutProperty Prop(std::wstring name, TLayoutValue value)
{
    TLayoutProperty p;
    p.Name = std::move(name);
    p.Value = std::move(value);
    return p;
}

TLayoutObject Obj(std::wstring name, std::wstring className)
{
    TLayoutObject o;
    o.Name = std::move(name);
    o.ClassName = std::move(className);
    return o;
}

// A property holding the value, in an object called Form.
std::wstring OneProperty(const std::wstring& value) { return L"object Form: TForm\n  P = " + value + L"\nend\n"; }

TLayoutValue ValueOf(const std::wstring& value)
{
    const TLayoutObject o = ReadLayoutText(OneProperty(value));
    return o.Properties.at(0).Value;
}

TEST(LayoutText, ReadsTheMainFormTree)
{
    const TLayoutObject form = ReadLayoutText(MainFormText);
    EXPECT_EQ(form.Name, L"MainForm");
    EXPECT_EQ(form.ClassName, L"TMainForm");
    EXPECT_EQ(form.Line, 1);
    ASSERT_EQ(form.Properties.size(), 16u);
    ASSERT_EQ(form.Children.size(), 4u);

    const TLayoutProperty* left = form.FindProperty(L"Left");
    ASSERT_NE(left, nullptr);
    EXPECT_EQ(left->Value, TLayoutValue::FromInteger(719));
    EXPECT_EQ(left->Line, 2);
    EXPECT_EQ(form.FindProperty(L"Font.Height")->Value, TLayoutValue::FromInteger(-12));
    EXPECT_EQ(form.FindProperty(L"Font.Name")->Value, TLayoutValue::FromString(L"ＭＳ Ｐゴシック"));
    EXPECT_EQ(form.FindProperty(L"Font.Style")->Value, TLayoutValue::FromSet({}));
    EXPECT_EQ(form.FindProperty(L"Position")->Value, TLayoutValue::FromIdent(L"poScreenCenter"));
    EXPECT_EQ(form.FindProperty(L"OnClose")->Value, TLayoutValue::FromIdent(L"FormClose"));
    EXPECT_EQ(form.FindProperty(L"OldCreateOrder")->Value, TLayoutValue::FromIdent(L"False"));
    EXPECT_EQ(form.FindProperty(L"Font"), nullptr);
    EXPECT_EQ(form.FindProperty(L"left"), nullptr);  // names are matched exactly

    const TLayoutObject& dock = form.Children[0];
    EXPECT_EQ(dock.Name, L"Dock971");
    EXPECT_EQ(dock.Line, 18);
    ASSERT_EQ(dock.Children.size(), 1u);
    const TLayoutObject& toolWindow = dock.Children[0];
    ASSERT_EQ(toolWindow.Children.size(), 4u);
    EXPECT_EQ(toolWindow.Children[3].Name, L"Edit1");
    EXPECT_EQ(toolWindow.Children[3].FindProperty(L"Text")->Value, TLayoutValue::FromString(L"30"));
    EXPECT_EQ(toolWindow.Children[3].FindProperty(L"Text")->Value.Line, 64);
    EXPECT_EQ(form.Children[1].Children.at(0).ClassName, L"TImage");
    EXPECT_EQ(form.Children[3].FindProperty(L"Interval")->Value, TLayoutValue::FromInteger(3000));
}

TEST(LayoutText, WritesTheMainFormBackUnchanged)
{
    EXPECT_EQ(WriteLayoutText(ReadLayoutText(MainFormText)), MainFormText);
}

TEST(LayoutText, EqualityIgnoresLinesAndUnusedFields)
{
    TLayoutValue a = TLayoutValue::FromInteger(5);
    TLayoutValue b = TLayoutValue::FromInteger(5);
    b.Line = 9;
    b.Text = L"ignored";
    EXPECT_EQ(a, b);
    EXPECT_NE(a, TLayoutValue::FromInteger(6));
    EXPECT_NE(TLayoutValue::FromIdent(L"x"), TLayoutValue::FromString(L"x"));
    EXPECT_NE(TLayoutValue::FromList({TLayoutValue::FromInteger(1)}), TLayoutValue::FromList({}));

    const TLayoutObject form = ReadLayoutText(MainFormText);
    TLayoutObject changed = form;
    changed.Children[0].Children[0].Children[2].Properties[4].Value.Text = L"Exit";
    EXPECT_NE(form, changed);
    changed = form;
    changed.Children.pop_back();
    EXPECT_NE(form, changed);
}

TEST(LayoutText, RoundTripsEveryKindOfValue)
{
    std::vector<uint8_t> bytes(100);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>(i * 37 + 5);

    TLayoutObject root = Obj(L"", L"TForm");  // unnamed
    root.Properties = {
        Prop(L"Min", TLayoutValue::FromInteger(INT64_MIN)),
        Prop(L"Max", TLayoutValue::FromInteger(INT64_MAX)),
        Prop(L"Negative", TLayoutValue::FromInteger(-42)),
        Prop(L"Empty", TLayoutValue::FromString(L"")),
        Prop(L"Quotes", TLayoutValue::FromString(L"'It''s'")),
        Prop(L"Controls", TLayoutValue::FromString(std::wstring(L"\r\na\tb\0c\x7f", 9))),
        Prop(L"Japanese", TLayoutValue::FromString(L"タイマーを取得できません")),
        Prop(L"Astral", TLayoutValue::FromString(L"\U0001F600 x")),
        Prop(L"Hash", TLayoutValue::FromString(L"#13 is not a code here")),
        Prop(L"Lone", TLayoutValue::FromString(std::wstring(1, static_cast<wchar_t>(0xD800)) + L"x")),
        Prop(L"Ref", TLayoutValue::FromIdent(L"Form1.Edit1")),
        Prop(L"Font.Style", TLayoutValue::FromSet({L"fsBold", L"fsItalic"})),
        Prop(L"Single", TLayoutValue::FromSet({L"akLeft"})),
        Prop(L"Data", TLayoutValue::FromBinary(bytes)),
        Prop(L"NoData", TLayoutValue::FromBinary({})),
        Prop(L"Items.Strings",
             TLayoutValue::FromList({TLayoutValue::FromString(L"a"), TLayoutValue::FromInteger(-1),
                                     TLayoutValue::FromList({TLayoutValue::FromBinary({1, 2}), TLayoutValue::FromList({})}),
                                     TLayoutValue::FromSet({})})),
    };
    TLayoutObject child = Obj(L"Child", L"TPanel");
    child.Children.push_back(Obj(L"Grandchild", L"TButton"));
    root.Children.push_back(child);

    const std::wstring text = WriteLayoutText(root);
    const TLayoutObject back = ReadLayoutText(text);
    EXPECT_EQ(back, root) << WideToUtf8(text);
    EXPECT_EQ(WriteLayoutText(back), text);
    EXPECT_EQ(ReadLayoutTextUtf8(WriteLayoutTextUtf8(root)), root);  // the lone surrogate survives UTF-8
    EXPECT_NE(text.find(L"Lone = #55296'x'"), std::wstring::npos);
}

TEST(LayoutText, WritesEscapesSetsBinaryAndListsInTheStoredForm)
{
    TLayoutObject root = Obj(L"F", L"TF");
    root.Properties = {
        Prop(L"A", TLayoutValue::FromString(L"It's")),
        Prop(L"B", TLayoutValue::FromString(L"a\r\nb")),
        Prop(L"C", TLayoutValue::FromString(L"\tx")),
        Prop(L"D", TLayoutValue::FromSet({L"x", L"y"})),
        Prop(L"E", TLayoutValue::FromBinary(std::vector<uint8_t>(33, 0xAB))),
        Prop(L"G", TLayoutValue::FromList({TLayoutValue::FromString(L"1"), TLayoutValue::FromIdent(L"two")})),
        Prop(L"H", TLayoutValue::FromList({})),
    };
    std::wstring row;
    for (int i = 0; i < 32; ++i)
        row += L"AB";
    EXPECT_EQ(WriteLayoutText(root), L"object F: TF\n"
                                     L"  A = 'It''s'\n"
                                     L"  B = 'a'#13#10'b'\n"
                                     L"  C = #9'x'\n"
                                     L"  D = [x, y]\n"
                                     L"  E = {\n"
                                     L"    " + row + L"\n"
                                         L"    AB}\n"
                                         L"  G = (\n"
                                         L"    '1'\n"
                                         L"    two)\n"
                                         L"  H = ()\n"
                                         L"end\n");
}

TEST(LayoutText, WritesJapaneseAsUtf8)
{
    TLayoutObject root = Obj(L"F", L"TF");
    root.Properties.push_back(Prop(L"Font.Name", TLayoutValue::FromString(L"ＭＳ Ｐゴシック")));
    const std::string utf8 = WriteLayoutTextUtf8(root);
    EXPECT_NE(utf8.find("Font.Name = '\xEF\xBC\xAD\xEF\xBC\xB3 \xEF\xBC\xB0\xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF'"),
              std::string::npos);
    EXPECT_EQ(ReadLayoutTextUtf8(utf8), root);
    EXPECT_EQ(ReadLayoutTextUtf8("\xEF\xBB\xBF" + utf8), root);
}

TEST(LayoutText, ReaderAcceptsEveryStringSpelling)
{
    EXPECT_EQ(ValueOf(L"'a'#13#10'b'"), TLayoutValue::FromString(L"a\r\nb"));
    EXPECT_EQ(ValueOf(L"#$41#66'C'"), TLayoutValue::FromString(L"ABC"));
    EXPECT_EQ(ValueOf(L"#128512"), TLayoutValue::FromString(L"\U0001F600"));
    // The highest code point in both notations; one past it is refused (see the error table).
    EXPECT_EQ(ValueOf(L"#1114111"), TLayoutValue::FromString(L"\U0010FFFF"));
    EXPECT_EQ(ValueOf(L"#$10FFFF"), TLayoutValue::FromString(L"\U0010FFFF"));
    EXPECT_EQ(ValueOf(L"'ab' +\n    'cd' + #33"), TLayoutValue::FromString(L"abcd!"));
    EXPECT_EQ(ValueOf(L"''''"), TLayoutValue::FromString(L"'"));
    EXPECT_EQ(ValueOf(L"$1F"), TLayoutValue::FromInteger(31));
    EXPECT_EQ(ValueOf(L"-$ff"), TLayoutValue::FromInteger(-255));
    EXPECT_EQ(ValueOf(L"-9223372036854775808"), TLayoutValue::FromInteger(INT64_MIN));
    EXPECT_EQ(ValueOf(L"$7FFFFFFFFFFFFFFF"), TLayoutValue::FromInteger(INT64_MAX));
    EXPECT_EQ(ValueOf(L"-$8000000000000000"), TLayoutValue::FromInteger(INT64_MIN));
    EXPECT_EQ(ValueOf(L"[ a ,b,\n c ]"), TLayoutValue::FromSet({L"a", L"b", L"c"}));
    EXPECT_EQ(ValueOf(L"{\n  0a1B\n  FF }"), TLayoutValue::FromBinary({0x0A, 0x1B, 0xFF}));
    EXPECT_EQ(ValueOf(L"('a' 'b')"), TLayoutValue::FromList({TLayoutValue::FromString(L"a"), TLayoutValue::FromString(L"b")}));
    EXPECT_EQ(ValueOf(L"Form1.Comp"), TLayoutValue::FromIdent(L"Form1.Comp"));

    // CR LF and CR line ends, tabs, a byte-order mark, keywords in any case, an unnamed object.
    const TLayoutObject o = ReadLayoutText(L"\xFEFFOBJECT TForm\r\n\tA = 1\r\rEnd");
    EXPECT_EQ(o.Name, L"");
    EXPECT_EQ(o.ClassName, L"TForm");
    EXPECT_EQ(o.Properties.at(0).Line, 2);
    const TLayoutObject lines = ReadLayoutText(L"object A: B\r\n\r\n  X = {\r\n00\r\n}\r\n  Y = 2\r\nend");
    EXPECT_EQ(lines.Properties.at(1).Line, 6);
}

TEST(LayoutText, ErrorsNameTheLineAndWhatWasExpected)
{
    // An offending text is shown up to 40 characters, then "...".
    const std::wstring forty = L"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMN";
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"object A: B\n  Left " + forty + L"\nend",
         L"Line 2: expected '=' after property name 'Left', found '" + forty + L"'"},
        {L"object A: B\n  Left " + forty + L"O\nend",
         L"Line 2: expected '=' after property name 'Left', found '" + forty + L"...'"},
        {L"", L"Line 1: expected 'object', found end of text"},
        {L"\n\nobjekt A: B\nend", L"Line 3: expected 'object', found 'objekt'"},
        {L"object A: B\n  Left = 1\n", L"Line 3: expected 'end' of object 'A' begun on line 1, found end of text"},
        {L"object A: B\n  object C: D\n  Left = 1\nend",
         L"Line 4: expected 'end' of object 'A' begun on line 1, found end of text"},
        {L"object A: B\n  Left 719\nend", L"Line 2: expected '=' after property name 'Left', found '719'"},
        {L"object A: B\n  Left\nend", L"Line 3: expected '=' after property name 'Left', found 'end'"},
        {L"object A: B\n  Caption = 'abc\nend", L"Line 2: unterminated string, expected a closing quote before the end of the line"},
        {L"object A: B\n  Caption = 'abc", L"Line 2: unterminated string, expected a closing quote before the end of the line"},
        {L"object A: B\n  Caption = 'a\nb'\nend",
         L"Line 2: unterminated string, expected a closing quote before the end of the line"},
        {L"object A: B\n  Left = =\nend", L"Line 2: expected a value for property 'Left', found '='"},
        {L"object A: B\n  Left =\nend", L"Line 3: expected a value for property 'Left', found 'end'"},
        {L"object A: B\n  Left = 1e3\nend", L"Line 2: invalid integer '1e3'"},
        {L"object A: B\n  Left = 1.5\nend", L"Line 2: invalid integer '1.5'"},
        {L"object A: B\n  Left = $\nend", L"Line 2: invalid integer '$'"},
        {L"object A: B\n  Left = 9223372036854775808\nend", L"Line 2: integer '9223372036854775808' out of range"},
        {L"object A: B\n  Left = -9223372036854775809\nend", L"Line 2: integer '-9223372036854775809' out of range"},
        {L"object A: B\n  Left = $10000000000000000\nend", L"Line 2: integer '$10000000000000000' out of range"},
        {L"object A: B\nend\nend", L"Line 3: expected end of text after the final 'end', found 'end'"},
        {L"object A: B\nend\n\n  x", L"Line 4: expected end of text after the final 'end', found 'x'"},
        {L"object A:\nend", L"Line 2: expected a class name after 'A:', found 'end'"},
        {L"object A: 5\nend", L"Line 1: expected a class name after 'A:', found '5'"},
        {L"object\nend", L"Line 2: expected an object name or class name after 'object', found 'end'"},
        {L"object A.B: C\nend", L"Line 1: expected an object name or class name after 'object', found 'A.B'"},
        {L"object A: B\n  = 1\nend", L"Line 2: expected a property name, 'object' or 'end' in object 'A', found '='"},
        {L"object A: B\n  Data = {0A1\n  }\nend", L"Line 2: odd number of hexadecimal digits in binary data"},
        {L"object A: B\n  Data = {0A\n  1G}\nend", L"Line 3: expected a hexadecimal digit or '}' in binary data, found 'G'"},
        {L"object A: B\n  Data = {0A\n", L"Line 2: unterminated binary data, expected '}'"},
        {L"object A: B\n  S = [a b]\nend", L"Line 2: expected ',' or ']' in set, found 'b'"},
        {L"object A: B\n  S = [a,]\nend", L"Line 2: expected a set element name, found ']'"},
        {L"object A: B\n  S = [1]\nend", L"Line 2: expected a set element name, found '1'"},
        {L"object A: B\n  L = ('a'\n  'b'\n", L"Line 4: expected ')' closing the list begun on line 2, found end of text"},
        {L"object A: B\n  L = ('a' =)\nend", L"Line 2: expected a value or ')' in list, found '='"},
        {L"object A: B\n  S = 'a' +\n  5\nend", L"Line 3: expected a string after '+', found '5'"},
        {L"object A: B\n  S = #\nend", L"Line 2: expected a character code after '#'"},
        {L"object A: B\n  S = #1114112\nend", L"Line 2: character code '#1114112' out of range"},
        {L"object A: B\n  S = #$110000\nend", L"Line 2: character code '#$110000' out of range"},
        {L"object A: B\n  S = @\nend", L"Line 2: unexpected character '@'"},
        {L"object A: B\n  S\x01 = 1\nend", L"Line 2: unexpected character '#1'"},
        // DEL is a control character; its neighbours are shown as they are.
        {L"object A: B\n  S\x7F = 1\nend", L"Line 2: unexpected character '#127'"},
        {L"object A: B\n  S~ = 1\nend", L"Line 2: unexpected character '~'"},
        {L"object A: B\n  S\x80 = 1\nend", L"Line 2: unexpected character '\x80'"},
        {L"object A: B\n  S = \xFF21\nend", L"Line 2: unexpected character '\xFF21'"},
        {L"object A: B\n  S = 'x' 'y'\nend", L"Line 2: expected a property name, 'object' or 'end' in object 'A', found string 'y'"},
    };
    for (const auto& [text, message] : cases)
        EXPECT_EQ(ReadError(text), message) << "input: " << WideToUtf8(text);
}

TEST(LayoutText, NestingIsCapped)
{
    auto nestedObjects = [](int depth) {
        std::wstring text;
        for (int i = 0; i < depth; ++i)
            text += L"object A: B\n";
        for (int i = 0; i < depth; ++i)
            text += L"end\n";
        return text;
    };
    EXPECT_NO_THROW(ReadLayoutText(nestedObjects(LayoutMaxNesting)));
    EXPECT_EQ(ReadError(nestedObjects(LayoutMaxNesting + 1)),
              L"Line " + std::to_wstring(LayoutMaxNesting + 1) + L": nested deeper than 64 levels");
    EXPECT_NE(ReadError(nestedObjects(200000)).find(L"nested deeper"), std::wstring::npos);
    EXPECT_NE(ReadError(L"object A: B\n  L = " + std::wstring(200000, L'(')).find(L"nested deeper"), std::wstring::npos);

    // Lists count with the objects that hold them. The writer refuses exactly what the reader
    // would refuse rather than writing an unreadable layout.
    auto withLists = [](int lists) {
        TLayoutValue list = TLayoutValue::FromList({});
        for (int i = 1; i < lists; ++i)
            list = TLayoutValue::FromList({list});
        TLayoutObject o = Obj(L"A", L"B");
        o.Properties.push_back(Prop(L"L", list));
        return o;
    };
    const TLayoutObject deepest = withLists(LayoutMaxNesting - 1);
    EXPECT_EQ(ReadLayoutText(WriteLayoutText(deepest)), deepest);
    EXPECT_THROW(WriteLayoutText(withLists(LayoutMaxNesting)), EInvalidOperation);
    const std::wstring tooDeep = L"object A: B\n  L = " + std::wstring(LayoutMaxNesting, L'(') +
                                 std::wstring(LayoutMaxNesting, L')') + L"\nend\n";
    EXPECT_EQ(ReadError(tooDeep), L"Line 2: nested deeper than 64 levels");
}

TEST(LayoutText, WriterRefusesNamesThatWouldNotReadBack)
{
    auto refuses = [](TLayoutObject o) {
        EXPECT_THROW(WriteLayoutText(o), EInvalidOperation) << WideToUtf8(o.Name + L"|" + o.ClassName);
    };
    refuses(Obj(L"A", L""));
    refuses(Obj(L"1A", L"B"));
    refuses(Obj(L"A.B", L"C"));
    refuses(Obj(L"end", L"C"));
    refuses(Obj(L"A", L"Object"));
    TLayoutObject o = Obj(L"A", L"B");
    o.Properties.push_back(Prop(L"Font.", TLayoutValue::FromInteger(1)));
    refuses(o);
    o.Properties[0] = Prop(L"Font.Name", TLayoutValue::FromIdent(L"has space"));
    refuses(o);
    o.Properties[0] = Prop(L"Font.Name", TLayoutValue::FromIdent(L"end"));
    refuses(o);
    o.Properties[0] = Prop(L"Font.Style", TLayoutValue::FromSet({L"a.b"}));
    refuses(o);
}

// Random damage to a valid layout: every outcome is a tree that round-trips or an EReadError.
TEST(LayoutText, FuzzedInputNeverCrashes)
{
    TLayoutObject sample = ReadLayoutText(MainFormText);
    sample.Properties.push_back(Prop(L"Data", TLayoutValue::FromBinary(std::vector<uint8_t>(40, 0x5A))));
    sample.Properties.push_back(Prop(L"Lines", TLayoutValue::FromList({TLayoutValue::FromString(L"a'b\r\n")})));
    const std::wstring base = WriteLayoutText(sample);
    const std::wstring alphabet = L"'#$-+=:[](){},. \n\r\t09aFzé\xFF21\x01\0";

    std::mt19937 random(12345);
    auto pick = [&](size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(random); };
    int parsed = 0;
    int rejected = 0;
    for (int iteration = 0; iteration < 10000; ++iteration) {
        std::wstring text = base;
        const size_t edits = 1 + pick(4);
        for (size_t e = 0; e < edits && !text.empty(); ++e) {
            const size_t at = pick(text.size());
            switch (pick(5)) {
            case 0: text[at] = alphabet[pick(alphabet.size())]; break;
            case 1: text.insert(at, 1, alphabet[pick(alphabet.size())]); break;
            case 2: text.erase(at, 1 + pick(8)); break;
            case 3: text.resize(at); break;
            case 4: text.insert(at, text.substr(pick(text.size()), pick(40))); break;
            }
        }
        try {
            const TLayoutObject tree = ReadLayoutText(text);
            ++parsed;
            try {
                ASSERT_EQ(ReadLayoutText(WriteLayoutText(tree)), tree) << WideToUtf8(text);
            } catch (const EInvalidOperation&) {
                // A readable tree is always writable; reaching here is a fault.
                ADD_FAILURE() << "writer refused a tree the reader produced: " << WideToUtf8(text);
            }
        } catch (const EReadError& e) {
            ++rejected;
            ASSERT_EQ(e.Message().rfind(L"Line ", 0), 0u) << WideToUtf8(e.Message());
        }
    }
    EXPECT_GT(parsed, 100);
    EXPECT_GT(rejected, 500);
}

}  // namespace
