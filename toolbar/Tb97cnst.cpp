#include "Tb97cnst.h"

#include <windows.h>

namespace {

// The framework may end up in a DLL as well as in the executable: its resources are looked
// up in the module that holds this code.
HMODULE FrameworkModule()
{
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCWSTR>(&FrameworkModule), &module))
        module = GetModuleHandleW(nullptr);
    return module;
}

}  // namespace

std::wstring LoadTB97String(unsigned int Ident)
{
    // A zero buffer size gives a pointer to the resource's own text, whatever its length.
    const wchar_t* text = nullptr;
    const int length = LoadStringW(FrameworkModule(), Ident, reinterpret_cast<LPWSTR>(&text), 0);
    if (length > 0 && text)
        return std::wstring(text, static_cast<size_t>(length));
    return L"Toolbar framework message " + std::to_wstring(Ident) +
           L" is missing: the program was linked without its string resources (toolbar_resources)";
}
