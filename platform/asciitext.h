// Byte-wise text helpers that ignore the locale: trimming, each named by what it
// takes off, ASCII upper case and ASCII case-insensitive comparison. Bytes above
// 0x7f are never trimmed or folded, so multibyte text passes through unchanged.
//
// The upper-case helpers are inline so that the driver plugin, which links no
// core library, folds SQL names by the same rule.
#pragma once

#include <string>
#include <string_view>

namespace didu {

/// Blanks and control bytes (0x00 to 0x20) off both ends.
std::string_view trimBlanksAndControls(std::string_view text);
/// Blanks and control bytes (0x00 to 0x20) off the front.
std::string_view trimLeadingBlanksAndControls(std::string_view text);
/// Blanks and control bytes (0x00 to 0x20) off the end.
std::string_view trimTrailingBlanksAndControls(std::string_view text);
/// Blanks, control bytes and DEL (0x00 to 0x20, and 0x7f) off both ends: the
/// rule of the configuration files and the values read from them.
std::string_view trimBlanksControlsAndDelete(std::string_view text);
/// Spaces (0x20 only) off both ends.
std::string_view trimSpaces(std::string_view text);

/// `c` in upper case when it is an ASCII letter; any other byte as it is. Names
/// of SQL objects and character sets are ASCII, and a Turkish locale's dotted
/// capital I must not change how they compare.
constexpr char asciiUpper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

/// `text` with every ASCII letter in upper case.
inline std::string asciiUpperCase(std::string_view text)
{
    std::string upper(text);
    for (char& c : upper)
        c = asciiUpper(c);
    return upper;
}

/// ASCII case-insensitive equality; other bytes compare as they are.
bool asciiEqualsIgnoreCase(std::string_view a, std::string_view b);
/// Whether `text` begins with `prefix`, ASCII case ignored.
bool asciiStartsWithIgnoreCase(std::string_view text, std::string_view prefix);

} // namespace didu
