#include "platform/systemtext.h"

#include "platform/codepage.h"
#include "platform/locale.h"

namespace didu {

std::string systemTextToUtf8(std::string_view bytes)
{
    // The C library's error texts follow the locale.
    const CodePage& page = userLocale().codePage;
    if (page.name() == CodePage().name()) {
        static const CodePage utf8 = CodePage::named("UTF-8");
        return utf8.toUtf8(bytes);
    }
    return page.toUtf8(bytes);
}

std::string driverMessageToUtf8(std::string_view message, const CodePage& codePage)
{
    std::string text;
    while (!message.empty()) {
        const std::size_t begin = message.find(kSystemTextBegin);
        text += codePage.toUtf8(message.substr(0, begin));
        if (begin == std::string_view::npos)
            break;
        message.remove_prefix(begin + 1);
        const std::size_t end = message.find(kSystemTextEnd);
        text += systemTextToUtf8(message.substr(0, end));
        if (end == std::string_view::npos)
            break;
        message.remove_prefix(end + 1);
    }
    return text;
}

} // namespace didu
