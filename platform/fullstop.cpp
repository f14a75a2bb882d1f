#include "platform/fullstop.h"

#include "platform/codepage.h"
#include "platform/errors.h"

namespace didu {

bool needsFullStop(std::string_view message, const CodePage& codePage)
{
    if (message.empty())
        return false;
    // Find where the last character starts: only a walk from the front can tell
    // a trail byte from a single-byte character.
    std::size_t start = 0;
    std::size_t lastStart = 0;
    while (start < message.size()) {
        lastStart = start;
        start += codePage.characterLength(message.substr(start));
    }
    if (message.size() - lastStart > 1)
        return true;
    return static_cast<unsigned char>(message.back()) > static_cast<unsigned char>('.');
}

std::string withFullStop(std::string_view message, const CodePage& codePage)
{
    std::string shown(message);
    if (needsFullStop(message, codePage))
        shown += '.';
    return shown;
}

std::string shownMessage(std::string_view message)
{
    static const CodePage utf8 = CodePage::named("UTF-8");
    return withFullStop(message, utf8);
}

std::optional<std::string> shownErrorText(const std::exception& error, std::string_view lineBreak)
{
    if (dynamic_cast<const AbortError*>(&error))
        return std::nullopt;
    std::string text = shownMessage(error.what());
    if (lineBreak == "\r\n")
        return text;
    std::string shown;
    shown.reserve(text.size());
    std::size_t from = 0;
    for (std::size_t at; (at = text.find("\r\n", from)) != std::string::npos; from = at + 2)
        shown.append(text, from, at - from).append(lineBreak);
    shown.append(text, from);
    return shown;
}

} // namespace didu
