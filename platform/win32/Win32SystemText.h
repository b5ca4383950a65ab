#pragma once
#include "platform/SystemText.h"

namespace zo {

// FormatMessageW from the system's message table, default language search order.
class Win32SystemText : public virtual ISystemText {
public:
    std::u16string SystemMessage(uint32_t code) override;
};

}  // namespace zo
