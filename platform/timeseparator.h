// The time separator of the user's locale, for the change time of new members.
// Read from the locale's time format, since the C library has no item of its own
// for it: the one ASCII punctuation character between the hour and the minute,
// ":" for anything else, so that the change time always takes 8 bytes.
#pragma once

#include <string>
#include <string_view>

namespace didu {

/// The separator of a strftime-style time format: the character between the
/// hour and the minute when it is one ASCII punctuation character (":", ".");
/// ":" for %T and %R and for anything else. `ampmFormat` stands in for %r.
std::string timeSeparatorFromFormat(std::string_view timeFormat, std::string_view ampmFormat = "%I:%M:%S %p");

/// The separator of the user's locale, read on first use and kept.
std::string timeSeparator();

/// Reads the user's locale again (on QEvent::LocaleChange) and answers the new
/// separator.
std::string reloadTimeSeparator();

} // namespace didu
