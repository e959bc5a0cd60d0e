#include "LayoutText.h"

#include "SysUtils.h"
#include "Utf8.h"

#include <utility>

// ---------------------------------------------------------------------------------------------
// Tree
// ---------------------------------------------------------------------------------------------

TLayoutValue TLayoutValue::FromInteger(int64_t value)
{
    TLayoutValue v;
    v.Kind = lvInteger;
    v.Integer = value;
    return v;
}

TLayoutValue TLayoutValue::FromString(std::wstring text)
{
    TLayoutValue v;
    v.Kind = lvString;
    v.Text = std::move(text);
    return v;
}

TLayoutValue TLayoutValue::FromIdent(std::wstring name)
{
    TLayoutValue v;
    v.Kind = lvIdent;
    v.Text = std::move(name);
    return v;
}

TLayoutValue TLayoutValue::FromSet(std::vector<std::wstring> items)
{
    TLayoutValue v;
    v.Kind = lvSet;
    v.Items = std::move(items);
    return v;
}

TLayoutValue TLayoutValue::FromBinary(std::vector<uint8_t> bytes)
{
    TLayoutValue v;
    v.Kind = lvBinary;
    v.Binary = std::move(bytes);
    return v;
}

TLayoutValue TLayoutValue::FromList(std::vector<TLayoutValue> items)
{
    TLayoutValue v;
    v.Kind = lvList;
    v.List = std::move(items);
    return v;
}

const TLayoutProperty* TLayoutObject::FindProperty(std::wstring_view name) const
{
    for (const TLayoutProperty& p : Properties)
        if (p.Name == name)
            return &p;
    return nullptr;
}

bool operator==(const TLayoutValue& a, const TLayoutValue& b)
{
    if (a.Kind != b.Kind)
        return false;
    switch (a.Kind) {
    case lvInteger: return a.Integer == b.Integer;
    case lvString:
    case lvIdent: return a.Text == b.Text;
    case lvSet: return a.Items == b.Items;
    case lvBinary: return a.Binary == b.Binary;
    case lvList: return a.List == b.List;
    }
    return true;
}

bool operator==(const TLayoutProperty& a, const TLayoutProperty& b)
{
    return a.Name == b.Name && a.Value == b.Value;
}

bool operator==(const TLayoutObject& a, const TLayoutObject& b)
{
    return a.Name == b.Name && a.ClassName == b.ClassName && a.Properties == b.Properties &&
           a.Children == b.Children;
}

// ---------------------------------------------------------------------------------------------
// Characters and names
// ---------------------------------------------------------------------------------------------

namespace {

constexpr char32_t MaxCodePoint = 0x10FFFF;

bool IsIdentStart(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || c == L'_'; }
bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }
bool IsIdentChar(wchar_t c) { return IsIdentStart(c) || IsDigit(c); }

int HexValue(wchar_t c)
{
    if (IsDigit(c))
        return c - L'0';
    if (c >= L'a' && c <= L'f')
        return c - L'a' + 10;
    if (c >= L'A' && c <= L'F')
        return c - L'A' + 10;
    return -1;
}

bool IsControl(char32_t c) { return c < 0x20 || c == 0x7F; }
bool IsSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

bool SameKeyword(std::wstring_view s, std::wstring_view keyword)
{
    if (s.size() != keyword.size())
        return false;
    for (size_t i = 0; i < s.size(); ++i) {
        wchar_t c = s[i];
        if (c >= L'A' && c <= L'Z')
            c = static_cast<wchar_t>(c - L'A' + L'a');
        if (c != keyword[i])
            return false;
    }
    return true;
}

bool IsKeyword(std::wstring_view s) { return SameKeyword(s, L"object") || SameKeyword(s, L"end"); }

// [A-Za-z_][A-Za-z0-9_]*, or several such joined by '.' when dotted.
bool IsName(std::wstring_view s, bool dotted)
{
    bool atStart = true;
    for (const wchar_t c : s) {
        if (atStart) {
            if (!IsIdentStart(c))
                return false;
            atStart = false;
        } else if (c == L'.') {
            if (!dotted)
                return false;
            atStart = true;
        } else if (!IsIdentChar(c)) {
            return false;
        }
    }
    return !atStart;
}

