#include "app/applicationtitle.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ApplicationTitle, FileNameUpToFirstDotWithFirstCharacterKept)
{
    struct Case {
        const char* path;
        const char* title;
    };
    const Case cases[] = {
        {"/work/main/build/bin/DiduRaDozori", "Diduradozori"},
        {"/opt/DiduRaDozori.exe", "Diduradozori"},
        {"/opt/a.b.exe", "a"},
        {"/opt/A.b.exe", "A"},
        {"Ab.Cd.exe", "Ab"},
        {"/opt/Tool.Name.v2", "Tool"},
        {"DIDU", "Didu"},
        {"didu", "didu"},
        {"/x/.hidden", ""},
        {"/x/dir.d/Prog", "Prog"},
        {"/x/dir/", ""},
        {"", ""},
        {"/x/9LIVES", "9lives"},
        // The first character may be several bytes; it stays whole and unchanged.
        {"/x/客戶ABC.bin", "客戶abc"},
        {"/x/ÉCOLE", "École"},
        {"/x/éCOLE", "école"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(didu::applicationTitle(c.path), c.title) << c.path;
}

TEST(ApplicationTitle, LongNamesStopAt255BytesOnACharacterBoundary)
{
    EXPECT_EQ(didu::applicationTitle("/x/" + std::string(300, 'A')), "A" + std::string(254, 'a'));
    // 1 + 127 two-byte characters make 255 bytes; one more would not fit.
    std::string name = "Z";
    for (int i = 0; i < 130; ++i)
        name += "É";
    std::string expected = "Z";
    for (int i = 0; i < 127; ++i)
        expected += "é";
    EXPECT_EQ(didu::applicationTitle("/x/" + name), expected);
}

TEST(ApplicationTitle, BytesTheLocaleCannotReadPassUnchanged)
{
    EXPECT_EQ(didu::applicationTitle("/x/\xff\xfe" "AB"), "\xff\xfe" "ab");
}

} // namespace
