#include "transfer/localecharacters.h"

namespace didu {

namespace {

bool isUtf8Shape(const LeadBytes& leadBytes)
{
    for (unsigned value = 0x80; value <= 0xBF; ++value) {
        if (leadBytes.isLead(static_cast<unsigned char>(value)))
            return false;
    }
    return true;
}

} // namespace

std::size_t characterLength(std::string_view rest, const LocaleRules& rules)
{
    if (rest.empty())
        return 0;
    const auto lead = static_cast<unsigned char>(rest.front());
    if (!rules.leadBytes.isLead(lead))
        return 1;
    if (!isUtf8Shape(rules.leadBytes))
        return 2;
    if (lead >= 0xF0)
        return 4;
    if (lead >= 0xE0)
        return 3;
    return 2;
}

std::size_t localeCharacterLength(std::string_view rest)
{
    return characterLength(rest, userLocale());
}

} // namespace didu
