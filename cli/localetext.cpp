#include "cli/localetext.h"

#include "platform/locale.h"

namespace didu::cli {

LocaleText LocaleText::user()
{
    return LocaleText(userLocale().codePage);
}

LocaleText::LocaleText(CodePage locale)
    : m_localeSet(locale.name())
    , m_written(locale.name() == CodePage().name() ? CodePage::named("UTF-8") : std::move(locale))
{
}

std::string LocaleText::own(std::string_view utf8) const
{
    return m_written.fromUtf8(utf8);
}

std::string LocaleText::database(std::string_view bytes, const CodePage& codePage) const
{
    if (codePage.name() == m_localeSet || codePage.name() == m_written.name())
        return std::string(bytes);
    return m_written.fromUtf8(codePage.toUtf8(bytes));
}

} // namespace didu::cli
