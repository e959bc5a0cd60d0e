// Where errors caught at the window system's edge go. The toolkit's window procedure, its hook
// and timer procedures and the message loop catch everything and call HandleCurrentException;
// the application object installs the handler that shows the error. No Windows header here.
#pragma once

#include <functional>

// Called inside a catch block with the exception being handled; an empty function removes it.
using TExceptionHandler = std::function<void()>;
void SetExceptionHandler(TExceptionHandler handler);

// Hands the exception being handled to the installed handler; without one the error is
// dropped rather than crossing window-system frames. Never throws.
void HandleCurrentException() noexcept;
