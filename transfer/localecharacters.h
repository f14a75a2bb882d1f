// Where characters begin and end in text of the user's locale, for the cuts and
// checks that must never split a multibyte character.
#pragma once

#include "platform/locale.h"

#include <cstddef>
#include <string_view>

namespace didu {

/// Byte length of the character that begins `rest` under `rules`: 1 for a byte
/// that is no lead byte; for a lead byte 2 in a double-byte set, and the length
/// its high bits give in UTF-8 (told apart by UTF-8 having no lead byte among
/// 0x80 to 0xBF, which every double-byte set of a locale has).
std::size_t characterLength(std::string_view rest, const LocaleRules& rules);

/// The same under the rules in force (the user's locale, or a test's).
std::size_t localeCharacterLength(std::string_view rest);

} // namespace didu
