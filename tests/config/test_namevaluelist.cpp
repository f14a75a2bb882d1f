// The name=value lookup rule shared by the parameter list and the file sections.
#include "db/connection/namevaluelist.h"

#include <gtest/gtest.h>

using namespace didu;

TEST(NameValueList, LookupFindsTheFirstLineByNameInAnyCase)
{
    const NameValueList list{"User_Name=sysdba", "SQLDialect=3", "Password=a=b", "Empty=", "bare line",
                             "sqldialect=1", "=nameless", "Spaced =x"};
    const struct {
        const char* name;
        const char* value;
        bool present;
    } cases[] = {
        {"USER_NAME", "sysdba", true},
        {"user_name", "sysdba", true},
        {"SqlDialect", "3", true}, // the first of two lines wins
        {"Password", "a=b", true}, // everything after the first "="
        {"Empty", "", true},
        {"Missing", "", false},
        {"bare line", "", false}, // a line without "=" never matches
        {"", "nameless", true},
        {"Spaced", "", false}, // names are not trimmed at lookup
        {"Spaced ", "x", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(list.value(c.name), c.value) << c.name;
        EXPECT_EQ(list.contains(c.name), c.present) << c.name;
    }
}

TEST(NameValueList, CaseFoldingIsAsciiOnly)
{
    // Bytes above 0x7f are parts of multibyte characters and must match exactly.
    const NameValueList list{"\xc3\x84x=1"};
    EXPECT_EQ(list.value("\xc3\x84X"), "1");
    EXPECT_EQ(list.value("\xc3\xa4x"), "");
}