void AppendCodePoint(std::wstring& out, char32_t c)
{
    if constexpr (sizeof(wchar_t) == 2) {
        if (c > 0xFFFF) {
            c -= 0x10000;
            out += static_cast<wchar_t>(0xD800 + (c >> 10));
            out += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
            return;
        }
    }
    out += static_cast<wchar_t>(c);
}

// A piece of the input as shown in a message: bounded, with control characters as #n.
std::wstring Shown(std::wstring_view s)
{
    constexpr size_t MaxShown = 40;
    std::wstring out;
    for (size_t i = 0; i < s.size() && i < MaxShown; ++i) {
        const auto c = static_cast<char32_t>(s[i]);
        if (IsControl(c))
            out += L"#" + std::to_wstring(static_cast<unsigned long>(c));
        else
            out += s[i];
    }
    if (s.size() > MaxShown)
        out += L"...";
    return out;
}

[[noreturn]] void Fail(int line, const std::wstring& what)
{
    throw EReadError(L"Line " + std::to_wstring(line) + L": " + what);
}

// ---------------------------------------------------------------------------------------------
// Lexer
// ---------------------------------------------------------------------------------------------

enum TTokenKind { tkEndOfText, tkIdent, tkInteger, tkString, tkBinary, tkSymbol };

struct TToken {
    TTokenKind Kind = tkEndOfText;
    std::wstring Text;  // identifier (dotted as written), string contents, or the symbol
    int64_t Integer = 0;
    std::vector<uint8_t> Binary;
    std::wstring Shown;  // how a message names this token
    int Line = 1;
};

bool IsSymbol(const TToken& t, wchar_t symbol)
{
    return t.Kind == tkSymbol && t.Text.size() == 1 && t.Text[0] == symbol;
}

bool IsKeywordToken(const TToken& t, std::wstring_view keyword)
{
    return t.Kind == tkIdent && SameKeyword(t.Text, keyword);
}

bool IsPlainName(const TToken& t)
{
    return t.Kind == tkIdent && t.Text.find(L'.') == std::wstring::npos && !IsKeyword(t.Text);
}

class TLexer {
public:
    explicit TLexer(std::wstring_view text) : FText(text)
    {
        if (!FText.empty() && FText[0] == 0xFEFF)
            FPos = 1;
    }

    const TToken& Peek()
    {
        if (!FHasPeeked) {
            FPeeked = Scan();
            FHasPeeked = true;
        }
        return FPeeked;
    }

    TToken Next()
    {
        Peek();
        FHasPeeked = false;
        return std::move(FPeeked);
    }

private:
    std::wstring_view FText;
    size_t FPos = 0;
    int FLine = 1;
    TToken FPeeked;
    bool FHasPeeked = false;

    bool AtEnd() const { return FPos >= FText.size(); }
    wchar_t Cur() const { return FText[FPos]; }
    bool NextIs(bool (*test)(wchar_t)) const { return FPos + 1 < FText.size() && test(FText[FPos + 1]); }

    // Consumes one line break (CR, LF or CR LF) if there is one.
    bool SkipLineBreak()
    {
        if (AtEnd())
            return false;
        if (Cur() == L'\n') {
            ++FPos;
        } else if (Cur() == L'\r') {
            ++FPos;
            if (!AtEnd() && Cur() == L'\n')
                ++FPos;
        } else {
            return false;
        }
        ++FLine;
        return true;
    }

    bool SkipBlank()
    {
        if (SkipLineBreak())
            return true;
        if (!AtEnd() && (Cur() == L' ' || Cur() == L'\t')) {
            ++FPos;
            return true;
        }
        return false;
    }

