// The code page of database text (character lengths, decoding, the Firebird
// names) and the case rules read from the C library.
#include "platform/locale.h"
#include "tests/support/locales/privatelocale.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include <string>
#include <vector>

namespace didu {
namespace {

TEST(Locale, FoldingAndCodePageReadFromTheCLibrary)
{
    const std::optional<LocaleFacts> plain = LocaleFacts::of("C");
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->upper['a'], 'A');
    EXPECT_EQ(plain->upper['Z'], 'Z');
    EXPECT_EQ(plain->upper['_'], '_');
    EXPECT_FALSE(plain->codePage.isMultiByte());

    const std::optional<LocaleFacts> utf8 = LocaleFacts::of("C.UTF-8");
    ASSERT_TRUE(utf8);
    EXPECT_EQ(utf8->upper[0xE4], 0xE4);
    EXPECT_EQ(utf8->codePage.name(), "UTF-8");

    EXPECT_FALSE(LocaleFacts::of("xx_NOWHERE.NOSUCHSET"));
    EXPECT_EQ(LocaleFacts::read("xx_NOWHERE.NOSUCHSET").upper['q'], 'Q');
}

TEST(Locale, AsciiNamesMatchInAnyCaseUnderTurkishRules)
{
    const auto folder = test::privateLocales({"tr_TR.UTF-8", "tr_TR.ISO-8859-9"});
    ASSERT_TRUE(folder) << "localedef cannot build the tr_TR locales here";
    test::ScopedLocale locale(*folder, "tr_TR.UTF-8");
    for (const char* name : {"tr_TR.UTF-8", "tr_TR.ISO-8859-9"}) {
        const std::optional<LocaleFacts> turkish = LocaleFacts::of(name);
        ASSERT_TRUE(turkish) << name;
        for (const auto& [a, b] : {std::pair{"member_id", "MEMBER_ID"}, {"Member_Id", "mEMBER_iD"}, {"i", "I"}})
            EXPECT_TRUE(sameTextIgnoreCase(a, b, turkish->codePage, turkish->upper)) << name << " " << a;
    }
    // ISO 8859-9's own letters fold by the locale (ç to Ç), but the dotless ı
    // is no ASCII "I", and the dotted İ no "i".
    const LocaleFacts latin5 = LocaleFacts::read("tr_TR.ISO-8859-9");
    EXPECT_EQ(latin5.upper[0xE7], 0xC7);
    EXPECT_FALSE(sameTextIgnoreCase("\xFD", "I", latin5.codePage, latin5.upper));
    EXPECT_FALSE(sameTextIgnoreCase("\xDD", "i", latin5.codePage, latin5.upper));
}

TEST(CodePage, CharacterLengthsByCodePage)
{
    struct Case {
        const char* codePage;
        std::string text;
        std::size_t expected;
    };
    const std::vector<Case> cases = {
        {"ANSI_X3.4-1968", "a", 1}, {"ANSI_X3.4-1968", "\xe4\xb8\xad", 1}, {"CP1252", "\xe9\xe9", 1},
        {"BIG5", "\xa4\xa4", 2},  {"BIG5", "\xa4\x60", 2},   // a second byte that looks like "`"
        {"BIG5", "\x81\x40", 2},  {"BIG5", "\xfe\xfe", 2},   // user-defined rows of code page 950
        {"BIG5", "\xa4", 1},       {"BIG5", "\x80\x40", 1},   {"BIG5", "\xff\x40", 1},
        {"BIG5", "a", 1},           {"GBK", "\xd6\xd0", 2},    {"SHIFT_JIS", "\x93\xfa", 2},
        {"SHIFT_JIS", "\xb1", 1},  // half-width katakana
        {"UTF-8", "\xe4\xb8\xad", 3}, {"UTF-8", "\xc3\xa9", 2}, {"UTF-8", "\xf0\x9f\x98\x80", 4},
        {"UTF-8", "\xa9", 1},      {"UTF-8", "\xe4\xb8", 1},  {"UTF-8", "\xc0\xaf", 1}, // cut short; overlong
        {"UTF-8", "\xed\xa0\x80", 1}, {"UTF-8", "\xf5\x80\x80\x80", 1}, {"UTF-8", "", 0},
        {"GB18030", "\x81\x30\x81\x30", 4}, {"GB18030", "\x81\x30\x81", 1}, // cut short
        {"GB18030", "\x81\x60", 2},          {"GB18030", "\x81\x7f", 1},     {"GB18030", "\x80\x40", 1},
        {"EUC-TW", "\x8e\xa2\xa1\xa1", 4},   {"EUC-TW", "\x8e\xb1\xa1\xa1", 1}, // no plane 17
        {"EUC-TW", "\xc4\xa1", 2},           {"EUC-TW", "\xc4\x60", 1},
        {"EUC-JP", "\x8f\xb0\xa1", 3},       {"EUC-JP", "\x8e\xb1", 2},      {"EUC-JP", "\xa4\xa2", 2},
        {"EUC-JP", "\xa4\x27", 1},           {"EUC-CN", "\xd6\xd0", 2},      {"EUC-CN", "\xd6\x27", 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CodePage::named(c.codePage).characterLength(c.text), c.expected)
            << c.codePage << " " << testing::PrintToString(c.text);
    }
}

TEST(CodePage, DecodesToUtf8AndReplacesWhatIsNoCharacter)
{
    struct Case {
        const char* codePage;
        std::string bytes;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"BIG5", "\xb8\xea\xae\xc6\xc2\xe0\xb2\xbe\xa7\xb9\xa6\xa8\x2e", "資料轉移完成."},
        {"BIG5", "SQL \xb8\x54\xa4\xee\xa5\x5b", "SQL 禁止加"},
        {"BIG5", "a\xff" "b", "a\uFFFDb"},
        {"BIG5", "a\xa4", "a\uFFFD"},            // cut short at the end
        {"BIG5", "\xa4\x22x", "\uFFFDx"},       // no character: both bytes go, as the scanner takes them
        {"UTF-8", "\xe4\xb8\xad\xe6", "中\uFFFD"},
        {"UTF-8", "\xc0\xaf.", "\uFFFD\uFFFD."},
        {"GBK", "\xd6\xd0\xce\xc4", "中文"},
        {"SHIFT_JIS", "\x93\xfa\x96\x7b", "日本"},
        {"EUC-KR", "\xc7\xd1", "한"},
        {"CP1252", "\x80 caf\xe9", "€ café"},
        {"ANSI_X3.4-1968", "caf\xe9", "caf\uFFFD"},
        {"BIG5", std::string("a\0b", 3), std::string("a\0b", 3)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CodePage::named(c.codePage).toUtf8(c.bytes), c.expected) << c.codePage << " " << c.expected;
    EXPECT_EQ(CodePage::named("NO-SUCH-SET").name(), CodePage().name());
}

TEST(CodePage, AFormThatDoesNotFitIsAnErrorNotADrop)
{
    using Form = CodePage::Form;
    const Form::Range any {0x00, 0xFF};
    std::vector<Form> forms;
    for (std::uint8_t length = 2; length <= 4; ++length)
        forms.push_back({length, {{{0x81, 0x81}, any, any, any}}});
    EXPECT_EQ(CodePage::fromForms("X-THREE", forms).characterLength("\x81\x01\x02\x03"), 4u);
    forms.push_back({2, {{{0x80, 0x81}, {0x40, 0x40}}}});
    EXPECT_THROW(CodePage::fromForms("X-FOUR", forms), std::logic_error);
}

TEST(CodePage, FirebirdCharacterSetNames)
{
    struct Case {
        std::string firebird;
        std::string charset;
    };
    std::vector<Case> cases = {
        {"NONE", ""},          {"OCTETS", ""},        {"", ""},             {"NO_SUCH_SET", ""},
        {"ASCII", "ASCII"},    {"UTF8", "UTF-8"},     {"UNICODE_FSS", "UTF-8"}, {"BIG_5", "BIG5"},
        {" big_5 ", "BIG5"},   {"GB_2312", "EUC-CN"}, {"GBK", "GBK"},       {"SJIS_0208", "SHIFT_JIS"},
        {"EUCJ_0208", "EUC-JP"}, {"KSC_5601", "CP949"}, {"WIN", ""},        {"ISO8859_X", ""},
    };
    for (int page = 1250; page <= 1258; ++page)
        cases.push_back({"WIN" + std::to_string(page), "CP" + std::to_string(page)});
    for (int part = 1; part <= 15; ++part) {
        if (part != 12) // there is no ISO 8859-12
            cases.push_back({"ISO8859_" + std::to_string(part), "ISO-8859-" + std::to_string(part)});
    }
    for (const auto& c : cases) {
        EXPECT_EQ(CodePage::charsetOfFirebird(c.firebird), c.charset) << c.firebird;
        if (!c.charset.empty()) {
            EXPECT_EQ(CodePage::named(c.charset).name(), c.charset) << "iconv knows " << c.charset;
        }
    }
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
    const UpperCaseTable plain = LocaleFacts::plain().upper;
    const CodePage big5 = CodePage::named("BIG5");
    for (const Case& c : cases) {
        EXPECT_EQ(sameTextIgnoreCase(c.a, c.b, CodePage(), plain), c.plain) << c.a << " / " << c.b;
        EXPECT_EQ(sameTextIgnoreCase(c.a, c.b, big5, plain), c.big5) << c.a << " / " << c.b;
    }
    EXPECT_FALSE(sameTextIgnoreCase("\xA4\x61", "\xA4\x41", big5));
    EXPECT_TRUE(sameTextIgnoreCase("sales_id", "SALES_ID", big5));
}

} // namespace
} // namespace didu
