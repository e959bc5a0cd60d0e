// The registry through advapi32 (W forms): a current key below a root key, and an ini-like
// facade whose sections are subkeys.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "Classes.h"

// A value that cannot be written or read, or has another type than asked for.
class ERegistryException : public Exception {
public:
    explicit ERegistryException(std::wstring message) : Exception(std::move(message)) {}
};

enum TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

// Key paths starting with '\' are taken from the root key, others from the current key (or
// from the root when no key is open). Values are read and written in the current key, or the
// root key when none is open.
class TRegistry : public TObject {
public:
    explicit TRegistry(REGSAM access = KEY_ALL_ACCESS) : FAccess(access) {}
    ~TRegistry() override;
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    HKEY RootKey() const { return FRootKey; }
    void SetRootKey(HKEY value);  // closes the current key
    REGSAM Access() const { return FAccess; }
    void SetAccess(REGSAM value) { FAccess = value; }
    HKEY CurrentKey() const { return FCurrentKey; }
    // Path of the current key below the root, without a leading '\'; empty when none is open.
    const std::wstring& CurrentPath() const { return FCurrentPath; }

    // Opens (and with canCreate creates) key and makes it the current key. False when it
    // cannot be opened; the current key then stays as it was.
    bool OpenKey(const std::wstring& key, bool canCreate);
    bool OpenKeyReadOnly(const std::wstring& key);
    void CloseKey();
    bool KeyExists(const std::wstring& key) const;
    // Deletes the key with all its subkeys. False when it could not be deleted.
    bool DeleteKey(const std::wstring& key);
    bool HasSubKeys() const;
    std::vector<std::wstring> GetKeyNames() const;
    std::vector<std::wstring> GetValueNames() const;

    bool ValueExists(const std::wstring& name) const;
    TRegDataType GetDataType(const std::wstring& name) const;  // rdUnknown when missing
    bool DeleteValue(const std::wstring& name);

    // A missing value reads as the empty text; one of another type raises.
    std::wstring ReadString(const std::wstring& name) const;
    void WriteString(const std::wstring& name, const std::wstring& value);
    // REG_DWORD. A missing value or one of another type raises.
    int32_t ReadInteger(const std::wstring& name) const;
    void WriteInteger(const std::wstring& name, int32_t value);
    bool ReadBool(const std::wstring& name) const { return ReadInteger(name) != 0; }
    void WriteBool(const std::wstring& name, bool value) { WriteInteger(name, value ? 1 : 0); }

protected:
    HKEY BaseKey(bool relative) const;
    // The key path below the root that key names, and whether it is relative to the current key.
    std::wstring FullPath(const std::wstring& key, bool& relative) const;

private:
    HKEY FRootKey = HKEY_CURRENT_USER;
    HKEY FCurrentKey = nullptr;
    std::wstring FCurrentPath;
    REGSAM FAccess;
};

// Ini-file style access below a base key (root\fileName\section\ident). Integers are written
// as decimal text; strings and DWORD values both read back as integers.
class TRegIniFile : public TRegistry {
public:
    explicit TRegIniFile(const std::wstring& fileName, REGSAM access = KEY_ALL_ACCESS);
    TRegIniFile(HKEY rootKey, const std::wstring& fileName, REGSAM access = KEY_ALL_ACCESS);

    const std::wstring& FileName() const { return FFileName; }

    using TRegistry::DeleteKey;
    using TRegistry::ReadBool;
    using TRegistry::ReadInteger;
    using TRegistry::ReadString;
    using TRegistry::WriteBool;
    using TRegistry::WriteInteger;
    using TRegistry::WriteString;

    std::wstring ReadString(const std::wstring& section, const std::wstring& ident, const std::wstring& def);
    void WriteString(const std::wstring& section, const std::wstring& ident, const std::wstring& value);
    int32_t ReadInteger(const std::wstring& section, const std::wstring& ident, int32_t def);
    void WriteInteger(const std::wstring& section, const std::wstring& ident, int32_t value);
    bool ReadBool(const std::wstring& section, const std::wstring& ident, bool def);
    void WriteBool(const std::wstring& section, const std::wstring& ident, bool value);
    std::vector<std::wstring> ReadSection(const std::wstring& section);  // value names
    std::vector<std::wstring> ReadSections();                            // subkey names
    void EraseSection(const std::wstring& section);
    void DeleteKey(const std::wstring& section, const std::wstring& ident);

private:
    void Open();
    template <class F>
    auto InSection(const std::wstring& section, bool canCreate, F&& f) -> decltype(f(true));

    std::wstring FFileName;
};
