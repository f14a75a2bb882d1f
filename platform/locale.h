// The user's locale (LC_CTYPE): the one place that reads it. It gives the code
// page of database text when a connection names none, the character set of the
// system's own texts, and how single-byte letters fold when names are compared
// without regard to case.
//
// The facts are read once, at start-up (or on first use), from the C library,
// without touching the process's own locale, which Qt and others rely on. Tests
// run under real locales built for them (tests/support/locales) and read the
// facts again with reloadUserLocale().
#pragma once

#include "platform/codepage.h"

#include <array>
#include <optional>
#include <string_view>

namespace didu {

/// Upper-case form of every byte that is a character on its own: ASCII by
/// ASCII's rule whatever the locale, bytes above it by the locale's rule
/// (never to ASCII); other bytes map to themselves.
using UpperCaseTable = std::array<unsigned char, 256>;

/// What the program takes from one locale.
struct LocaleFacts {
    /// The locale's character set.
    CodePage codePage;
    UpperCaseTable upper;

    /// ASCII, ASCII letters fold and nothing else (the "C" locale).
    static LocaleFacts plain();
    /// The facts of the named locale ("" for the user's environment); nullopt
    /// when the C library does not know it.
    static std::optional<LocaleFacts> of(const char* localeName);
    /// The same, plain() for a locale the C library does not know.
    static LocaleFacts read(const char* localeName);
};

/// The user's locale: read on first use and kept for the rest of the run.
const LocaleFacts& userLocale();

/// Reads the user's locale now, so that the first statement does not pay for it.
void loadUserLocale();
/// Reads the user's locale again, for tests that run under several. Nothing
/// may run meanwhile: what was read before changes in place.
void reloadUserLocale();

/// True when `a` and `b` are the same text without regard to letter case: a
/// character of more than one byte in `codePage` must match exactly (its second
/// byte may look like an ASCII letter), single bytes match after folding by `upper`.
bool sameTextIgnoreCase(std::string_view a, std::string_view b, const CodePage& codePage,
                        const UpperCaseTable& upper);
/// The same in `codePage` with the user's locale's folding.
bool sameTextIgnoreCase(std::string_view a, std::string_view b, const CodePage& codePage);

} // namespace didu
