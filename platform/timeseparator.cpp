#include "platform/timeseparator.h"

#include <cctype>
#include <clocale>
#include <cstring>
#include <langinfo.h>
#include <locale.h>
#include <mutex>
#include <optional>
#include <vector>

namespace didu {

namespace {

constexpr std::string_view kDefaultSeparator = ":";

// One piece of a strftime-style format: a conversion (its letter) or one
// literal byte ("%%" gives a literal "%").
struct Piece {
    char conversion = '\0';
    char literal = '\0';
};

std::vector<Piece> piecesOf(std::string_view format)
{
    std::vector<Piece> pieces;
    std::size_t i = 0;
    while (i < format.size()) {
        if (format[i] != '%') {
            pieces.push_back({'\0', format[i++]});
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
        if (conversion == '%')
            pieces.push_back({'\0', '%'});
        else
            pieces.push_back({conversion, '\0'});
    }
    return pieces;
}

bool isHour(char conversion)
{
    return conversion == 'H' || conversion == 'I' || conversion == 'k' || conversion == 'l';
}

bool isAsciiPunctuation(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x80 && std::ispunct(byte);
}

// The separator between the hour and the minute; nothing when the format has
// no hour directly followed, after exactly one ASCII punctuation character, by
// the minute. A unit such as zh_TW's 時 in "%H時%M分%S秒" is no separator.
std::optional<std::string> separatorIn(std::string_view format, std::string_view ampmFormat, int depth)
{
    const std::vector<Piece> pieces = piecesOf(format);
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const char conversion = pieces[i].conversion;
        if (conversion == 'T' || conversion == 'R')
            return std::string(kDefaultSeparator);
        if (conversion == 'r') {
            if (depth == 0)
                return separatorIn(ampmFormat, {}, depth + 1);
            return std::nullopt;
        }
        if (!isHour(conversion))
            continue;
        if (i + 2 < pieces.size() && pieces[i + 1].conversion == '\0' && isAsciiPunctuation(pieces[i + 1].literal)
            && pieces[i + 2].conversion == 'M')
            return std::string(1, pieces[i + 1].literal);
        return std::nullopt;
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
