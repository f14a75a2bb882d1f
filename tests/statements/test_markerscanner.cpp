// The marker scanner against tables of statement texts: what reaches the driver
// and which parameter names come out, in order; and the lookup's literal, which
// is written for the scanner.
#include "db/statements/lookupliteral.h"
#include "db/statements/markerscanner.h"

#include <gtest/gtest.h>

#include <random>

#include <string>
#include <vector>

namespace didu {
namespace {

struct ScanCase {
    const char* what;
    std::string text;
    std::string driverText;
    std::vector<std::string> names;
};

void expectScan(const ScanCase& c, const CodePage& codePage)
{
    SCOPED_TRACE(c.what);
    const MarkerScan scan = scanMarkers(c.text, codePage);
    EXPECT_EQ(scan.driverText, c.driverText);
    EXPECT_EQ(scan.names, c.names);
}

TEST(MarkerScanner, WesternTexts)
{
    const std::vector<ScanCase> cases = {
        {"empty text", "", "", {}},
        {"no marker", "SELECT 1 FROM T\r\n", "SELECT 1 FROM T\r\n", {}},
        {"CR LF after the last line ends the marker", "SELECT 1 FROM T\r\nWHERE A = :A\r\n",
         "SELECT 1 FROM T\r\nWHERE A = ?\r\n", {"A"}},
        {"marker ending the text", "WHERE A = :A", "WHERE A = ?", {"A"}},
        {"closing bracket ends a marker", "VALUES (:SHET_YN,:SALES_ID) ", "VALUES (?,?) ", {"SHET_YN", "SALES_ID"}},
        {"comma and semicolon end a marker", ":a,:b;:c", "?,?;?", {"a", "b", "c"}},
        {"LF alone ends a marker", ":a\n:b", "?\n?", {"a", "b"}},
        {"a tab belongs to the name", "A = :x\ty z", "A = ? z", {"x\ty"}},
        {"equals sign belongs to the name", ":A=1", "?", {"A=1"}},
        {"opening bracket belongs to the name", ":f(x) y", "?) y", {"f(x"}},
        {"quoted literal holds no marker", "x = ':y'", "x = ':y'", {}},
        {"double colon is a literal colon", "a::b", "a:b", {}},
        {"triple colon: literal colon, then an empty marker", "a:::", "a:?", {""}},
        {"double colon inside quotes stays", "'a::b'", "'a::b'", {}},
        {"colon followed by a delimiter", "a = : b", "a = ? b", {""}},
        {"colon ending the text", "a = :", "a = ?", {""}},
        {"colon before a bracket", "(:)", "(?)", {""}},
        {"quoted name with a blank", "WHERE N = :\"First Name\" AND",
         "WHERE N = ? AND", {"First Name"}},
        {"quoted name without closing quote to the end", ":\"ab", "?", {"ab"}},
        {"lone quote after the colon", ":\"", "?", {""}},
        {"inner quote of an unquoted name stays", ":a'b' c", "? c", {"a'b'"}},
        {"mixed quote kinds close each other", "'x\" :y", "'x\" ?", {"y"}},
        {"back quote opens a literal", "`a :b` :c", "`a :b` ?", {"c"}},
        {"odd number of quotes hides every later marker", "a = ':x' AND b = ' :y AND :z",
         "a = ':x' AND b = ' :y AND :z", {}},
        {"repeated name gives two parameters", ":A + :a", "? + ?", {"A", "a"}},
        {"colon inside a name", ":a:b c", "? c", {"a:b"}},
        {"zero byte is an ordinary byte", std::string("a\0:b", 4), std::string("a\0?", 3), {"b"}},
    };
    for (const ScanCase& c : cases)
        expectScan(c, CodePage());
}

TEST(MarkerScanner, Big5SecondBytesAreNeverExamined)
{
    // 0xA4 0x60 is a Big5 character whose second byte is the back quote; 0xB1 0x3A
    // would be one whose second byte is a colon. Under a Western code page the
    // same bytes are single characters and the back quote does toggle.
    const std::string backQuoteSecond = "\xA4\x60";
    const std::string colonSecond = "\xB1\x3A";
    const std::vector<ScanCase> big5 = {
        {"second byte back quote does not open a literal", "N = '" + backQuoteSecond + "' AND X = :x",
         "N = '" + backQuoteSecond + "' AND X = ?", {"x"}},
        {"second byte colon starts no marker", colonSecond + "a b", colonSecond + "a b", {}},
        {"double-byte character inside a name", ":\xA4\xA4\xA4\xE5 x", "? x", {"\xA4\xA4\xA4\xE5"}},
        {"second byte back quote inside a name", ":a" + backQuoteSecond + "b c", "? c",
         {"a" + backQuoteSecond + "b"}},
        {"lead byte ending the text stands alone", "a = :x \xA4", "a = ? \xA4", {"x"}},
        {"lead byte ending a marker at the end", ":x\xA4", "?", {"x\xA4"}},
    };
    for (const ScanCase& c : big5)
        expectScan(c, CodePage::named("BIG5"));

    expectScan({"Western: the back quote toggles", "N = '" + backQuoteSecond + "' AND X = :x",
                "N = '" + backQuoteSecond + "' AND X = :x", {}},
               CodePage());
}

TEST(MarkerScanner, ReusedResultHoldsOnlyTheLatestScan)
{
    MarkerScan scan;
    scanMarkers(":a,:b,:c", CodePage(), scan);
    ASSERT_EQ(scan.names.size(), 3u);
    scanMarkers("x = :longer_name_than_before", CodePage(), scan);
    EXPECT_EQ(scan.driverText, "x = ?");
    EXPECT_EQ(scan.names, std::vector<std::string>{"longer_name_than_before"});
    scanMarkers("", CodePage(), scan);
    EXPECT_TRUE(scan.driverText.empty());
    EXPECT_TRUE(scan.names.empty());
}

TEST(MarkerScanner, ScanningLineByLineGivesTheWholeScan)
{
    // Random texts from the bytes that matter, cut into pieces at random points
    // (also inside markers, quotes and double-byte characters): continuing the
    // scan piece by piece must give exactly what one scan of the whole gives.
    const std::string alphabet = std::string(":::''\"`  \r\n),;\tAb=(") + "\xA4\x60\xB1\x81\x30\x8E\xA1";
    std::mt19937 random(20261208);
    const CodePage tables[] = {CodePage(), CodePage::named("BIG5"), CodePage::named("GB18030"),
                               CodePage::named("EUC-TW")};
    for (const CodePage& codePage : tables) {
        for (int round = 0; round < 3000; ++round) {
            std::string text;
            const std::size_t length = random() % 40;
            for (std::size_t i = 0; i < length; ++i)
                text.push_back(alphabet[random() % alphabet.size()]);

            MarkerScan pieces;
            scanMarkers("", codePage, pieces);
            std::size_t done = 0;
            while (done < text.size()) {
                done += 1 + random() % 6;
                continueMarkerScan(std::string_view(text).substr(0, std::min(done, text.size())), codePage, pieces);
            }
            const MarkerScan whole = scanMarkers(text, codePage);
            ASSERT_EQ(pieces.driverText, whole.driverText) << text;
            ASSERT_EQ(pieces.names, whole.names) << text;
        }
    }
}

TEST(MarkerScanner, ContinuingAcrossACutMarkerOrDoubleColon)
{
    const struct {
        std::vector<std::string> pieces;
        std::string driverText;
        std::vector<std::string> names;
    } cases[] = {
        {{"WHERE A = :MEM", "BER_ID\r\n"}, "WHERE A = ?\r\n", {"MEMBER_ID"}},
        {{"a:", ":b"}, "a:b", {}},
        {{"x = :'quoted", " name' y"}, "x = ? y", {"quoted name"}},
        {{"'open", " :no' :yes"}, "'open :no' ?", {"yes"}},
        {{"N = '\xA4", "\x60' AND :x"}, "N = '\xA4\x60' AND ?", {"x"}},
    };
    const CodePage big5 = CodePage::named("BIG5");
    for (const auto& c : cases) {
        MarkerScan scan;
        std::string text;
        for (const std::string& piece : c.pieces) {
            text += piece;
            continueMarkerScan(text, big5, scan);
        }
        EXPECT_EQ(scan.driverText, c.driverText) << text;
        EXPECT_EQ(scan.names, c.names) << text;
    }
}

TEST(LookupLiteral, QuotesAreDoubledSoTheIdCannotEndTheLiteral)
{
    struct Case {
        std::string id;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"C0001", "C0001"},
        {"", ""},
        {"'", "''"},
        {"O'Neil  ", "O''Neil  "},
        {"x' OR '1'='1", "x'' OR ''1''=''1"},
        {"''", "''''"},
        {"a:b", "a:b"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(quotedLiteralContent(c.id, CodePage::named("UTF-8")), c.expected) << c.id;
}

} // namespace
} // namespace didu
