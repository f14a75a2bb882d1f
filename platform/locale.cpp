#include "platform/locale.h"

#include <cctype>
#include <cwchar>
#include <locale.h>

namespace didu {

namespace {

// The rules in force: the user's, unless a test has put others in place.
const LocaleRules* g_override = nullptr;

const LocaleRules& userRules()
{
    static const LocaleRules rules = [] {
        LocaleRules read = LocaleRules::plain();
        LocaleRules::fromLocale("", read);
        return read;
    }();
    return rules;
}

} // namespace

LocaleRules LocaleRules::plain()
{
    LocaleRules rules;
    for (unsigned value = 0; value < 256; ++value)
        rules.upper[value] = (value >= 'a' && value <= 'z') ? static_cast<unsigned char>(value - 'a' + 'A')
                                                            : static_cast<unsigned char>(value);
    return rules;
}

bool LocaleRules::fromLocale(const char* localeName, LocaleRules& rules)
{
    // A locale object of our own, made current for this thread only while the
    // table is read: the process's locale (which Qt and others rely on) stays as it is.
    locale_t wanted = newlocale(LC_CTYPE_MASK, localeName, static_cast<locale_t>(nullptr));
    if (wanted == static_cast<locale_t>(nullptr))
        return false;
    const locale_t previous = uselocale(wanted);

    LocaleRules read;
    for (unsigned value = 0; value < 256; ++value) {
        const char byte = static_cast<char>(value);
        std::mbstate_t state{};
        const std::size_t length = std::mbrlen(&byte, 1, &state);
        const bool single = length == 1 || value == 0;
        read.upper[value] = single ? static_cast<unsigned char>(toupper_l(static_cast<int>(value), wanted))
                                   : static_cast<unsigned char>(value);
    }

    uselocale(previous);
    freelocale(wanted);
    rules = read;
    return true;
}

const LocaleRules& userLocale()
{
    return g_override ? *g_override : userRules();
}

void loadUserLocale()
{
    userRules();
    databaseCodePage();
}

ScopedLocaleRules::ScopedLocaleRules(const LocaleRules& rules)
    : m_rules(rules)
    , m_previous(g_override)
{
    g_override = &m_rules;
}

ScopedLocaleRules::~ScopedLocaleRules()
{
    g_override = m_previous;
}

bool sameTextIgnoreCase(std::string_view a, std::string_view b, const LeadBytes& leadBytes, const LocaleRules& rules)
{
    if (a.size() != b.size())
        return false;
    const std::size_t size = a.size();
    for (std::size_t i = 0; i < size; ++i) {
        const auto left = static_cast<unsigned char>(a[i]);
        const auto right = static_cast<unsigned char>(b[i]);
        if (leadBytes.isLead(left) && i + 1 < size) {
            if (left != right || a[i + 1] != b[i + 1])
                return false;
            ++i;
            continue;
        }
        if (rules.upper[left] != rules.upper[right])
            return false;
    }
    return true;
}

bool sameTextIgnoreCase(std::string_view a, std::string_view b)
{
    return sameTextIgnoreCase(a, b, databaseCodePage().leadBytes(), userLocale());
}

} // namespace didu
