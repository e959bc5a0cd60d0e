// Initialisation files through the platform's private-profile functions (W forms).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "Classes.h"

// A value or section that cannot be written.
class EIniFileException : public Exception {
public:
    explicit EIniFileException(std::wstring message) : Exception(std::move(message)) {}
};

// A plain file name (no folder, no drive) means a file in the Windows directory, as for the
// private-profile functions. A file created by a write is UTF-16 (it starts with a byte-order
// mark), so any text fits.
class TIniFile : public TObject {
public:
    explicit TIniFile(std::wstring fileName);

    const std::wstring& FileName() const { return FFileName; }  // as given

    // Texts longer than 2047 characters are read cut to 2047.
    std::wstring ReadString(const std::wstring& section, const std::wstring& ident, const std::wstring& def) const;
    void WriteString(const std::wstring& section, const std::wstring& ident, const std::wstring& value);
    // Decimal, or hexadecimal after "0x"/"0X" (or "$"); text that does not convert gives def.
    int32_t ReadInteger(const std::wstring& section, const std::wstring& ident, int32_t def) const;
    void WriteInteger(const std::wstring& section, const std::wstring& ident, int32_t value);
    // Any integer other than 0 is true; written as "1" or "0".
    bool ReadBool(const std::wstring& section, const std::wstring& ident, bool def) const;
    void WriteBool(const std::wstring& section, const std::wstring& ident, bool value);

    std::vector<std::wstring> ReadSection(const std::wstring& section) const;  // idents, in file order
    std::vector<std::wstring> ReadSections() const;
    bool SectionExists(const std::wstring& section) const;
    bool ValueExists(const std::wstring& section, const std::wstring& ident) const;
    void EraseSection(const std::wstring& section);
    void DeleteKey(const std::wstring& section, const std::wstring& ident);
    // Flushes the platform's cache of the file to disk.
    void UpdateFile();

private:
    void CreateUnicodeFile();
    void Write(const wchar_t* section, const wchar_t* ident, const wchar_t* value);
    std::vector<std::wstring> ReadList(const wchar_t* section) const;

    std::wstring FFileName;
    std::wstring FPath;  // where the file is: the Windows directory for a plain name
};
