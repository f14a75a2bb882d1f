#include "platform/asciitext.h"

namespace didu {

namespace {

bool isBlankOrControl(char c)
{
    return static_cast<unsigned char>(c) <= 0x20;
}

bool isBlankControlOrDelete(char c)
{
    return isBlankOrControl(c) || c == 0x7f;
}

bool isSpace(char c)
{
    return c == ' ';
}

template <typename Trimmed>
std::string_view trimFront(std::string_view text, Trimmed trimmed)
{
    while (!text.empty() && trimmed(text.front()))
        text.remove_prefix(1);
    return text;
}

template <typename Trimmed>
std::string_view trimBack(std::string_view text, Trimmed trimmed)
{
    while (!text.empty() && trimmed(text.back()))
        text.remove_suffix(1);
    return text;
}

} // namespace

std::string_view trimBlanksAndControls(std::string_view text)
{
    return trimBack(trimFront(text, isBlankOrControl), isBlankOrControl);
}

std::string_view trimLeadingBlanksAndControls(std::string_view text)
{
    return trimFront(text, isBlankOrControl);
}

std::string_view trimTrailingBlanksAndControls(std::string_view text)
{
    return trimBack(text, isBlankOrControl);
}

std::string_view trimBlanksControlsAndDelete(std::string_view text)
{
    return trimBack(trimFront(text, isBlankControlOrDelete), isBlankControlOrDelete);
}

std::string_view trimSpaces(std::string_view text)
{
    return trimBack(trimFront(text, isSpace), isSpace);
}

bool asciiEqualsIgnoreCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (asciiUpper(a[i]) != asciiUpper(b[i]))
            return false;
    return true;
}

bool asciiStartsWithIgnoreCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && asciiEqualsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

} // namespace didu
