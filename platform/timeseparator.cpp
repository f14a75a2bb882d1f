#include "platform/timeseparator.h"

#include <clocale>
#include <cstring>
#include <langinfo.h>
#include <locale.h>
#include <mutex>
#include <optional>

namespace didu {

namespace {

constexpr std::string_view kDefaultSeparator = ":";

bool isTimeField(char c)
{
    return std::strchr("HIklMS", c) != nullptr && c != '\0';
}

// Byte length of the character that starts `text`, by the UTF-8 lead byte; a
// stray byte counts as one. Locales of other multibyte sets have ASCII
// separators, so this only has to keep a UTF-8 character whole.
std::size_t characterLength(std::string_view text)
{
    const auto lead = static_cast<unsigned char>(text.front());
    std::size_t length = 1;
    if (lead >= 0xF0 && lead < 0xF8)
        length = 4;
    else if (lead >= 0xE0)
        length = 3;
    else if (lead >= 0xC0)
        length = 2;
    if (length > text.size())
        return 1;
    for (std::size_t i = 1; i < length; ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80)
            return 1;
    }
    return length;
}

std::optional<std::string> separatorIn(std::string_view format, std::string_view ampmFormat, int depth)
{
    std::size_t i = 0;
    while (i < format.size()) {
        if (format[i] != '%') {
            ++i;
            continue;
        }
        ++i;
        // Flags, field width and the E/O modifiers of glibc's conversions.
        while (i < format.size() && std::strchr("_-0^#", format[i]) && format[i] != '\0')
            ++i;
        while (i < format.size() && format[i] >= '0' && format[i] <= '9')
            ++i;
        if (i < format.size() && (format[i] == 'E' || format[i] == 'O'))
            ++i;
        if (i >= format.size())
            break;
        const char conversion = format[i++];
        if (conversion == 'T' || conversion == 'R')
            return std::string(kDefaultSeparator);
        if (conversion == 'r') {
            if (depth > 0)
                return std::nullopt;
            if (auto inner = separatorIn(ampmFormat, {}, depth + 1))
                return inner;
            continue;
        }
        if (!isTimeField(conversion))
            continue;
        std::size_t end = i;
        while (end < format.size() && format[end] != '%')
            ++end;
        if (end == i)
            continue; // two fields in a row: look further
        return std::string(format.substr(i, characterLength(format.substr(i))));
    }
    return std::nullopt;
}

std::string readFromLocale()
{
    std::string format;
    std::string ampm;
    // The user's locale as the environment names it now, without touching the
    // process-wide locale that the rest of the program runs under.
    if (locale_t user = newlocale(LC_TIME_MASK, "", static_cast<locale_t>(nullptr))) {
        format = nl_langinfo_l(T_FMT, user);
        ampm = nl_langinfo_l(T_FMT_AMPM, user);
        freelocale(user);
    } else {
        format = nl_langinfo(T_FMT);
        ampm = nl_langinfo(T_FMT_AMPM);
    }
    return timeSeparatorFromFormat(format, ampm);
}

std::mutex g_mutex;
std::optional<std::string> g_separator;

} // namespace

std::string timeSeparatorFromFormat(std::string_view timeFormat, std::string_view ampmFormat)
{
    return separatorIn(timeFormat, ampmFormat, 0).value_or(std::string(kDefaultSeparator));
}

std::string timeSeparator()
{
    std::lock_guard lock(g_mutex);
    if (!g_separator)
        g_separator = readFromLocale();
    return *g_separator;
}

std::string reloadTimeSeparator()
{
    std::string separator = readFromLocale();
    std::lock_guard lock(g_mutex);
    g_separator = separator;
    return separator;
}

} // namespace didu