    TToken Scan()
    {
        while (SkipBlank()) {
        }
        TToken t;
        t.Line = FLine;
        if (AtEnd()) {
            t.Shown = L"end of text";
            return t;
        }
        const wchar_t c = Cur();
        if (IsIdentStart(c))
            ScanName(t);
        else if (IsDigit(c) || c == L'$' || (c == L'-' && (NextIs(IsDigit) || NextIs([](wchar_t n) { return n == L'$'; }))))
            ScanInteger(t);
        else if (c == L'\'' || c == L'#')
            ScanString(t);
        else if (c == L'{')
            ScanBinary(t);
        else if (std::wstring_view(L"=:[](),+").find(c) != std::wstring_view::npos) {
            t.Kind = tkSymbol;
            t.Text.assign(1, c);
            t.Shown = L"'" + t.Text + L"'";
            ++FPos;
        } else {
            Fail(FLine, L"unexpected character '" + Shown(FText.substr(FPos, 1)) + L"'");
        }
        return t;
    }

    void ScanName(TToken& t)
    {
        const size_t start = FPos;
        for (;;) {
            while (!AtEnd() && IsIdentChar(Cur()))
                ++FPos;
            if (AtEnd() || Cur() != L'.' || !NextIs(IsIdentStart))
                break;
            ++FPos;
        }
        t.Kind = tkIdent;
        t.Text = FText.substr(start, FPos - start);
        t.Shown = L"'" + Shown(t.Text) + L"'";
    }

    void ScanInteger(TToken& t)
    {
        const size_t start = FPos;
        // Take everything that could belong to a number so that "1e3" or "1.5" is one bad token.
        ++FPos;
        while (!AtEnd() && (IsIdentChar(Cur()) || Cur() == L'.' || Cur() == L'$'))
            ++FPos;
        const std::wstring_view spelling = FText.substr(start, FPos - start);
        t.Kind = tkInteger;
        t.Shown = L"'" + Shown(spelling) + L"'";

        size_t i = 0;
        const bool negative = spelling[i] == L'-';
        if (negative)
            ++i;
        const bool hex = i < spelling.size() && spelling[i] == L'$';
        if (hex)
            ++i;
        if (i == spelling.size())
            Fail(t.Line, L"invalid integer " + t.Shown);
        const unsigned base = hex ? 16 : 10;
        const uint64_t limit = negative ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1;
        uint64_t magnitude = 0;
        for (; i < spelling.size(); ++i) {
            const int digit = HexValue(spelling[i]);
            if (digit < 0 || static_cast<unsigned>(digit) >= base)
                Fail(t.Line, L"invalid integer " + t.Shown);
            if (magnitude > (limit - static_cast<unsigned>(digit)) / base)
                Fail(t.Line, L"integer " + t.Shown + L" out of range");
            magnitude = magnitude * base + static_cast<unsigned>(digit);
        }
        // Negating in unsigned arithmetic keeps INT64_MIN well defined.
        t.Integer = negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude);
    }

    void ScanString(TToken& t)
    {
        const size_t start = FPos;
        t.Kind = tkString;
        while (!AtEnd()) {
            if (Cur() == L'\'') {
                ScanQuoted(t.Text);
            } else if (Cur() == L'#') {
                ScanCharCode(t.Text);
            } else {
                break;
            }
        }
        t.Shown = L"string " + Shown(FText.substr(start, FPos - start));
    }

    void ScanQuoted(std::wstring& out)
    {
        ++FPos;
        for (;;) {
            if (AtEnd() || Cur() == L'\r' || Cur() == L'\n')
                Fail(FLine, L"unterminated string, expected a closing quote before the end of the line");
            if (Cur() == L'\'') {
                ++FPos;
                if (AtEnd() || Cur() != L'\'')
                    return;
            }
            out += Cur();
            ++FPos;
        }
    }

    void ScanCharCode(std::wstring& out)
    {
        const size_t start = FPos;
        ++FPos;
        unsigned base = 10;
        if (!AtEnd() && Cur() == L'$') {
            base = 16;
            ++FPos;
        }
        char32_t code = 0;
        bool any = false;
        bool tooLarge = false;
        while (!AtEnd()) {
            const int digit = HexValue(Cur());
            if (digit < 0 || static_cast<unsigned>(digit) >= base)
                break;
            code = code * base + static_cast<unsigned>(digit);
            if (code > MaxCodePoint) {
                tooLarge = true;
                code = MaxCodePoint;
            }
            any = true;
            ++FPos;
        }
        if (!any)
            Fail(FLine, L"expected a character code after '" + std::wstring(FText.substr(start, FPos - start)) + L"'");
        if (tooLarge)
            Fail(FLine, L"character code '" + Shown(FText.substr(start, FPos - start)) + L"' out of range");
        AppendCodePoint(out, code);
    }

    void ScanBinary(TToken& t)
    {
        t.Kind = tkBinary;
        t.Shown = L"binary data";
        ++FPos;
        int high = -1;
        for (;;) {
            if (AtEnd())
                Fail(t.Line, L"unterminated binary data, expected '}'");
            if (SkipBlank())
                continue;
            const wchar_t c = Cur();
            if (c == L'}') {
                ++FPos;
                break;
            }
            const int digit = HexValue(c);
            if (digit < 0)
                Fail(FLine, L"expected a hexadecimal digit or '}' in binary data, found '" + Shown(FText.substr(FPos, 1)) + L"'");
            if (high < 0) {
                high = digit;
            } else {
                t.Binary.push_back(static_cast<uint8_t>(high << 4 | digit));
                high = -1;
            }
            ++FPos;
        }
        if (high >= 0)
            Fail(t.Line, L"odd number of hexadecimal digits in binary data");
    }
};

