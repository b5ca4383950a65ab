#include "platform/SystemText.h"

namespace zo {

std::u16string SysErrorMessage(ISystemText& text, uint32_t code) {
    std::u16string s = text.SystemMessage(code);
    while (!s.empty() && (s.back() <= 32 || s.back() == u'.')) s.pop_back();
    return s;
}

}  // namespace zo
