#include "ErrorReport.h"
#include "SysUtils.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

TEST(ErrorReport, TheInstalledHandlerSeesTheExceptionAndNothingEscapes)
{
    std::wstring seen;
    SetExceptionHandler([&] {
        try {
            throw;
        } catch (const Exception& e) {
            seen = e.Message();
        }
    });
    try {
        throw EInvalidOperation(L"bad move");
    } catch (...) {
        HandleCurrentException();
    }
    EXPECT_EQ(seen, L"bad move");

    // A handler that fails, or one that lets a foreign exception through, stops here.
    bool reached = false;
    EXPECT_NO_THROW({
        try {
            throw std::runtime_error("not ours");
        } catch (...) {
            HandleCurrentException();
            reached = true;
        }
    });
    EXPECT_TRUE(reached);

    // Without a handler the error is dropped.
    SetExceptionHandler(nullptr);
    seen.clear();
    EXPECT_NO_THROW({
        try {
            throw EInvalidOperation(L"unseen");
        } catch (...) {
            HandleCurrentException();
        }
    });
    EXPECT_TRUE(seen.empty());
}