// ---------------------------------------------------------------------------------------------
// Parser
// ---------------------------------------------------------------------------------------------

class TParser {
public:
    explicit TParser(std::wstring_view text) : FLexer(text) {}

    TLayoutObject ParseLayout()
    {
        const TToken first = FLexer.Next();
        if (!IsKeywordToken(first, L"object"))
            Fail(first.Line, L"expected 'object', found " + first.Shown);
        TLayoutObject root = ParseObject(first.Line, 1);
        const TToken rest = FLexer.Next();
        if (rest.Kind != tkEndOfText)
            Fail(rest.Line, L"expected end of text after the final 'end', found " + rest.Shown);
        return root;
    }

private:
    TLexer FLexer;

    static void CheckNesting(int line, int depth)
    {
        if (depth > LayoutMaxNesting)
            Fail(line, L"nested deeper than " + std::to_wstring(LayoutMaxNesting) + L" levels");
    }

    TLayoutObject ParseObject(int line, int depth)
    {
        CheckNesting(line, depth);
        TLayoutObject obj;
        obj.Line = line;
        ReadHeader(obj);
        const std::wstring title = L"'" + (obj.Name.empty() ? obj.ClassName : obj.Name) + L"'";
        for (;;) {
            TToken t = FLexer.Next();
            if (IsKeywordToken(t, L"end"))
                return obj;
            if (IsKeywordToken(t, L"object"))
                obj.Children.push_back(ParseObject(t.Line, depth + 1));
            else if (t.Kind == tkIdent)
                obj.Properties.push_back(ParseProperty(std::move(t), depth));
            else if (t.Kind == tkEndOfText)
                Fail(t.Line, L"expected 'end' of object " + title + L" begun on line " + std::to_wstring(line) +
                                 L", found end of text");
            else
                Fail(t.Line, L"expected a property name, 'object' or 'end' in object " + title + L", found " + t.Shown);
        }
    }

    // "object Name: ClassName", or "object ClassName" for an unnamed object.
    void ReadHeader(TLayoutObject& obj)
    {
        TToken first = FLexer.Next();
        if (!IsPlainName(first))
            Fail(first.Line, L"expected an object name or class name after 'object', found " + first.Shown);
        if (!IsSymbol(FLexer.Peek(), L':')) {
            obj.ClassName = std::move(first.Text);
            return;
        }
        FLexer.Next();
        TToken cls = FLexer.Next();
        if (!IsPlainName(cls))
            Fail(cls.Line, L"expected a class name after '" + first.Text + L":', found " + cls.Shown);
        obj.Name = std::move(first.Text);
        obj.ClassName = std::move(cls.Text);
    }

