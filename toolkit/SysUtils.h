// Exceptions and small platform-free helpers of the toolkit. No Windows header here.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>
#include <utility>

// Base of every error the toolkit and its users raise: it carries the message shown to the user.
class Exception : public std::exception {
public:
    explicit Exception(std::wstring message);
    const std::wstring& Message() const noexcept { return FMessage; }
    const char* what() const noexcept override { return FNarrow.c_str(); }

private:
    std::wstring FMessage;
    std::string FNarrow;  // UTF-8 copy for what()
};

#define TOOLKIT_EXCEPTION(Name)                                      \
    class Name : public Exception {                                  \
    public:                                                          \
        explicit Name(std::wstring message) : Exception(std::move(message)) {} \
    }

TOOLKIT_EXCEPTION(EInvalidOperation);
TOOLKIT_EXCEPTION(EListError);
TOOLKIT_EXCEPTION(EConvertError);
TOOLKIT_EXCEPTION(EOutOfResources);
TOOLKIT_EXCEPTION(EReadError);  // a stored layout that cannot be read

#undef TOOLKIT_EXCEPTION

// Case-insensitive for ASCII letters, as component and property names compare.
bool SameText(std::wstring_view a, std::wstring_view b);
