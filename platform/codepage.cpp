#include "platform/codepage.h"

#include "platform/asciitext.h"

#include <algorithm>
#include <cerrno>
#include <iconv.h>
#include <langinfo.h>
#include <locale.h>
#include <optional>

namespace didu {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD"; // U+FFFD
constexpr std::string_view kAscii = "ANSI_X3.4-1968";

// ASCII only: character set names are ASCII, and the process's locale (a
// Turkish one folds "i" to a dotted capital) must not change how they compare.
std::string upperCase(std::string_view text)
{
    std::string upper(text);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return upper;
}

bool isUtf8Name(const std::string& upper)
{
    return upper == "UTF-8" || upper == "UTF8" || upper == "ISO-10646/UTF-8/" || upper == "ISO-10646/UTF8/";
}

// The lead bytes of the double-byte sets as their Windows code pages define them:
// wider than the C library's tables (Big5's user-defined rows 0x81 to 0xA0 and
// 0xFA to 0xFE among them), so that a shop's own characters still keep their
// second byte away from the statement scanner.
std::optional<LeadBytes> knownLeadBytes(const std::string& upper)
{
    static const std::string_view wideSets[] = {"BIG5", "BIG-5", "CN-BIG5", "CP950", "BIG5-HKSCS", "BIG5HKSCS",
                                                "GBK", "CP936", "MS936", "WINDOWS-936", "EUC-KR", "EUCKR",
                                                "CP949", "UHC"};
    if (std::find(std::begin(wideSets), std::end(wideSets), upper) != std::end(wideSets))
        return LeadBytes::range(0x81, 0xFE);
    if (upper == "SHIFT_JIS" || upper == "SHIFT-JIS" || upper == "SJIS" || upper == "CP932" || upper == "MS_KANJI"
        || upper == "WINDOWS-31J") {
        LeadBytes bytes = LeadBytes::range(0x81, 0x9F);
        for (unsigned value = 0xE0; value <= 0xFC; ++value)
            bytes.set(static_cast<unsigned char>(value), true);
        return bytes;
    }
    if (upper == "EUC-JP" || upper == "EUCJP") {
        LeadBytes bytes = LeadBytes::range(0xA1, 0xFE);
        bytes.set(0x8E, true);
        bytes.set(0x8F, true);
        return bytes;
    }
    if (upper == "GB2312" || upper == "EUC-CN" || upper == "EUCCN")
        return LeadBytes::range(0xA1, 0xFE);
    return std::nullopt;
}

// For any other set: the bytes that iconv finds incomplete on their own.
LeadBytes probedLeadBytes(iconv_t converter)
{
    LeadBytes bytes;
    for (unsigned value = 0x80; value <= 0xFF; ++value) {
        char in = static_cast<char>(value);
        char out[8];
        char* inPointer = &in;
        char* outPointer = out;
        std::size_t inLeft = 1;
        std::size_t outLeft = sizeof out;
        iconv(converter, nullptr, nullptr, nullptr, nullptr);
        if (iconv(converter, &inPointer, &inLeft, &outPointer, &outLeft) == static_cast<std::size_t>(-1)
            && errno == EINVAL)
            bytes.set(static_cast<unsigned char>(value), true);
    }
    return bytes;
}

bool isContinuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

std::size_t utf8Length(std::string_view rest)
{
    const auto lead = static_cast<unsigned char>(rest[0]);
    std::size_t length = 1;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80; // no overlong forms
        high = lead == 0xED ? 0x9F : 0xBF; // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF; // nothing above U+10FFFF
    } else {
        return 1;
    }
    if (rest.size() < length)
        return 1;
    const auto second = static_cast<unsigned char>(rest[1]);
    if (second < low || second > high)
        return 1;
    for (std::size_t i = 2; i < length; ++i) {
        if (!isContinuation(static_cast<unsigned char>(rest[i])))
            return 1;
    }
    return length;
}

const CodePage* g_override = nullptr;

std::optional<CodePage>& connectionCodePage()
{
    static std::optional<CodePage> fixed;
    return fixed;
}

const CodePage& localeCodePage()
{
    static const CodePage read = CodePage::ofLocale("");
    return read;
}

} // namespace

LeadBytes LeadBytes::range(std::uint8_t first, std::uint8_t last)
{
    LeadBytes bytes;
    for (unsigned value = first; value <= last; ++value)
        bytes.m_lead[value] = true;
    return bytes;
}

bool LeadBytes::any() const
{
    return std::find(m_lead.begin(), m_lead.end(), true) != m_lead.end();
}

CodePage::CodePage()
    : m_name(kAscii)
{
}

CodePage CodePage::named(std::string_view charsetName)
{
    CodePage page;
    const std::string upper = upperCase(charsetName);
    if (isUtf8Name(upper)) {
        page.m_name = "UTF-8";
        page.m_kind = Kind::Utf8;
        page.m_leadBytes = LeadBytes::range(0xC2, 0xF4);
        return page;
    }
    const iconv_t converter = iconv_open("UTF-8", std::string(charsetName).c_str());
    if (converter == reinterpret_cast<iconv_t>(-1))
        return page;
    page.m_name = std::string(charsetName);
    page.m_leadBytes = knownLeadBytes(upper).value_or(probedLeadBytes(converter));
    iconv_close(converter);
    page.m_kind = page.m_leadBytes.any() ? Kind::DoubleByte : Kind::SingleByte;
    return page;
}

