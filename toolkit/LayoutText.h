// The stored layout text: a tree of objects with their properties, read from and written to a
// human-readable text of nested "object ... end" blocks. Platform-free; binding the tree to
// components is done elsewhere.
//
//   object MainForm: TMainForm
//     Left = 719
//     Caption = 'jp.example::Tinteye'
//     Font.Style = []
//     OnClose = FormClose
//     object Dock971: TDock97
//     end
//   end
//
// Grammar (blanks, tabs and line breaks separate tokens anywhere; keywords are case-insensitive):
//   layout   := object <end of text>
//   object   := "object" [Name ":"] ClassName { property | object } "end"
//   property := DottedName "=" value
//   value    := integer | string | DottedName | set | binary | list
//   integer  := ["-"] (digits | "$" hexdigits)            fits in int64_t
//   string   := segment { segment } { "+" segment { segment } }
//   segment  := "'" { char | "''" } "'" | "#" digits | "#$" hexdigits   (no blanks inside a
//               segment run; a quoted part ends on its line; #n is a code point 0..0x10FFFF)
//   set      := "[" [Name { "," Name }] "]"
//   binary   := "{" { hexdigit | blank | line break } "}"      an even number of digits
//   list     := "(" { value } ")"
//   Name     := [A-Za-z_][A-Za-z0-9_]*   DottedName := Name { "." Name }
// The keywords "object" and "end" are never names, identifier values or set elements.
// Properties and child objects may come in any order; each keeps its own order. Objects and the
// lists inside them count toward one nesting depth of at most LayoutMaxNesting (the outermost
// object is 1). A leading U+FEFF is skipped.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum TLayoutValueKind : uint8_t { lvInteger, lvString, lvIdent, lvSet, lvBinary, lvList };

// Line fields give the 1-based line a node was read from (0 when built in code); they take no
// part in comparisons. Only the fields of the value's kind are compared and written.
struct TLayoutValue {
    TLayoutValueKind Kind = lvInteger;
    int64_t Integer = 0;             // lvInteger
    std::wstring Text;               // lvString: the text; lvIdent: the (possibly dotted) name
    std::vector<std::wstring> Items; // lvSet
    std::vector<uint8_t> Binary;     // lvBinary
    std::vector<TLayoutValue> List;  // lvList
    int Line = 0;

    static TLayoutValue FromInteger(int64_t value);
    static TLayoutValue FromString(std::wstring text);
    static TLayoutValue FromIdent(std::wstring name);
    static TLayoutValue FromSet(std::vector<std::wstring> items);
    static TLayoutValue FromBinary(std::vector<uint8_t> bytes);
    static TLayoutValue FromList(std::vector<TLayoutValue> items);
};

struct TLayoutProperty {
    std::wstring Name;  // possibly dotted: "Font.Name"
    TLayoutValue Value;
    int Line = 0;
};

struct TLayoutObject {
    std::wstring Name;  // empty when the header names only the class
    std::wstring ClassName;
    std::vector<TLayoutProperty> Properties;  // in text order
    std::vector<TLayoutObject> Children;      // in text order
    int Line = 0;

    // First property with this exact name, or nullptr.
    const TLayoutProperty* FindProperty(std::wstring_view name) const;
};

bool operator==(const TLayoutValue& a, const TLayoutValue& b);
bool operator==(const TLayoutProperty& a, const TLayoutProperty& b);
bool operator==(const TLayoutObject& a, const TLayoutObject& b);

constexpr int LayoutMaxNesting = 64;

// Raise EReadError "Line <n>: <what went wrong>", for example
// "Line 7: expected '=' after property name 'Left', found '719'".
TLayoutObject ReadLayoutText(std::wstring_view text);
// UTF-8 input, with or without a byte-order mark; malformed bytes become U+FFFD.
TLayoutObject ReadLayoutTextUtf8(std::string_view text);

// Two-space indentation, "\n" line ends, a final line break. Control characters and code units
// that are not valid text are written as #n; everything else as is. Raises EInvalidOperation
// when a name in the tree cannot be written so that it reads back (not an identifier).
std::wstring WriteLayoutText(const TLayoutObject& root);
std::string WriteLayoutTextUtf8(const TLayoutObject& root);
