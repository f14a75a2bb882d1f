// The error box's full-stop rule, on the message's bytes, and the one way an
// error becomes the text a person reads: the window's error box and the
// command-line program both show shownErrorText(), so both read alike.
#pragma once

#include "platform/codepage.h"

#include <cstddef>
#include <exception>
#include <optional>
#include <string>
#include <string_view>

namespace didu {

/// True when a "." is to be appended: the message is not empty and its last
/// character in `codePage` is above "." (a multibyte last character always is).
bool needsFullStop(std::string_view message, const CodePage& codePage);

/// The message as the error box shows it.
std::string withFullStop(std::string_view message, const CodePage& codePage);

/// A raised message as it is shown: messages are UTF-8 by the time they are
/// raised (the program's own texts are written so, and database text is
/// decoded from its code page where it joins a message), so the rule walks
/// UTF-8 characters.
std::string shownMessage(std::string_view message);

/// The text a person reads for `error`: its message as shownMessage() gives it,
/// each line break the lower layers made (CR LF, the error box's own form, which
/// its Ctrl+C copy keeps) written as `lineBreak` ("\n" for a terminal and the
/// journal, which keeps a line ending in CR as binary data); nullopt for the
/// silent AbortError, which ends an action without a word.
std::optional<std::string> shownErrorText(const std::exception& error, std::string_view lineBreak = "\r\n");

} // namespace didu
