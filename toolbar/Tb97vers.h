// The framework's version text: what the Version property of docks and tool windows reads.
// No Windows header here.
#pragma once

#include <string>

// Type of the Version property; reading gives Ruzevov97VersionText, writes are ignored and
// it is never stored with a form.
using TRuzevov97Version = std::wstring;

inline constexpr wchar_t Ruzevov97VersionText[] = L"Ruzevov97 version 1.78a";

// Read-only signature of the framework, kept in every program that holds it.
extern const wchar_t* const Sig;

// The value of every Version property: "Ruzevov97 version 1.78a".
TRuzevov97Version Ruzevov97Version();
