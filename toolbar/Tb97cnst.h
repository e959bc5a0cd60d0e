// The framework's message catalogue: string resources with fixed identifiers (Tb97cnst.rc,
// linked into each executable through the toolbar_resources object library), loaded when
// raised: throw EInvalidOperation(LoadTB97String(STB97DockParentNotAllowed));
#pragma once

#include <string>

enum TTB97StringId : unsigned int {
    STB97ToolbarControlNotChildOfToolbar = 65296,
    STB97SepParentNotAllowed = 65297,
    STB97DockParentNotAllowed = 65323,
    STB97DockCannotChangePosition = 65324,
    STB97ToolwinNameNotSet = 65325,
    STB97ToolwinDockedToNameNotSet = 65326,
    STB97ToolwinParentNotAllowed = 65327,
};

// The text of string resource Ident of the module holding the framework. When the program
// lacks it, a text that names the identifier and says what is missing.
std::wstring LoadTB97String(unsigned int Ident);
