#include "Registry.h"

#include "ScopeExit.h"
#include "StrConv.h"

namespace {

std::wstring Trimmed(const std::wstring& key)
{
    size_t b = 0, e = key.size();
    while (b < e && key[b] == L'\\')
        ++b;
    while (e > b && key[e - 1] == L'\\')
        --e;
    return key.substr(b, e - b);
}

std::wstring Joined(const std::wstring& a, const std::wstring& b)
{
    if (a.empty())
        return b;
    if (b.empty())
        return a;
    return a + L"\\" + b;
}

// Deletes key below parent with everything under it (RegDeleteTree is not on every system).
LSTATUS DeleteTree(HKEY parent, const std::wstring& key)
{
    HKEY k = nullptr;
    LSTATUS rc = RegOpenKeyExW(parent, key.c_str(), 0, KEY_READ | KEY_WRITE, &k);
    if (rc != ERROR_SUCCESS)
        return rc;
    for (;;) {
        wchar_t name[256];
        DWORD len = 256;
        if (RegEnumKeyExW(k, 0, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        if (DeleteTree(k, name) != ERROR_SUCCESS)
            break;
    }
    RegCloseKey(k);
    return RegDeleteKeyW(parent, key.c_str());
}

}  // namespace

TRegistry::~TRegistry()
{
    CloseKey();
}

void TRegistry::SetRootKey(HKEY value)
{
    if (value == FRootKey)
        return;
    CloseKey();
    FRootKey = value;
}

HKEY TRegistry::BaseKey(bool relative) const
{
    return relative && FCurrentKey ? FCurrentKey : FRootKey;
}

std::wstring TRegistry::FullPath(const std::wstring& key, bool& relative) const
{
    relative = key.empty() || key[0] != L'\\';
    const std::wstring path = Trimmed(key);
    return relative ? Joined(FCurrentPath, path) : path;
}

bool TRegistry::OpenKey(const std::wstring& key, bool canCreate)
{
    bool relative = false;
    const std::wstring full = FullPath(key, relative);
    const std::wstring sub = Trimmed(key);
    HKEY opened = nullptr;
    LSTATUS rc;
    if (canCreate && !sub.empty())
        rc = RegCreateKeyExW(BaseKey(relative), sub.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, FAccess, nullptr,
                             &opened, nullptr);
    else
        rc = RegOpenKeyExW(BaseKey(relative), sub.c_str(), 0, FAccess, &opened);
    if (rc != ERROR_SUCCESS)
        return false;
    CloseKey();
    FCurrentKey = opened;
    FCurrentPath = full;
    return true;
}

bool TRegistry::OpenKeyReadOnly(const std::wstring& key)
{
    const REGSAM saved = FAccess;
    FAccess = KEY_READ;
    const bool ok = OpenKey(key, false);
    FAccess = saved;
    return ok;
}

void TRegistry::CloseKey()
{
    if (FCurrentKey)
        RegCloseKey(FCurrentKey);
    FCurrentKey = nullptr;
    FCurrentPath.clear();
}

bool TRegistry::KeyExists(const std::wstring& key) const
{
    bool relative = false;
    FullPath(key, relative);
    HKEY k = nullptr;
    if (RegOpenKeyExW(BaseKey(relative), Trimmed(key).c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS)
        return false;
    RegCloseKey(k);
    return true;
}

bool TRegistry::DeleteKey(const std::wstring& key)
{
    bool relative = false;
    const std::wstring full = FullPath(key, relative);
    const std::wstring sub = Trimmed(key);
    if (sub.empty())
        return false;
    // The current key cannot stay open on a key that is going away.
    // Key names ignore case.
    const bool underCurrent =
        SameText(FCurrentPath, full) ||
        (FCurrentPath.size() > full.size() && FCurrentPath[full.size()] == L'\\' &&
         SameText(std::wstring_view(FCurrentPath).substr(0, full.size()), full));
    if (FCurrentKey && underCurrent) {
        CloseKey();
        return DeleteTree(FRootKey, full) == ERROR_SUCCESS;
    }
    return DeleteTree(BaseKey(relative), sub) == ERROR_SUCCESS;
}

bool TRegistry::HasSubKeys() const
{
    DWORD count = 0;
    return RegQueryInfoKeyW(BaseKey(true), nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr,
                            nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
           count > 0;
}

std::vector<std::wstring> TRegistry::GetKeyNames() const
{
    std::vector<std::wstring> names;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD len = 256;
        if (RegEnumKeyExW(BaseKey(true), i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.emplace_back(name, len);
    }
    return names;
}

std::vector<std::wstring> TRegistry::GetValueNames() const
{
    std::vector<std::wstring> names;
    for (DWORD i = 0;; ++i) {
        wchar_t name[16384];
        DWORD len = 16384;
        if (RegEnumValueW(BaseKey(true), i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.emplace_back(name, len);
    }
    return names;
}

bool TRegistry::ValueExists(const std::wstring& name) const
{
    return RegQueryValueExW(BaseKey(true), name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

TRegDataType TRegistry::GetDataType(const std::wstring& name) const
{
    DWORD type = 0;
    if (RegQueryValueExW(BaseKey(true), name.c_str(), nullptr, &type, nullptr, nullptr) != ERROR_SUCCESS)
        return rdUnknown;
    switch (type) {
    case REG_SZ: return rdString;
    case REG_EXPAND_SZ: return rdExpandString;
    case REG_DWORD: return rdInteger;
    case REG_BINARY: return rdBinary;
    default: return rdUnknown;
    }
}

bool TRegistry::DeleteValue(const std::wstring& name)
{
    return RegDeleteValueW(BaseKey(true), name.c_str()) == ERROR_SUCCESS;
}

std::wstring TRegistry::ReadString(const std::wstring& name) const
{
    // One query for the usual short value: into a buffer on the stack, a second one only when
    // the value is longer (a query costs a round trip to the registry).
    wchar_t local[128];
    DWORD type = 0;
    DWORD got = sizeof(local);
    LSTATUS rc = RegQueryValueExW(BaseKey(true), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(local), &got);
    if (rc != ERROR_SUCCESS && rc != ERROR_MORE_DATA)
        return std::wstring();
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        throw ERegistryException(L"Invalid data type for '" + name + L"'");
    std::wstring text;
    if (rc == ERROR_SUCCESS) {
        text.assign(local, got / sizeof(wchar_t));
    } else {
        // The value may change between queries; ERROR_MORE_DATA asks for another round.
        for (;;) {
            text.assign(got / sizeof(wchar_t) + 1, L'\0');
            got = static_cast<DWORD>(text.size() * sizeof(wchar_t));
            rc = RegQueryValueExW(BaseKey(true), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(text.data()),
                                  &got);
            if (rc == ERROR_MORE_DATA)
                continue;
            if (rc != ERROR_SUCCESS)
                throw ERegistryException(L"Failed to get data for '" + name + L"'");
            if (type != REG_SZ && type != REG_EXPAND_SZ)
                throw ERegistryException(L"Invalid data type for '" + name + L"'");
            text.resize(got / sizeof(wchar_t));
            break;
        }
    }
    while (!text.empty() && text.back() == L'\0')
        text.pop_back();
    return text;
}

void TRegistry::WriteString(const std::wstring& name, const std::wstring& value)
{
    const DWORD bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
    if (RegSetValueExW(BaseKey(true), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), bytes) !=
        ERROR_SUCCESS)
        throw ERegistryException(L"Failed to set data for '" + name + L"'");
}

int32_t TRegistry::ReadInteger(const std::wstring& name) const
{
    DWORD type = 0, value = 0, size = sizeof(value);
    const LSTATUS rc =
        RegQueryValueExW(BaseKey(true), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    if (rc == ERROR_SUCCESS && type != REG_DWORD)
        throw ERegistryException(L"Invalid data type for '" + name + L"'");
    if (rc != ERROR_SUCCESS)
        throw (rc == ERROR_MORE_DATA ? ERegistryException(L"Invalid data type for '" + name + L"'")
                                     : ERegistryException(L"Failed to get data for '" + name + L"'"));
    return static_cast<int32_t>(value);
}

void TRegistry::WriteInteger(const std::wstring& name, int32_t value)
{
    const DWORD v = static_cast<DWORD>(value);
    if (RegSetValueExW(BaseKey(true), name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof(v)) !=
        ERROR_SUCCESS)
        throw ERegistryException(L"Failed to set data for '" + name + L"'");
}

// ---- TRegIniFile ----------------------------------------------------------------------------

TRegIniFile::TRegIniFile(const std::wstring& fileName, REGSAM access) : TRegistry(access), FFileName(fileName)
{
    Open();
}

TRegIniFile::TRegIniFile(HKEY rootKey, const std::wstring& fileName, REGSAM access)
    : TRegistry(access), FFileName(fileName)
{
    SetRootKey(rootKey);
    Open();
}

void TRegIniFile::Open()
{
    if (!OpenKey(L"\\" + FFileName, true))
        throw ERegistryException(L"Failed to create key " + FFileName);
}

// Runs f(opened) with the section's subkey as the current key, then goes back to the base key
// (also when f raises). An empty section means the base key itself.
template <class F>
auto TRegIniFile::InSection(const std::wstring& section, bool canCreate, F&& f) -> decltype(f(true))
{
    if (section.empty())
        return f(true);
    TScopeExit restore([this, path = CurrentPath()] {
        if (CurrentPath() != path)
            OpenKey(L"\\" + path, false);
    });
    return f(OpenKey(section, canCreate));
}

std::wstring TRegIniFile::ReadString(const std::wstring& section, const std::wstring& ident, const std::wstring& def)
{
    return InSection(section, false, [&](bool opened) {
        return opened && ValueExists(ident) ? TRegistry::ReadString(ident) : def;
    });
}

void TRegIniFile::WriteString(const std::wstring& section, const std::wstring& ident, const std::wstring& value)
{
    InSection(section, true, [&](bool opened) {
        if (!opened)
            throw ERegistryException(L"Failed to create key " + section);
        TRegistry::WriteString(ident, value);
    });
}

int32_t TRegIniFile::ReadInteger(const std::wstring& section, const std::wstring& ident, int32_t def)
{
    return InSection(section, false, [&](bool opened) {
        if (!opened || !ValueExists(ident))
            return def;
        if (GetDataType(ident) == rdInteger)
            return TRegistry::ReadInteger(ident);
        int32_t value = def;
        TryStrToInt(TRegistry::ReadString(ident), value);
        return value;
    });
}

void TRegIniFile::WriteInteger(const std::wstring& section, const std::wstring& ident, int32_t value)
{
    WriteString(section, ident, std::to_wstring(value));
}

bool TRegIniFile::ReadBool(const std::wstring& section, const std::wstring& ident, bool def)
{
    return ReadInteger(section, ident, def ? 1 : 0) != 0;
}

void TRegIniFile::WriteBool(const std::wstring& section, const std::wstring& ident, bool value)
{
    WriteInteger(section, ident, value ? 1 : 0);
}

std::vector<std::wstring> TRegIniFile::ReadSection(const std::wstring& section)
{
    return InSection(section, false, [&](bool opened) {
        return opened ? GetValueNames() : std::vector<std::wstring>();
    });
}

std::vector<std::wstring> TRegIniFile::ReadSections()
{
    return GetKeyNames();
}

void TRegIniFile::EraseSection(const std::wstring& section)
{
    if (!section.empty())
        TRegistry::DeleteKey(section);
}

void TRegIniFile::DeleteKey(const std::wstring& section, const std::wstring& ident)
{
    InSection(section, false, [&](bool opened) {
        if (opened)
            DeleteValue(ident);
    });
}
