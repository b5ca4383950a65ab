// The system's descriptions of error codes.
#pragma once
#include <cstdint>
#include <string>

namespace zo {

class ISystemText {
public:
    virtual ~ISystemText() = default;
    // The system's text for an error code as the system gives it; empty when it has none.
    virtual std::u16string SystemMessage(uint32_t code) = 0;
};

// The system's text with every trailing character of code 32 or lower, and every trailing ".",
// removed; empty when the system has no text.
std::u16string SysErrorMessage(ISystemText& text, uint32_t code);

}  // namespace zo
