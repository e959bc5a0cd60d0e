// Where errors caught at the window system's edge go. The toolkit's window procedure, its hook
// and timer procedures and the message loop catch everything and call HandleCurrentException;
// the application object installs the handler that shows the error. No Windows header here.
#pragma once

#include <exception>
#include <functional>

// Called inside a catch block with the exception being handled; an empty function removes it.
using TExceptionHandler = std::function<void()>;
void SetExceptionHandler(TExceptionHandler handler);

// Hands the exception being handled to the installed handler (to an open TDeferredErrors
// batch, when there is one); without one the error is dropped rather than crossing
// window-system frames. Never throws.
void HandleCurrentException() noexcept;

// A batch of steps that must all run although one may fail (a DPI change scales every control
// even when a handler raises). While one is open, HandleCurrentException and Run keep the
// first error instead of reporting or raising it; RethrowFirst raises it after the last step,
// so that it is reported once. Batches nest: what an inner one raises is the outer one's to keep.
class TDeferredErrors {
public:
    TDeferredErrors();
    ~TDeferredErrors();
    TDeferredErrors(const TDeferredErrors&) = delete;
    TDeferredErrors& operator=(const TDeferredErrors&) = delete;

    // Runs step; with a batch open its error is kept and the caller goes on, else it propagates.
    static void Run(const std::function<void()>& step);
    // Closes the batch and raises its first error, if there was one.
    void RethrowFirst();

private:
    friend void HandleCurrentException() noexcept;
    void Keep(std::exception_ptr error) noexcept;

    TDeferredErrors* FOuter;
    std::exception_ptr FFirst;
    bool FOpen = true;
};
