// The error box's full-stop rule.
#include "platform/fullstop.h"
#include "platform/codepage.h"

#include <gtest/gtest.h>

namespace didu {
namespace {

TEST(FullStop, AppendedAfterAnythingAboveAFullStop)
{
    struct Case {
        std::string message;
        std::string shown;
    };
    const std::vector<Case> cases = {
        {"Unable to execute Query", "Unable to execute Query."},
        {"Record not found or changed by another user", "Record not found or changed by another user."},
        {"Error 42", "Error 42."},
        {"Done.", "Done."},
        {"Stop!", "Stop!"},
        {"(see above)", "(see above)"},
        {"a,", "a,"},
        {"a-", "a-"},
        {"trailing space ", "trailing space "},
        {"line\r\n", "line\r\n"},
        {"", ""},
        {"/", "/."},    // 47, just above "."
        {"a:", "a:."},
        {"\x7f", "\x7f."},
        {"\xe8\xb3\x87\xe6\x96\x99", "\xe8\xb3\x87\xe6\x96\x99."}, // ends in a Chinese character
        {"\xe5\xae\x8c\xe6\x88\x90.", "\xe5\xae\x8c\xe6\x88\x90."},
    };
    const CodePage utf8 = CodePage::named("UTF-8");
    for (const auto& c : cases)
        EXPECT_EQ(withFullStop(c.message, utf8), c.shown) << testing::PrintToString(c.message);
}

TEST(FullStop, DoubleByteLastCharacterAlwaysCounts)
{
    // Under Big5 a character may end in a byte such as 0x40 ("@"), which counts
    // by the character, not by its byte; and a lone byte "-" stays as it is.
    const CodePage big5 = CodePage::named("BIG5");
    EXPECT_EQ(withFullStop("\xa7\x40", big5), "\xa7\x40.");
    EXPECT_EQ(withFullStop("\xb8\xea\xae\xc6", big5), "\xb8\xea\xae\xc6.");
    EXPECT_EQ(withFullStop("\xb8\xea-", big5), "\xb8\xea-");
    EXPECT_FALSE(needsFullStop("", big5));
    // In ASCII every byte is a character.
    EXPECT_FALSE(needsFullStop("\xb8\xea-", CodePage()));
}

} // namespace
} // namespace didu
