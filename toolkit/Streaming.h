// Reading components from a stored layout tree and writing them back. Platform-free.
#pragma once

#include <string>

#include "Classes.h"
#include "LayoutText.h"

// Reads the tree into root: root's own properties, then its children, created with root as their
// owner. References between components are resolved once everything is read; then every
// component read gets Loaded. Errors raise EReadError naming the line.
void ReadComponentFromText(TComponent* root, const TLayoutObject& tree);

// Writes component (normally a root such as a form) with every stored property and, below it,
// the components that GetChildren gives for root.
TLayoutObject WriteComponentToTree(TComponent* component, TComponent* root);
inline TLayoutObject WriteComponentToTree(TComponent* root)
{
    return WriteComponentToTree(root, root);
}
