// The lead-byte and case rules read from the C library, and the test seam that
// puts Big5 in place whatever the machine's own locale is.
#include "platform/locale.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace didu {
namespace {

std::vector<int> leadBytesOf(const LeadBytes& bytes)
{
    std::vector<int> out;
    for (int value = 0; value < 256; ++value)
        if (bytes.isLead(static_cast<unsigned char>(value)))
            out.push_back(value);
    return out;
}

TEST(Locale, RulesReadFromTheCLibrary)
{
    LocaleRules plain = LocaleRules::big5();
    ASSERT_TRUE(LocaleRules::fromLocale("C", plain));
    EXPECT_FALSE(plain.leadBytes.any());
    EXPECT_EQ(plain.upper['a'], 'A');
    EXPECT_EQ(plain.upper['Z'], 'Z');
    EXPECT_EQ(plain.upper['_'], '_');

    LocaleRules utf8;
    ASSERT_TRUE(LocaleRules::fromLocale("C.UTF-8", utf8));
    for (int value : {0x00, 0x27, 0x3A, 0x60, 0x7F, 0x80, 0xA4, 0xBF})
        EXPECT_FALSE(utf8.leadBytes.isLead(static_cast<unsigned char>(value))) << value;
    for (int value : {0xC2, 0xDF, 0xE0, 0xE4, 0xEF, 0xF0, 0xF4})
        EXPECT_TRUE(utf8.leadBytes.isLead(static_cast<unsigned char>(value))) << value;
    EXPECT_EQ(utf8.upper[0xE4], 0xE4);

    LocaleRules unchanged = LocaleRules::big5();
    EXPECT_FALSE(LocaleRules::fromLocale("xx_NOWHERE.NOSUCHSET", unchanged));
    EXPECT_TRUE(unchanged.leadBytes == LocaleRules::big5().leadBytes);
}

TEST(Locale, RealBig5LocaleMarksItsLeadBytes)
{
    // Build a Traditional Chinese locale in a private folder when the machine can;
    // the C library then answers for Big5 exactly as on an operator's machine.
    namespace fs = std::filesystem;
    const fs::path folder = fs::temp_directory_path() / ("didu-locale-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    const std::string command = "localedef -f BIG5 -i zh_TW " + (folder / "zh_TW.BIG5").string() + " >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) {
        fs::remove_all(folder);
        GTEST_SKIP() << "localedef cannot build zh_TW.BIG5 here";
    }
    const char* saved = std::getenv("LOCPATH");
    const std::string savedValue = saved ? saved : "";
    ::setenv("LOCPATH", folder.c_str(), 1);
    LocaleRules big5;
    const bool known = LocaleRules::fromLocale("zh_TW.BIG5", big5);
    if (saved)
        ::setenv("LOCPATH", savedValue.c_str(), 1);
    else
        ::unsetenv("LOCPATH");
    fs::remove_all(folder);

    ASSERT_TRUE(known);
    EXPECT_TRUE(big5.leadBytes.isLead(0xA4));
    EXPECT_TRUE(big5.leadBytes.isLead(0xF9));
    EXPECT_FALSE(big5.leadBytes.isLead(0x60));
    EXPECT_FALSE(big5.leadBytes.isLead(0x7F));
    EXPECT_EQ(big5.upper['m'], 'M');
}

TEST(Locale, ScopedRulesReplaceTheUsersAndComeBack)
{
    const std::vector<int> before = leadBytesOf(userLocale().leadBytes);
    {
        ScopedLocaleRules big5(LocaleRules::big5());
        EXPECT_EQ(leadBytesOf(userLocale().leadBytes).size(), 0xFEu - 0x81u + 1u);
        {
            ScopedLocaleRules plain(LocaleRules::plain());
            EXPECT_FALSE(userLocale().leadBytes.any());
        }
        EXPECT_TRUE(userLocale().leadBytes.isLead(0x81));
    }
    EXPECT_EQ(leadBytesOf(userLocale().leadBytes), before);
}

TEST(Locale, SameTextIgnoreCase)
{
    struct Case {
        std::string a;
        std::string b;
        bool plain;
        bool big5;
    };
    const std::vector<Case> cases = {
        {"member_id", "MEMBER_ID", true, true},
        {"Member_Id", "mEMBER_iD", true, true},
        {"MEMBER_ID", "MEMBER_IDX", false, false},
        {"", "", true, true},
        {"A=1", "a=1", true, true},
        // Big5 characters whose second bytes are 'a' and 'A': different characters.
        {"\xA4\x61", "\xA4\x41", true, false},
        {"\xA4\x61x", "\xA4\x61X", true, true},
        {"\xE9", "\xC9", false, false},
    };
    const LocaleRules plain = LocaleRules::plain();
    const LocaleRules big5 = LocaleRules::big5();
    for (const Case& c : cases) {
        EXPECT_EQ(sameTextIgnoreCase(c.a, c.b, plain), c.plain) << c.a << " / " << c.b;
        EXPECT_EQ(sameTextIgnoreCase(c.a, c.b, big5), c.big5) << c.a << " / " << c.b;
    }
    ScopedLocaleRules scoped(big5);
    EXPECT_FALSE(sameTextIgnoreCase("\xA4\x61", "\xA4\x41"));
    EXPECT_TRUE(sameTextIgnoreCase("sales_id", "SALES_ID"));
}

} // namespace
} // namespace didu
