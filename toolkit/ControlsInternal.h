// Shared by the files of the control classes; not part of the toolkit's interface.
#pragma once

#include "Controls.h"

namespace ControlsInternal {

// A non-windowed control holding the mouse through its parent's capture.
extern TControl* CaptureControl;

// The form a windowed control sits on: the top of its parent chain, when that is a form.
TWinControl* ParentForm(const TWinControl* control);

}  // namespace ControlsInternal
