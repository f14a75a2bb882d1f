// Every character set the program maps, with its longest characters, through
// the three walks that must never split one: the member name cut, the marker
// scanner and the lookup's literal. The sets that reach the program through the
// desktop's locale run under the real locale, where the connection's character
// set (or none, or one without a mapping) decides between the two.
#include "db/statements/lookupliteral.h"
#include "db/statements/markerscanner.h"
#include "platform/codepage.h"
#include "platform/locale.h"
#include "tests/support/locales/privatelocale.h"
#include "transfer/membername.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace didu {
namespace {

struct SetCase {
    const char* serverCharSet;
    const char* locale; // nullptr: whatever the test runs under
    const char* codePage;
    std::string longest; // one character of the set's longest form
};

void expectWholeCharacters(const SetCase& c)
{
    const CodePage page = CodePage::forConnection(c.serverCharSet, userLocale().codePage);
    ASSERT_EQ(page.name(), c.codePage);
    const std::string& ch = c.longest;
    ASSERT_EQ(page.characterLength(ch + "'"), ch.size());
    EXPECT_EQ(page.toUtf8(ch).find("\uFFFD"), std::string::npos) << "not a character of the set";

    // The cut: 19 bytes of characters after "A", so that the 20-byte boundary
    // falls inside one whenever the character is longer than a byte.
    std::string name = "A";
    for (int i = 0; i < 20; ++i)
        name += ch;
    EXPECT_EQ(memberName(name, page), name.substr(0, 1 + 19 / ch.size() * ch.size()));

    // The scanner: a quote right after the character still closes the literal.
    const MarkerScan scan = scanMarkers("WHERE N = '" + ch + "' AND C = :C", page);
    EXPECT_EQ(scan.driverText, "WHERE N = '" + ch + "' AND C = ?");
    EXPECT_EQ(scan.names, std::vector<std::string> {"C"});

    // The literal: an id whose " after the character leaves the scanner outside
    // quotes reaches the server unchanged, its colon not taken for a marker.
    const std::string id = ch + "\":x" + ch;
    const MarkerScan lookup = scanMarkers("WHERE MEMBER_ID = '" + quotedLiteralContent(id, page) + "'", page);
    EXPECT_EQ(lookup.driverText, "WHERE MEMBER_ID = '" + id + "'");
    EXPECT_TRUE(lookup.names.empty());
}

TEST(CharacterSets, LongestCharactersAreNeverSplit)
{
    const std::string emoji = "\xF0\x9F\x98\x80";
    const std::string big5 = "\xA4\x60"; // second byte "`"
    const std::vector<SetCase> cases = {
        {"ASCII", nullptr, "ASCII", "A"},
        {"UTF8", nullptr, "UTF-8", emoji},
        {"UNICODE_FSS", nullptr, "UTF-8", "\xE4\xB8\xAD"},
        {"BIG_5", nullptr, "BIG5", big5},
        {"GB_2312", nullptr, "EUC-CN", "\xD6\xD0"},
        {"GBK", nullptr, "GBK", "\x81\x60"},
        {"GB18030", nullptr, "GB18030", "\x95\x32\x82\x36"}, // U+10000
        {"SJIS_0208", nullptr, "SHIFT_JIS", "\x83\x60"},
        {"CP943C", nullptr, "CP932", "\x83\x60"},
        {"EUCJ_0208", nullptr, "EUC-JP", "\x8F\xB0\xA1"}, // JIS X 0212, three bytes
        {"KSC_5601", nullptr, "CP949", "\xB0\xA1"},
        {"KOI8R", nullptr, "KOI8-R", "\xC1"},
        {"KOI8U", nullptr, "KOI8-U", "\xC1"},
        {"TIS620", nullptr, "TIS-620", "\xA1"},
        {"WIN1252", nullptr, "CP1252", "\xE9"},
        {"DOS437", nullptr, "CP437", "\x82"},
        {"ISO8859_5", nullptr, "ISO-8859-5", "\xD0"},
        {"", "zh_TW.BIG5", "BIG5", big5},
        {"NONE", "zh_TW.BIG5", "BIG5", big5},
        {"UTF8", "zh_TW.BIG5", "UTF-8", emoji},
        {"", "zh_TW.UTF-8", "UTF-8", emoji},
        {"BIG_5", "zh_TW.UTF-8", "BIG5", big5},
        {"OCTETS", "zh_TW.UTF-8", "UTF-8", emoji},
        {"NO_SUCH_SET", "zh_TW.UTF-8", "UTF-8", emoji},
        {"", "zh_TW.EUC-TW", "EUC-TW", "\x8E\xA2\xA1\xA1"}, // CNS 11643 plane 2
        {"", "ja_JP.EUC-JP", "EUC-JP", "\x8F\xB0\xA1"},
        {"", "zh_CN.GB18030", "GB18030", "\x95\x32\x82\x36"},
    };
    const std::optional<std::string> folder
        = test::privateLocales({"zh_TW.BIG5", "zh_TW.UTF-8", "zh_TW.EUC-TW", "ja_JP.EUC-JP", "zh_CN.GB18030"});
    ASSERT_TRUE(folder) << "localedef cannot build the locales of the table here";
    for (const SetCase& c : cases) {
        SCOPED_TRACE(std::string(c.serverCharSet) + " " + (c.locale ? c.locale : "") + " " + c.codePage);
        std::optional<test::ScopedLocale> locale;
        if (c.locale)
            locale.emplace(*folder, c.locale);
        expectWholeCharacters(c);
    }
}

} // namespace
} // namespace didu