    TLayoutProperty ParseProperty(TToken name, int depth)
    {
        TLayoutProperty prop;
        prop.Name = std::move(name.Text);
        prop.Line = name.Line;
        const TToken eq = FLexer.Next();
        if (!IsSymbol(eq, L'='))
            Fail(eq.Line, L"expected '=' after property name '" + prop.Name + L"', found " + eq.Shown);
        prop.Value = ParseValue(L"a value for property '" + prop.Name + L"'", depth);
        return prop;
    }

    TLayoutValue ParseValue(const std::wstring& expected, int depth)
    {
        TToken t = FLexer.Next();
        TLayoutValue v;
        v.Line = t.Line;
        switch (t.Kind) {
        case tkInteger:
            v.Kind = lvInteger;
            v.Integer = t.Integer;
            return v;
        case tkString:
            v.Kind = lvString;
            v.Text = std::move(t.Text);
            while (IsSymbol(FLexer.Peek(), L'+')) {
                FLexer.Next();
                const TToken more = FLexer.Next();
                if (more.Kind != tkString)
                    Fail(more.Line, L"expected a string after '+', found " + more.Shown);
                v.Text += more.Text;
            }
            return v;
        case tkIdent:
            if (IsKeyword(t.Text))
                break;
            v.Kind = lvIdent;
            v.Text = std::move(t.Text);
            return v;
        case tkBinary:
            v.Kind = lvBinary;
            v.Binary = std::move(t.Binary);
            return v;
        case tkSymbol:
            if (IsSymbol(t, L'[')) {
                v.Kind = lvSet;
                v.Items = ParseSetItems();
                return v;
            }
            if (IsSymbol(t, L'(')) {
                v.Kind = lvList;
                v.List = ParseListItems(t.Line, depth + 1);
                return v;
            }
            break;
        case tkEndOfText:
            break;
        }
        Fail(t.Line, L"expected " + expected + L", found " + t.Shown);
    }

    std::vector<std::wstring> ParseSetItems()
    {
        std::vector<std::wstring> items;
        TToken t = FLexer.Next();
        if (IsSymbol(t, L']'))
            return items;
        for (;;) {
            if (!IsPlainName(t))
                Fail(t.Line, L"expected a set element name, found " + t.Shown);
            items.push_back(std::move(t.Text));
            t = FLexer.Next();
            if (IsSymbol(t, L']'))
                return items;
            if (!IsSymbol(t, L','))
                Fail(t.Line, L"expected ',' or ']' in set, found " + t.Shown);
            t = FLexer.Next();
        }
    }

    std::vector<TLayoutValue> ParseListItems(int line, int depth)
    {
        CheckNesting(line, depth);
        std::vector<TLayoutValue> items;
        for (;;) {
            const TToken& t = FLexer.Peek();
            if (IsSymbol(t, L')')) {
                FLexer.Next();
                return items;
            }
            if (t.Kind == tkEndOfText)
                Fail(t.Line, L"expected ')' closing the list begun on line " + std::to_wstring(line) +
                                 L", found end of text");
            items.push_back(ParseValue(L"a value or ')' in list", depth));
        }
    }
};

// ---------------------------------------------------------------------------------------------
// Writer
// ---------------------------------------------------------------------------------------------

class TWriter {
public:
    std::wstring Out;

    void WriteObject(const TLayoutObject& obj, size_t indent, int depth)
    {
        CheckNesting(depth);
        Indent(indent);
        Out += L"object ";
        if (!obj.Name.empty()) {
            CheckName(obj.Name, false, L"an object name");
            Out += obj.Name;
            Out += L": ";
        }
        CheckName(obj.ClassName, false, L"a class name");
        Out += obj.ClassName;
        Out += L'\n';
        for (const TLayoutProperty& prop : obj.Properties) {
            CheckName(prop.Name, true, L"a property name");
            Indent(indent + 2);
            Out += prop.Name;
            Out += L" = ";
            WriteValue(prop.Value, indent + 2, depth);
            Out += L'\n';
        }
        for (const TLayoutObject& child : obj.Children)
            WriteObject(child, indent + 2, depth + 1);
        Indent(indent);
        Out += L"end\n";
    }

private:
    static constexpr size_t BytesPerLine = 32;

