#include "IniFiles.h"

#include <algorithm>

#include "StrConv.h"

namespace {

constexpr DWORD ReadBufferSize = 2048;

// The private-profile functions look for a name without a separator or drive in the Windows
// directory and take anything else as a path. The file is created here with a byte-order
// mark before they first write it, so both must mean the same file.
std::wstring ProfilePath(const std::wstring& fileName)
{
    const bool plain = !fileName.empty() && fileName.find_first_of(L"\\/") == std::wstring::npos &&
                       (fileName.size() < 2 || fileName[1] != L':');
    wchar_t dir[MAX_PATH];
    const UINT n = plain ? GetWindowsDirectoryW(dir, MAX_PATH) : 0;
    if (n == 0 || n >= MAX_PATH)
        return fileName;
    std::wstring path(dir, n);
    if (path.back() != L'\\')
        path += L'\\';
    return path + fileName;
}

}  // namespace

TIniFile::TIniFile(std::wstring fileName) : FFileName(std::move(fileName)), FPath(ProfilePath(FFileName)) {}

std::wstring TIniFile::ReadString(const std::wstring& section, const std::wstring& ident,
                                  const std::wstring& def) const
{
    wchar_t buffer[ReadBufferSize];
    const DWORD n = GetPrivateProfileStringW(section.c_str(), ident.c_str(), def.c_str(), buffer, ReadBufferSize,
                                             FPath.c_str());
    return std::wstring(buffer, n);
}

// The private-profile functions write a new file in the ANSI code page unless it starts with
// a UTF-16 byte-order mark; a new file gets one, so any text survives the round trip.
void TIniFile::CreateUnicodeFile()
{
    if (GetFileAttributesW(FPath.c_str()) != INVALID_FILE_ATTRIBUTES)
        return;
    HANDLE file = CreateFileW(FPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;  // the write that follows reports it
    const unsigned char bom[2] = {0xFF, 0xFE};
    DWORD written = 0;
    WriteFile(file, bom, sizeof(bom), &written, nullptr);
    CloseHandle(file);
}

void TIniFile::Write(const wchar_t* section, const wchar_t* ident, const wchar_t* value)
{
    if (value)
        CreateUnicodeFile();
    if (!WritePrivateProfileStringW(section, ident, value, FPath.c_str()))
        throw EIniFileException(L"Unable to write to " + FFileName);
}

void TIniFile::WriteString(const std::wstring& section, const std::wstring& ident, const std::wstring& value)
{
    Write(section.c_str(), ident.c_str(), value.c_str());
}

int32_t TIniFile::ReadInteger(const std::wstring& section, const std::wstring& ident, int32_t def) const
{
    const std::wstring text = ReadString(section, ident, L"");
    int32_t value = def;
    TryStrToInt(text, value);
    return value;
}

void TIniFile::WriteInteger(const std::wstring& section, const std::wstring& ident, int32_t value)
{
    WriteString(section, ident, std::to_wstring(value));
}

bool TIniFile::ReadBool(const std::wstring& section, const std::wstring& ident, bool def) const
{
    return ReadInteger(section, ident, def ? 1 : 0) != 0;
}

void TIniFile::WriteBool(const std::wstring& section, const std::wstring& ident, bool value)
{
    WriteString(section, ident, value ? L"1" : L"0");
}

// The platform answers with NUL-separated names ending in a double NUL, and with size - 2 when
// the buffer was too small; then it is tried again with a larger one.
std::vector<std::wstring> TIniFile::ReadList(const wchar_t* section) const
{
    std::vector<wchar_t> buffer(4096);
    DWORD n = 0;
    for (;;) {
        const DWORD size = static_cast<DWORD>(buffer.size());
        n = section ? GetPrivateProfileStringW(section, nullptr, nullptr, buffer.data(), size, FPath.c_str())
                    : GetPrivateProfileSectionNamesW(buffer.data(), size, FPath.c_str());
        if (n < size - 2 || buffer.size() >= (size_t{1} << 24))
            break;
        buffer.resize(buffer.size() * 4);
    }
    std::vector<std::wstring> names;
    for (DWORD i = 0; i < n;) {
        std::wstring name(&buffer[i]);
        i += static_cast<DWORD>(name.size()) + 1;
        if (!name.empty())
            names.push_back(std::move(name));
    }
    return names;
}

std::vector<std::wstring> TIniFile::ReadSection(const std::wstring& section) const
{
    return ReadList(section.c_str());
}

std::vector<std::wstring> TIniFile::ReadSections() const
{
    return ReadList(nullptr);
}

bool TIniFile::SectionExists(const std::wstring& section) const
{
    return !ReadSection(section).empty();
}

bool TIniFile::ValueExists(const std::wstring& section, const std::wstring& ident) const
{
    const std::vector<std::wstring> idents = ReadSection(section);
    return std::any_of(idents.begin(), idents.end(), [&](const std::wstring& s) { return SameText(s, ident); });
}

void TIniFile::EraseSection(const std::wstring& section)
{
    Write(section.c_str(), nullptr, nullptr);
}

void TIniFile::DeleteKey(const std::wstring& section, const std::wstring& ident)
{
    Write(section.c_str(), ident.c_str(), nullptr);
}

void TIniFile::UpdateFile()
{
    // A flush of a file that was never written fails harmlessly; nothing to report.
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, FPath.c_str());
}
