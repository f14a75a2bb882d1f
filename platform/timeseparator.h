// The time separator of the user's locale, for the change time of new members.
// Read from the locale's time format, since the C library has no item of its own
// for it; ":" when the format shows none.
#pragma once

#include <string>
#include <string_view>

namespace didu {

/// The separator of a strftime-style time format: the first character after the
/// first hour, minute or second field; ":" for %T and %R, and when none is
/// found. `ampmFormat` stands in for %r.
std::string timeSeparatorFromFormat(std::string_view timeFormat, std::string_view ampmFormat = "%I:%M:%S %p");

/// The separator of the user's locale, read on first use and kept.
std::string timeSeparator();

/// Reads the user's locale again (on QEvent::LocaleChange) and answers the new
/// separator.
std::string reloadTimeSeparator();

} // namespace didu
