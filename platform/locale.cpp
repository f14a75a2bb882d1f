#include "platform/locale.h"

#include "platform/asciitext.h"

#include <cwchar>
#include <langinfo.h>
#include <locale.h>

namespace didu {

LocaleFacts LocaleFacts::plain()
{
    LocaleFacts facts;
    for (unsigned value = 0; value < 256; ++value)
        facts.upper[value] = static_cast<unsigned char>(asciiUpper(static_cast<char>(value)));
    return facts;
}

std::optional<LocaleFacts> LocaleFacts::of(const char* localeName)
{
    // A locale object of our own, made current for this thread only while the
    // table is read.
    const locale_t wanted = newlocale(LC_CTYPE_MASK, localeName, static_cast<locale_t>(nullptr));
    if (wanted == static_cast<locale_t>(nullptr))
        return std::nullopt;
    const locale_t previous = uselocale(wanted);

    // ASCII letters fold by ASCII's rule under every locale: names of columns,
    // parameters and settings are ASCII, and a Turkish desktop's "i", whose
    // capital is the dotted İ, must still match "I". The locale's own table is
    // asked only about the bytes above ASCII that are characters on their own
    // (ISO 8859's letters), and only for a capital that is such a byte too:
    // Turkish ISO-8859-9 would otherwise turn the dotless ı into ASCII "I".
    LocaleFacts facts = plain();
    facts.codePage = CodePage::named(nl_langinfo_l(CODESET, wanted));
    for (unsigned value = 0x80; value < 256; ++value) {
        const char byte = static_cast<char>(value);
        std::mbstate_t state {};
        if (std::mbrlen(&byte, 1, &state) != 1)
            continue;
        const int upper = toupper_l(static_cast<int>(value), wanted);
        if (upper >= 0x80 && upper <= 0xFF)
            facts.upper[value] = static_cast<unsigned char>(upper);
    }

    uselocale(previous);
    freelocale(wanted);
    return facts;
}

LocaleFacts LocaleFacts::read(const char* localeName)
{
    std::optional<LocaleFacts> facts = of(localeName);
    return facts ? std::move(*facts) : plain();
}

namespace {

LocaleFacts& readUserLocale()
{
    static LocaleFacts facts = LocaleFacts::read("");
    return facts;
}

} // namespace

const LocaleFacts& userLocale()
{
    return readUserLocale();
}

void reloadUserLocale()
{
    readUserLocale() = LocaleFacts::read("");
}

void loadUserLocale()
{
    userLocale();
}

bool sameTextIgnoreCase(std::string_view a, std::string_view b, const CodePage& codePage,
                        const UpperCaseTable& upper)
{
    if (a.size() != b.size())
        return false;
    while (!a.empty()) {
        const std::size_t length = codePage.characterLength(a);
        if (length > 1) {
            if (a.substr(0, length) != b.substr(0, length))
                return false;
        } else if (upper[static_cast<unsigned char>(a[0])] != upper[static_cast<unsigned char>(b[0])]) {
            return false;
        }
        a.remove_prefix(length);
        b.remove_prefix(length);
    }
    return true;
}

bool sameTextIgnoreCase(std::string_view a, std::string_view b, const CodePage& codePage)
{
    return sameTextIgnoreCase(a, b, codePage, userLocale().upper);
}

} // namespace didu
