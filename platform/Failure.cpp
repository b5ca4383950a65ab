#include "platform/Failure.h"

namespace zo {

std::u16string FailureBoxText(std::u16string_view message) {
    std::u16string text(message);
    if (!text.empty() && text.back() > u'.') text += u'.';
    return text;
}

}  // namespace zo
