// The configuration-file format: a table of texts and what each section holds.
#include "platform/asciitext.h"
#include "platform/inifile.h"

#include <gtest/gtest.h>

using namespace didu;
using Lines = std::vector<std::string>;

namespace {

struct Case {
    const char* what;
    std::string text;
    const char* section;
    Lines entries;
};

} // namespace

TEST(IniFormat, SectionEntriesFollowEveryFormatRule)
{
    using namespace std::string_literals;
    const Case cases[] = {
        {"LF line ends", "[A]\nx=1\ny=2\n", "A", {"x=1", "y=2"}},
        {"CR LF line ends", "[A]\r\nx=1\r\ny=2\r\n", "A", {"x=1", "y=2"}},
        {"CR line ends", "[A]\rx=1\ry=2", "A", {"x=1", "y=2"}},
        {"mixed line ends, no final one", "[A]\r\nx=1\ry=2\nz=3", "A", {"x=1", "y=2", "z=3"}},
        {"CR CR is two line ends", "[A]\r\rx=1", "A", {"x=1"}},
        {"text ends at the first NUL", "[A]\nx=1\ny=2\0z=3\n"s, "A", {"x=1", "y=2"}},
        {"NUL inside a line ends it there", "[A]\nx=ab\0cd\n"s, "A", {"x=ab"}},
        {"blanks and control bytes trimmed", "  [A]  \n\t x = 1 \t\n\x01y\x1f=\x02 2\x7f\n", "A",
         {"x=1", "y=2"}},
        {"empty lines and comments skipped", "[A]\n\n   \n;x=1\n  ;y=2\nz=3\n", "A", {"z=3"}},
        {"a semicolon later in a line is kept", "[A]\nx=1;2\n", "A", {"x=1;2"}},
        {"lines before the first header ignored", "x=0\nbare\n[A]\nx=1\n", "A", {"x=1"}},
        {"section names in any letter case", "[torVIK]\nx=1\n", "TORVIK", {"x=1"}},
        {"section name trimmed", "[  Torvik \t]\nx=1\n", "torvik", {"x=1"}},
        {"last section of a name wins", "[A]\nx=1\n[B]\ny=2\n[a]\nx=3\n", "A", {"x=3"}},
        {"an empty later section still wins", "[A]\nx=1\n[A]\n", "A", {}},
        {"other sections are not mixed in", "[A]\nx=1\n[B]\ny=2\n", "B", {"y=2"}},
        {"missing section", "[A]\nx=1\n", "C", {}},
        {"header without closing bracket is an entry", "[A]\n[B\nx=1\n", "A", {"[B", "x=1"}},
        {"bracket alone is an entry", "[A]\n[\n]\n", "A", {"[", "]"}},
        {"empty section name", "[]\nx=1\n", "", {"x=1"}},
        {"value keeps everything after the first =", "[A]\nPassword= a=b=c \n", "A", {"Password=a=b=c"}},
        {"empty value and empty name", "[A]\nx=\n=y\n", "A", {"x=", "=y"}},
        {"bare entries keep their place", "[A]\nx=1\njust text \ny=2\n", "A", {"x=1", "just text", "y=2"}},
        {"duplicate keys all kept, in order", "[A]\nx=1\nx=2\n", "A", {"x=1", "x=2"}},
        {"high bytes pass unchanged", "[A]\nName=\xe5\xae\xa2\xa4\x40\n", "A", {"Name=\xe5\xae\xa2\xa4\x40"}},
        {"empty text", "", "A", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(parseIniSection(c.text, c.section), c.entries) << c.what;
}

TEST(IniFormat, ParseGivesEverySectionInFileOrder)
{
    const auto sections = parseIni("junk\n[A]\nx=1\n[B]\n[a]\ny=2\n");
    ASSERT_EQ(sections.size(), 3u);
    EXPECT_EQ(sections[0].name, "A");
    EXPECT_EQ(sections[0].entries, Lines{"x=1"});
    EXPECT_EQ(sections[1].name, "B");
    EXPECT_TRUE(sections[1].entries.empty());
    EXPECT_EQ(sections[2].name, "a");
    EXPECT_EQ(sections[2].entries, Lines{"y=2"});
}

TEST(IniFormat, TrimTakesEveryByteUpToBlank)
{
    EXPECT_EQ(trimBlanksControlsAndDelete(" \t\r\n\x01x y\x1f\x7f "), "x y");
    EXPECT_EQ(trimBlanksControlsAndDelete("   "), "");
    EXPECT_EQ(trimBlanksControlsAndDelete("\xa4\x40"), "\xa4\x40");
}
