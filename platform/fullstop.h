// The error box's full-stop rule, on the message's bytes. The command-line
// program writes its errors by the same rule, so both read alike.
#pragma once

#include "platform/codepage.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace didu {

/// True when a "." is to be appended: the message is not empty and its last
/// character is above "." (a multibyte last character always is). Without a
/// `characterLength` every byte counts as one character.
bool needsFullStop(std::string_view message, const CharacterLength& characterLength);

/// The message as the error box shows it.
std::string withFullStop(std::string_view message, const CharacterLength& characterLength);

/// A raised message as it is shown: messages are UTF-8 by the time they are
/// raised (the program's own texts are written so, and database text is
/// decoded from its code page where it joins a message), so the rule walks
/// UTF-8 characters.
std::string shownMessage(std::string_view message);

} // namespace didu
