// The toolbar gallery: a form with docks on all four edges and tool windows in the framework's
// looks (tiled transparent background, bound lines, grip styles, a docked close button) and a
// floating tool window with a long caption. The project's visual reference.
#pragma once

#include "Forms.h"

class TToolWindow97;

class TGalleryForm : public TForm {
public:
    // At (40, 40) on the screen; the floating tool window to the right of it.
    explicit TGalleryForm(TComponent* AOwner);
    TToolWindow97* Floating() const { return FFloating; }

private:
    TToolWindow97* FFloating = nullptr;
};
