#include "ErrorReport.h"

#include <utility>

namespace {

TExceptionHandler& Handler()
{
    static TExceptionHandler handler;
    return handler;
}

}  // namespace

void SetExceptionHandler(TExceptionHandler handler)
{
    Handler() = std::move(handler);
}

void HandleCurrentException() noexcept
{
    try {
        if (Handler())
            Handler()();
    } catch (...) {
    }
}
