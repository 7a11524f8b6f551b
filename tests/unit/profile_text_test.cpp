// The one change the launcher makes to a settings file's text, line for line: where the value goes, and
// that nothing else moves.
#include <gtest/gtest.h>

#include <string>

#include "config/profile_text.h"

namespace qx {
namespace {

TEST(ProfileText, AWriteChangesOneLineOrAddsOneAndLeavesEveryOtherAsItWas) {
    const struct {
        const char* what;
        std::wstring before;
        std::wstring value;
        std::wstring after;
    } cases[] = {
        {"the key's line, in place, with its indentation",
         L"; c\n[JAVA runtime environment]\n\t jre path = old ;x\r\nMain Class=a\n", L"C:\\new\\",
         L"; c\n[JAVA runtime environment]\n\t JRE Path=C:\\new\\\r\nMain Class=a\n"},
        {"a line without \"=\" that hides the key", L"[Java Runtime Environment]\r\nJRE Path\r\n", L"x",
         L"[Java Runtime Environment]\r\nJRE Path=x\r\n"},
        {"after the section's last line, before blank lines and the next header",
         L"[Java Runtime Environment]\r\nMain Class=a  \r\n\r\n[Java Runtime Environment]\r\nJRE "
         L"Path=unread\r\n",
         L"x",
         L"[Java Runtime Environment]\r\nMain Class=a  \r\nJRE Path=x\r\n\r\n[Java Runtime "
         L"Environment]\r\nJRE Path=unread\r\n"},
        {"a new section after text without a final line end", L"[Application]\r\nk=v", L"x",
         L"[Application]\r\nk=v\r\n[Java Runtime Environment]\r\nJRE Path=x\r\n"},
        {"blanks and quotes around the value kept by quotes", L"", L" 'x' ",
         L"[Java Runtime Environment]\r\nJRE Path=\" 'x' \"\r\n"},
    };
    for (const auto& c : cases) {
        std::wstring text = c.before;
        ASSERT_TRUE(withProfileValue(text, L"Java Runtime Environment", L"JRE Path", c.value)) << c.what;
        EXPECT_EQ(text, c.after) << c.what;
    }
    // What no line can hold leaves the text alone.
    for (const auto& [key, value] : {std::pair<std::wstring, std::wstring>{L"JRE Path", L"a\rb"},
                                     {L"JRE Path", std::wstring(L"a\0b", 3)},
                                     {L"A=B", L"x"},
                                     {L"[A]", L"x"},
                                     {L" JRE Path", L"x"}}) {
        std::wstring text = L"[Java Runtime Environment]\r\n";
        EXPECT_FALSE(withProfileValue(text, L"Java Runtime Environment", key, value));
        EXPECT_EQ(text, L"[Java Runtime Environment]\r\n");
    }
}

}  // namespace
}  // namespace qx
