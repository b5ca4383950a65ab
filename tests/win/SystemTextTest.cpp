#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "WinTestMain.h"
#include "platform/SystemText.h"
#include "platform/win32/Win32SystemText.h"

TEST(Win32SystemText, GivesTheSystemsDescriptionWithoutTrailingFullStop) {
    zo::Win32SystemText text;
    std::u16string raw = text.SystemMessage(5);
    ASSERT_FALSE(raw.empty());
    std::u16string trimmed = zo::SysErrorMessage(text, 5);
    ASSERT_FALSE(trimmed.empty());
    EXPECT_NE(trimmed.back(), u'.');
    EXPECT_NE(trimmed.back(), u'\n');
    EXPECT_EQ(raw.compare(0, trimmed.size(), trimmed), 0);
}

// The programs' own helpers for the runtime's misuse errors expand the runtime's messages to the
// same text (a text, sizes), and the failure is still caught as a std::exception.
TEST(RuntimeErrors, KeepTheRuntimesTexts) {
    const std::u16string text = u"ab";
    const std::vector<int> numbers{1};
    const std::pair<std::function<void()>, const char*> rows[] = {
        {[&] { (void)text.at(5); }, "basic_string::at: __n (which is 5) >= this->size() (which is 2)"},
        {[&] { (void)text.substr(3); },
         "basic_string::substr: __pos (which is 3) > this->size() (which is 2)"},
        {[&] { (void)std::u16string_view(text).substr(4294967295u); },
         "basic_string_view::substr: __pos (which is 4294967295) > __size (which is 2)"},
        {[&] { (void)numbers.at(4); }, "vector::_M_range_check: __n (which is 4) >= this->size() (which is 1)"},
        {[&] {
             std::u16string big;
             big.reserve(big.max_size() + 1);
         },
         "basic_string::_M_create"},
    };
    for (const auto& [misuse, expected] : rows) {
        try {
            misuse();
            ADD_FAILURE() << "no failure for " << expected;
        } catch (const std::exception& e) {
            EXPECT_STREQ(e.what(), expected);
        }
    }
}