CodePage CodePage::ofLocale(const char* localeName)
{
    // A locale object of our own: the process's locale, which Qt and others rely
    // on, stays as it is.
    const locale_t wanted = newlocale(LC_CTYPE_MASK, localeName, static_cast<locale_t>(nullptr));
    if (wanted == static_cast<locale_t>(nullptr))
        return CodePage();
    const std::string charset = nl_langinfo_l(CODESET, wanted);
    freelocale(wanted);
    return named(charset);
}

std::string CodePage::charsetOfFirebird(std::string_view firebirdName)
{
    const std::string name = upperCase(trimBlanksAndControls(firebirdName));

    static const std::pair<std::string_view, std::string_view> fixed[] = {
        {"ASCII", "ASCII"},      {"UTF8", "UTF-8"},        {"UNICODE_FSS", "UTF-8"}, {"BIG_5", "BIG5"},
        {"GB_2312", "EUC-CN"},   {"GBK", "GBK"},           {"SJIS_0208", "SHIFT_JIS"}, {"EUCJ_0208", "EUC-JP"},
        {"KSC_5601", "CP949"},   {"CP943C", "CP932"},      {"KOI8R", "KOI8-R"},      {"KOI8U", "KOI8-U"},
        {"TIS620", "TIS-620"},   {"GB18030", "GB18030"},
    };
    std::string charset;
    for (const auto& [firebird, iconvName] : fixed) {
        if (name == firebird)
            charset = iconvName;
    }
    auto numbered = [&name](std::string_view prefix, std::string_view iconvPrefix) -> std::string {
        if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0)
            return {};
        const std::string digits = name.substr(prefix.size());
        if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return {};
        return std::string(iconvPrefix) + digits;
    };
    if (charset.empty())
        charset = numbered("WIN", "CP");
    if (charset.empty())
        charset = numbered("DOS", "CP");
    if (charset.empty())
        charset = numbered("ISO8859_", "ISO-8859-");
    if (charset.empty())
        return {}; // NONE, OCTETS and anything unknown: the locale's

    const iconv_t converter = iconv_open("UTF-8", charset.c_str());
    if (converter == reinterpret_cast<iconv_t>(-1))
        return {};
    iconv_close(converter);
    return charset;
}

std::size_t CodePage::characterLength(std::string_view rest) const
{
    if (rest.empty())
        return 0;
    switch (m_kind) {
    case Kind::SingleByte:
        return 1;
    case Kind::DoubleByte:
        return m_leadBytes.isLead(static_cast<unsigned char>(rest[0])) && rest.size() >= 2 ? 2 : 1;
    case Kind::Utf8:
        return utf8Length(rest);
    }
    return 1;
}

std::string CodePage::toUtf8(std::string_view bytes) const
{
    std::string text;
    text.reserve(bytes.size() + bytes.size() / 2);
    if (m_kind == Kind::Utf8) {
        while (!bytes.empty()) {
            const std::size_t length = utf8Length(bytes);
            if (length == 1 && static_cast<unsigned char>(bytes[0]) >= 0x80)
                text += kReplacement;
            else
                text += bytes.substr(0, length);
            bytes.remove_prefix(length);
        }
        return text;
    }

    const iconv_t converter = iconv_open("UTF-8", m_name.c_str());
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        for (char c : bytes) {
            if (static_cast<unsigned char>(c) < 0x80)
                text += c;
            else
                text += kReplacement;
        }
        return text;
    }
    std::string input(bytes);
    char* in = input.data();
    std::size_t inLeft = input.size();
    char buffer[256];
    while (inLeft > 0) {
        char* out = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t result = iconv(converter, &in, &inLeft, &out, &outLeft);
        text.append(buffer, static_cast<std::size_t>(out - buffer));
        if (result != static_cast<std::size_t>(-1) || errno == E2BIG)
            continue;
        // Not a character of this set, or cut short at the end: one replacement
        // for the whole character as the scanner would take it.
        text += kReplacement;
        const std::size_t skip = std::min(inLeft, std::max<std::size_t>(1, characterLength({in, inLeft})));
        in += skip;
        inLeft -= skip;
        iconv(converter, nullptr, nullptr, nullptr, nullptr);
    }
    char* out = buffer;
    std::size_t outLeft = sizeof buffer;
    iconv(converter, nullptr, nullptr, &out, &outLeft);
    text.append(buffer, static_cast<std::size_t>(out - buffer));
    iconv_close(converter);
    return text;
}

const CodePage& databaseCodePage()
{
    if (g_override)
        return *g_override;
    const std::optional<CodePage>& fixed = connectionCodePage();
    return fixed ? *fixed : localeCodePage();
}

void useConnectionCharSet(std::string_view firebirdCharSet)
{
    const std::string charset = CodePage::charsetOfFirebird(firebirdCharSet);
    // Without a character set of its own the connection reads the locale as it
    // is now, so a program started under another locale follows it.
    connectionCodePage() = charset.empty() ? CodePage::ofLocale("") : CodePage::named(charset);
}

std::size_t databaseCharacterLength(std::string_view rest)
{
    return databaseCodePage().characterLength(rest);
}

std::string databaseTextToUtf8(std::string_view bytes)
{
    return databaseCodePage().toUtf8(bytes);
}

ScopedCodePage::ScopedCodePage(CodePage codePage)
    : m_codePage(std::move(codePage))
    , m_previous(g_override)
{
    g_override = &m_codePage;
}

ScopedCodePage::~ScopedCodePage()
{
    g_override = m_previous;
}

} // namespace didu
