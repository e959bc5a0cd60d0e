// The toolbar gallery: a form with docks on all four edges and tool windows in the framework's
// looks (tiled transparent background, bound lines, grip styles, a docked close button) and a
// floating tool window with a long caption. The project's visual reference. Its "Layout" bar
// saves and loads the tool windows' positions to its initialisation file or the registry.
#pragma once

#include <string>

#include "Forms.h"

class TToolWindow97;

class TGalleryForm : public TForm {
public:
    // At (40, 40) on the screen, scaled to the DPI of its monitor; the floating tool window
    // to the right of it.
    explicit TGalleryForm(TComponent* AOwner);
    TToolWindow97* Floating() const { return FFloating; }

    // Gallery.ini beside the program; the registry key is under HKEY_CURRENT_USER.
    static std::wstring LayoutFile();
    static const wchar_t* const LayoutKey;
    void SaveLayout(bool toRegistry);
    void LoadLayout(bool fromRegistry);

private:
    TToolWindow97* FFloating = nullptr;
};
