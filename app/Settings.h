// What is kept between runs: one registry key, each value read on its own with its default (a
// missing value, one of another type or out of range gives the default, silently), all of them
// written at close.
//
// The key comes from one place, SetSettingsKey. Until a program names one, nothing is read or
// written: a form made without it (every test but the settings tests) sees a first run.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

// Where the program keeps its settings: HKEY_CURRENT_USER\Software\Tinteye.
constexpr const wchar_t* DefaultSettingsKey = L"Software\\Tinteye";

struct TSettingsKey {
    HKEY Root = nullptr;
    std::wstring Path;
    bool Named() const { return Root != nullptr && !Path.empty(); }
};
// An empty path: nothing kept.
void SetSettingsKey(HKEY Root, const std::wstring& Path);
const TSettingsKey& SettingsKey();

// An integer setting: its value name, its first-run value, the range it may take, and how the
// program reads and sets it. One line of the program's table each.
struct TIntSetting {
    const wchar_t* Name;
    int32_t Default;
    int32_t Min;
    int32_t Max;
    std::function<int32_t()> Get;
    std::function<void(int32_t)> Set;
};

// Reads and writes values of one key (opened for each call; nothing is held between them).
class TSettingsStore {
public:
    explicit TSettingsStore(TSettingsKey Key = SettingsKey()) : FKey(std::move(Key)) {}

    bool Named() const { return FKey.Named(); }
    // Whether the key exists: a first run has none.
    bool Exists() const;
    // A REG_DWORD within [Min, Max], else Default.
    int32_t ReadInt(const wchar_t* Name, int32_t Default, int32_t Min, int32_t Max) const;
    // A REG_SZ of at most MaxLength characters, else Default.
    std::wstring ReadString(const wchar_t* Name, const std::wstring& Default, size_t MaxLength) const;
    // Writes create the key. Failures are ignored: a setting that cannot be kept is not an error
    // the user can act on at close.
    void WriteInt(const wchar_t* Name, int32_t Value) const;
    void WriteString(const wchar_t* Name, const std::wstring& Value) const;
    // Deletes the key with everything below it.
    void Erase() const;
    // Deletes the key's values and the named subkeys, and the key itself only when nothing else
    // is below it: other programs' subkeys (the gallery's layout) are not ours to forget.
    void Forget(const std::vector<std::wstring>& Subkeys) const;

    // Each setting read on its own and set, or set to its default.
    void Load(const std::vector<TIntSetting>& Settings) const;
    void Save(const std::vector<TIntSetting>& Settings) const;
    static void Reset(const std::vector<TIntSetting>& Settings);

    const TSettingsKey& Key() const { return FKey; }

private:
    TSettingsKey FKey;
};
