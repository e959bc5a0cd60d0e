#include "ErrorReport.h"

#include <utility>

namespace {

TExceptionHandler& Handler()
{
    static TExceptionHandler handler;
    return handler;
}

// The innermost open batch of the user-interface thread.
thread_local TDeferredErrors* OpenBatch = nullptr;

}  // namespace

void SetExceptionHandler(TExceptionHandler handler)
{
    Handler() = std::move(handler);
}

void HandleCurrentException() noexcept
{
    if (OpenBatch) {
        OpenBatch->Keep(std::current_exception());
        return;
    }
    try {
        if (Handler())
            Handler()();
    } catch (...) {
    }
}

TDeferredErrors::TDeferredErrors() : FOuter(OpenBatch)
{
    OpenBatch = this;
}

TDeferredErrors::~TDeferredErrors()
{
    if (FOpen)
        OpenBatch = FOuter;
}

void TDeferredErrors::Keep(std::exception_ptr error) noexcept
{
    if (!FFirst)
        FFirst = std::move(error);
}

void TDeferredErrors::Run(const std::function<void()>& step)
{
    if (!OpenBatch) {
        step();
        return;
    }
    try {
        step();
    } catch (...) {
        OpenBatch->Keep(std::current_exception());
    }
}

void TDeferredErrors::RethrowFirst()
{
    if (FOpen) {
        OpenBatch = FOuter;
        FOpen = false;
    }
    if (FFirst)
        std::rethrow_exception(std::exchange(FFirst, nullptr));
}
