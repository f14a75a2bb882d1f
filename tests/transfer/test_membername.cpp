// The member name cut and trim under each kind of code page.
#include "tests/transfer/transferfixture.h"

#include "platform/codepage.h"
#include "transfer/membername.h"

#include <gtest/gtest.h>

#include <string>

namespace didu {
namespace {

using test::repeat;

struct NameCase {
    const char* what;
    std::string name;
    std::string expected;
};

void expectNames(const std::vector<NameCase>& cases, const CodePage& codePage)
{
    for (const auto& c : cases)
        EXPECT_EQ(memberName(c.name, codePage), c.expected) << c.what;
}

TEST(MemberName, SingleByteCutComesBeforeTrim)
{
    expectNames(
        {
            {"empty", "", ""},
            {"short name whole", "Ann Lee", "Ann Lee"},
            {"exactly 20", std::string(20, 'a'), std::string(20, 'a')},
            {"25 letters keep the first 20", "ABCDEFGHIJKLMNOPQRSTUVWXY", "ABCDEFGHIJKLMNOPQRST"},
            {"ten blanks count toward the cut", std::string(10, ' ') + "abcdefghijklmnop", "abcdefghij"},
            {"tab and space ends, inner spaces kept", "\tAnn  Lee ", "Ann  Lee"},
            {"space front, tab back", " Bo Yu\t", "Bo Yu"},
            {"blanks only", std::string(30, ' '), ""},
            {"control bytes and NUL trimmed", std::string("\x01\x1f" "Cid\0\x20", 7), "Cid"},
            {"0x21 and above never removed", "!x~\x7f", "!x~\x7f"},
            {"blank at byte 20 trimmed after the cut", std::string(19, 'b') + " c", std::string(19, 'b')},
            {"high bytes are plain bytes without lead bytes", std::string(22, '\xe9'), std::string(20, '\xe9')},
        },
        CodePage());
}

TEST(MemberName, Big5CharactersAreNeverSplit)
{
    const std::string chinese = "\xa4\xa4"; // one Big5 character
    const std::string backslashTrail = "\xb3\x5c"; // its second byte looks like "\"
    expectNames(
        {
            {"ten characters, 20 bytes, whole", repeat(chinese, 10), repeat(chinese, 10)},
            {"eleven characters keep ten", repeat(chinese, 11), repeat(chinese, 10)},
            {"a character across byte 20 is dropped", "A" + repeat(chinese, 10), "A" + repeat(chinese, 9)},
            {"trail bytes in the ASCII range stay paired", "x" + repeat(backslashTrail, 10),
             "x" + repeat(backslashTrail, 9)},
            {"leading blanks then characters", "  " + repeat(chinese, 10), repeat(chinese, 9)},
        },
        CodePage::named("BIG5"));
}

TEST(MemberName, Utf8CharactersAreNeverSplit)
{
    const std::string cjk = "\xe4\xb8\xad";  // three bytes
    const std::string accented = "\xc3\xa9"; // two bytes
    const std::string emoji = "\xf0\x9f\x98\x80";
    expectNames(
        {
            {"ten two-byte characters whole", repeat(accented, 10), repeat(accented, 10)},
            {"eleven two-byte characters keep ten", repeat(accented, 11), repeat(accented, 10)},
            {"seven three-byte characters keep six", repeat(cjk, 7), repeat(cjk, 6)},
            {"four-byte character across the cut", std::string(18, 'a') + emoji, std::string(18, 'a')},
            {"four-byte character ending at 20", std::string(16, 'a') + emoji + "zz", std::string(16, 'a') + emoji},
        },
        CodePage::named("UTF-8"));
}

} // namespace
} // namespace didu
