// The toolkit's one guard: runs its action when the scope ends, by return or exception.
#pragma once

#include <exception>
#include <utility>

// An exception from the action propagates unless another one is already on its way out,
// which then wins.
template <class F>
class TScopeExit {
public:
    explicit TScopeExit(F action) : FAction(std::move(action)), FUncaught(std::uncaught_exceptions()) {}
    ~TScopeExit() noexcept(false)
    {
        if (std::uncaught_exceptions() == FUncaught) {
            FAction();
            return;
        }
        try {
            FAction();
        } catch (...) {
        }
    }
    TScopeExit(const TScopeExit&) = delete;
    TScopeExit& operator=(const TScopeExit&) = delete;

private:
    F FAction;
    int FUncaught;
};
