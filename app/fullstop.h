// The error box's full-stop rule, on the message's bytes.
#pragma once

#include "platform/codepage.h"

#include <string>
#include <string_view>

namespace didu {

/// True when a "." is to be appended: the message is not empty and its last
/// character is above "." (a multibyte last character always is). Without a
/// `characterLength` every byte counts as one character.
bool needsFullStop(std::string_view message, const CharacterLength& characterLength);

/// The message as the error box shows it.
std::string withFullStop(std::string_view message, const CharacterLength& characterLength);

} // namespace didu
