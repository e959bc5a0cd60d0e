#include "Settings.h"

#include <utility>

namespace {

TSettingsKey& TheKey()
{
    static TSettingsKey key;
    return key;
}

// An open registry key, closed with the object.
class TOpenKey {
public:
    TOpenKey(const TSettingsKey& Key, bool Create)
    {
        if (!Key.Named())
            return;
        if (Create)
            RegCreateKeyExW(Key.Root, Key.Path.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &FKey, nullptr);
        else
            RegOpenKeyExW(Key.Root, Key.Path.c_str(), 0, KEY_READ, &FKey);
    }
    ~TOpenKey()
    {
        if (FKey)
            RegCloseKey(FKey);
    }
    TOpenKey(const TOpenKey&) = delete;
    TOpenKey& operator=(const TOpenKey&) = delete;
    HKEY Handle() const { return FKey; }

private:
    HKEY FKey = nullptr;
};

}  // namespace

void SetSettingsKey(HKEY Root, const std::wstring& Path)
{
    TheKey() = TSettingsKey{Path.empty() ? nullptr : Root, Path};
}

const TSettingsKey& SettingsKey()
{
    return TheKey();
}

bool TSettingsStore::Exists() const
{
    return TOpenKey(FKey, false).Handle() != nullptr;
}

int32_t TSettingsStore::ReadInt(const wchar_t* Name, int32_t Default, int32_t Min, int32_t Max) const
{
    const TOpenKey key(FKey, false);
    DWORD type = 0, value = 0, size = sizeof(value);
    if (!key.Handle() ||
        RegQueryValueExW(key.Handle(), Name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof(value))
        return Default;
    const auto v = static_cast<int32_t>(value);
    return v < Min || v > Max ? Default : v;
}

std::wstring TSettingsStore::ReadString(const wchar_t* Name, const std::wstring& Default, size_t MaxLength) const
{
    const TOpenKey key(FKey, false);
    DWORD type = 0, size = 0;
    if (!key.Handle() || RegQueryValueExW(key.Handle(), Name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_SZ || size > (MaxLength + 1) * sizeof(wchar_t))
        return Default;
    std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
    DWORD got = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (RegQueryValueExW(key.Handle(), Name, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &got) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return Default;
    text.resize(got / sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0')  // stored with or without its terminator
        text.pop_back();
    return text;
}

void TSettingsStore::WriteInt(const wchar_t* Name, int32_t Value) const
{
    const TOpenKey key(FKey, true);
    const auto value = static_cast<DWORD>(Value);
    if (key.Handle())
        RegSetValueExW(key.Handle(), Name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}

void TSettingsStore::WriteString(const wchar_t* Name, const std::wstring& Value) const
{
    const TOpenKey key(FKey, true);
    if (key.Handle())
        RegSetValueExW(key.Handle(), Name, 0, REG_SZ, reinterpret_cast<const BYTE*>(Value.c_str()),
                       static_cast<DWORD>((Value.size() + 1) * sizeof(wchar_t)));
}

void TSettingsStore::Forget(const std::vector<std::wstring>& Subkeys) const
{
    if (!FKey.Named())
        return;
    for (const std::wstring& subkey : Subkeys)
        TSettingsStore(TSettingsKey{FKey.Root, FKey.Path + L"\\" + subkey}).Erase();
    HKEY key = nullptr;
    if (RegOpenKeyExW(FKey.Root, FKey.Path.c_str(), 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return;
    // Deleting shifts the indices down: the first value is deleted until none is left.
    for (;;) {
        wchar_t name[256];
        DWORD length = 256;
        if (RegEnumValueW(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS ||
            RegDeleteValueW(key, name) != ERROR_SUCCESS)
            break;
    }
    RegCloseKey(key);
    RegDeleteKeyW(FKey.Root, FKey.Path.c_str());  // refused while another program's subkey is below
}

void TSettingsStore::Erase() const
{
    if (!FKey.Named())
        return;
    RegDeleteTreeW(FKey.Root, FKey.Path.c_str());  // what is below the key; then the key itself
    RegDeleteKeyW(FKey.Root, FKey.Path.c_str());
}

void TSettingsStore::Load(const std::vector<TIntSetting>& Settings) const
{
    for (const TIntSetting& s : Settings)
        s.Set(ReadInt(s.Name, s.Default, s.Min, s.Max));
}

void TSettingsStore::Save(const std::vector<TIntSetting>& Settings) const
{
    for (const TIntSetting& s : Settings)
        WriteInt(s.Name, s.Get());
}

void TSettingsStore::Reset(const std::vector<TIntSetting>& Settings)
{
    for (const TIntSetting& s : Settings)
        s.Set(s.Default);
}