    static void CheckNesting(int depth)
    {
        if (depth > LayoutMaxNesting)
            throw EInvalidOperation(L"Cannot write the layout: nested deeper than " +
                                    std::to_wstring(LayoutMaxNesting) + L" levels");
    }

    static void CheckName(const std::wstring& name, bool dotted, const wchar_t* what)
    {
        if (!IsName(name, dotted) || IsKeyword(name))
            throw EInvalidOperation(L"Cannot write the layout: '" + name + L"' is not " + what);
    }

    void Indent(size_t n) { Out.append(n, L' '); }

    void WriteValue(const TLayoutValue& v, size_t indent, int depth)
    {
        switch (v.Kind) {
        case lvInteger:
            Out += std::to_wstring(v.Integer);
            return;
        case lvString:
            WriteString(v.Text);
            return;
        case lvIdent:
            CheckName(v.Text, true, L"an identifier");
            Out += v.Text;
            return;
        case lvSet:
            Out += L'[';
            for (size_t i = 0; i < v.Items.size(); ++i) {
                CheckName(v.Items[i], false, L"a set element name");
                if (i > 0)
                    Out += L", ";
                Out += v.Items[i];
            }
            Out += L']';
            return;
        case lvBinary:
            WriteBinary(v.Binary, indent);
            return;
        case lvList:
            CheckNesting(depth + 1);
            Out += L'(';
            for (const TLayoutValue& item : v.List) {
                Out += L'\n';
                Indent(indent + 2);
                WriteValue(item, indent + 2, depth + 1);
            }
            Out += L')';
            return;
        }
        throw EInvalidOperation(L"Cannot write the layout: unknown value kind");
    }

    void WriteBinary(const std::vector<uint8_t>& bytes, size_t indent)
    {
        static constexpr wchar_t Hex[] = L"0123456789ABCDEF";
        Out += L'{';
        for (size_t i = 0; i < bytes.size(); ++i) {
            if (i % BytesPerLine == 0) {
                Out += L'\n';
                Indent(indent + 2);
            }
            Out += Hex[bytes[i] >> 4];
            Out += Hex[bytes[i] & 0xF];
        }
        Out += L'}';
    }

    // Quoted runs for text, #n for what must survive a trip through UTF-8 and a line-based reader.
    void WriteString(const std::wstring& s)
    {
        if (s.empty()) {
            Out += L"''";
            return;
        }
        bool quoted = false;
        for (size_t i = 0; i < s.size(); ++i) {
            const auto c = static_cast<char32_t>(s[i]);
            bool asText = !IsControl(c) && !IsSurrogate(c) && c <= MaxCodePoint;
            bool pair = false;
            if constexpr (sizeof(wchar_t) == 2) {
                pair = c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF;
                asText = asText || pair;
            }
            if (asText) {
                if (!quoted)
                    Out += L'\'';
                quoted = true;
                Out += s[i];
                if (pair)
                    Out += s[++i];
                else if (c == L'\'')
                    Out += L'\'';
            } else {
                if (quoted)
                    Out += L'\'';
                quoted = false;
                // Only a 32-bit wchar_t can hold a unit beyond Unicode; it has no text form.
                const char32_t code = c <= MaxCodePoint ? c : 0xFFFD;
                Out += L'#';
                Out += std::to_wstring(static_cast<unsigned long>(code));
            }
        }
        if (quoted)
            Out += L'\'';
    }
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// Entry points
// ---------------------------------------------------------------------------------------------

TLayoutObject ReadLayoutText(std::wstring_view text)
{
    return TParser(text).ParseLayout();
}

TLayoutObject ReadLayoutTextUtf8(std::string_view text)
{
    if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    return ReadLayoutText(Utf8ToWide(text));
}

std::wstring WriteLayoutText(const TLayoutObject& root)
{
    TWriter writer;
    writer.WriteObject(root, 0, 1);
    return std::move(writer.Out);
}

std::string WriteLayoutTextUtf8(const TLayoutObject& root)
{
    return WideToUtf8(WriteLayoutText(root));
}
