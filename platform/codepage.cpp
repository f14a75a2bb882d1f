#include "platform/codepage.h"

#include "platform/asciitext.h"

#include <algorithm>
#include <cerrno>
#include <iconv.h>
#include <optional>
#include <stdexcept>

namespace didu {

namespace {

using Form = CodePage::Form;

constexpr std::string_view kReplacement = "\xEF\xBF\xBD"; // U+FFFD
constexpr std::string_view kAscii = "ANSI_X3.4-1968";
constexpr Form::Range kAnyByte {0x00, 0xFF};

bool isUtf8Name(const std::string& upper)
{
    return upper == "UTF-8" || upper == "UTF8" || upper == "ISO-10646/UTF-8/" || upper == "ISO-10646/UTF8/";
}

bool isOneOf(const std::string& upper, std::initializer_list<std::string_view> names)
{
    return std::find(names.begin(), names.end(), upper) != names.end();
}

Form form(std::initializer_list<Form::Range> bytes)
{
    Form made {static_cast<std::uint8_t>(bytes.size()), {}};
    std::copy(bytes.begin(), bytes.end(), made.bytes.begin());
    return made;
}

// UTF-8 as RFC 3629 has it: no overlong forms, no surrogates, nothing above
// U+10FFFF, so that what is cut or scanned is exactly what decodes.
std::vector<Form> utf8Forms()
{
    const Form::Range tail {0x80, 0xBF};
    return {
        form({{0xF0, 0xF0}, {0x90, 0xBF}, tail, tail}), form({{0xF1, 0xF3}, tail, tail, tail}),
        form({{0xF4, 0xF4}, {0x80, 0x8F}, tail, tail}), form({{0xE0, 0xE0}, {0xA0, 0xBF}, tail}),
        form({{0xE1, 0xEC}, tail, tail}),               form({{0xED, 0xED}, {0x80, 0x9F}, tail}),
        form({{0xEE, 0xEF}, tail, tail}),               form({{0xC2, 0xDF}, tail}),
    };
}

// The sets whose rule the program knows. The double-byte sets of Windows take
// their lead bytes as the Windows code pages define them, wider than the C
// library's tables (Big5's user-defined rows 0x81 to 0xA0 and 0xFA to 0xFE among
// them), with any second byte: a shop's own characters still keep their second
// byte away from the statement scanner.
std::optional<std::vector<Form>> knownForms(const std::string& upper)
{
    const Form::Range euc {0xA1, 0xFE};
    if (isOneOf(upper, {"BIG5", "BIG-5", "CN-BIG5", "CP950", "BIG5-HKSCS", "BIG5HKSCS", "GBK", "CP936", "MS936",
                        "WINDOWS-936", "EUC-KR", "EUCKR", "CP949", "UHC"}))
        return std::vector<Form> {form({{0x81, 0xFE}, kAnyByte})};
    if (isOneOf(upper, {"SHIFT_JIS", "SHIFT-JIS", "SJIS", "CP932", "MS_KANJI", "WINDOWS-31J"}))
        return std::vector<Form> {form({{0x81, 0x9F}, kAnyByte}), form({{0xE0, 0xFC}, kAnyByte})};
    if (isOneOf(upper, {"GB18030"}))
        return std::vector<Form> {form({{0x81, 0xFE}, {0x30, 0x39}, {0x81, 0xFE}, {0x30, 0x39}}),
                                  form({{0x81, 0xFE}, {0x40, 0x7E}}), form({{0x81, 0xFE}, {0x80, 0xFE}})};
    if (isOneOf(upper, {"EUC-TW", "EUCTW"}))
        return std::vector<Form> {form({{0x8E, 0x8E}, {0xA1, 0xB0}, euc, euc}), form({euc, euc})};
    if (isOneOf(upper, {"EUC-JP", "EUCJP", "EUC-JP-MS"}))
        return std::vector<Form> {form({{0x8F, 0x8F}, euc, euc}), form({{0x8E, 0x8E}, euc}), form({euc, euc})};
    if (isOneOf(upper, {"GB2312", "EUC-CN", "EUCCN"}))
        return std::vector<Form> {form({euc, euc})};
    return std::nullopt;
}

// For any other set: the bytes that iconv finds incomplete on their own lead a
// character of two.
std::vector<Form> probedForms(iconv_t converter)
{
    std::vector<Form> forms;
    for (unsigned value = 0x80; value <= 0xFF; ++value) {
        char in = static_cast<char>(value);
        char out[8];
        char* inPointer = &in;
        char* outPointer = out;
        std::size_t inLeft = 1;
        std::size_t outLeft = sizeof out;
        iconv(converter, nullptr, nullptr, nullptr, nullptr);
        if (iconv(converter, &inPointer, &inLeft, &outPointer, &outLeft) == static_cast<std::size_t>(-1)
            && errno == EINVAL) {
            const auto byte = static_cast<std::uint8_t>(value);
            forms.push_back(form({{byte, byte}, kAnyByte}));
        }
    }
    return forms;
}

} // namespace

CodePage::CodePage()
    : m_name(kAscii)
{
}

void CodePage::setForms(std::vector<Form> forms)
{
    std::stable_sort(forms.begin(), forms.end(), [](const Form& a, const Form& b) { return a.length > b.length; });
    m_forms = std::move(forms);
    m_formsOf.fill({});
    m_longest = 1;
    for (std::size_t i = 0; i < m_forms.size(); ++i) {
        const Form& f = m_forms[i];
        for (unsigned value = f.bytes[0].first; value <= f.bytes[0].last; ++value) {
            FormsOfByte& of = m_formsOf[value];
            if (of.count == of.index.size())
                throw std::logic_error("code page " + m_name + ": more than " + std::to_string(of.index.size())
                                       + " forms of characters begin with byte " + std::to_string(value));
            of.index[of.count++] = static_cast<std::uint8_t>(i);
        }
        m_longest = std::max<std::size_t>(m_longest, f.length);
    }
    for (FormsOfByte& of : m_formsOf) {
        if (of.count == 0)
            continue;
        const Form& only = m_forms[of.index[0]];
        const bool anyLaterByte = std::all_of(only.bytes.begin() + 1, only.bytes.begin() + only.length,
                                              [](Form::Range r) { return r.first == 0x00 && r.last == 0xFF; });
        of.fixedLength = of.count == 1 && anyLaterByte ? only.length : 0;
    }
}

CodePage CodePage::named(std::string_view charsetName)
{
    CodePage page;
    const std::string upper = asciiUpperCase(charsetName);
    if (isUtf8Name(upper)) {
        page.m_name = "UTF-8";
        page.m_utf8 = true;
        page.setForms(utf8Forms());
        return page;
    }
    const iconv_t converter = iconv_open("UTF-8", std::string(charsetName).c_str());
    if (converter == reinterpret_cast<iconv_t>(-1))
        return page;
    page.m_name = std::string(charsetName);
    std::optional<std::vector<Form>> forms = knownForms(upper);
    page.setForms(forms ? std::move(*forms) : probedForms(converter));
    iconv_close(converter);
    return page;
}

CodePage CodePage::fromForms(std::string name, std::vector<Form> forms)
{
    CodePage page;
    page.m_name = std::move(name);
    page.setForms(std::move(forms));
    return page;
}

CodePage CodePage::forConnection(std::string_view firebirdCharSet, const CodePage& locale)
{
    const std::string charset = charsetOfFirebird(firebirdCharSet);
    return charset.empty() ? locale : named(charset);
}

std::string CodePage::charsetOfFirebird(std::string_view firebirdName)
{
    const std::string name = asciiUpperCase(trimBlanksAndControls(firebirdName));

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

std::string CodePage::toUtf8(std::string_view bytes) const
{
    std::string text;
    text.reserve(bytes.size() + bytes.size() / 2);
    if (m_utf8) {
        while (!bytes.empty()) {
            const std::size_t length = characterLength(bytes);
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

std::string CodePage::fromUtf8(std::string_view text) const
{
    if (m_utf8)
        return std::string(text);
    static const CodePage utf8 = named("UTF-8");
    std::string bytes;
    bytes.reserve(text.size());
    const iconv_t converter = iconv_open(m_name.c_str(), "UTF-8");
    while (!text.empty()) {
        const std::size_t length = utf8.characterLength(text);
        const auto lead = static_cast<unsigned char>(text[0]);
        char out[8];
        char* in = const_cast<char*>(text.data());
        char* outPointer = out;
        std::size_t inLeft = length;
        std::size_t outLeft = sizeof out;
        if (lead < 0x80) {
            bytes += text[0];
        } else if (length > 1 && converter != reinterpret_cast<iconv_t>(-1)
                   && iconv(converter, &in, &inLeft, &outPointer, &outLeft) != static_cast<std::size_t>(-1)) {
            bytes.append(out, static_cast<std::size_t>(outPointer - out));
        } else {
            bytes += '?';
        }
        text.remove_prefix(length);
    }
    if (converter != reinterpret_cast<iconv_t>(-1))
        iconv_close(converter);
    return bytes;
}

} // namespace didu
