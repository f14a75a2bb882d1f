// How single-byte letters fold when names are compared without regard to case,
// as the user's locale (LC_CTYPE) has it. Which bytes begin a multibyte character
// is the code page's (platform/codepage.h).
//
// The rules are read once, at start-up, from the C library under the user's
// locale. Tests put other rules in place with ScopedLocaleRules.
#pragma once

#include "platform/codepage.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace didu {

/// The rules of one locale's character set.
struct LocaleRules {
    /// Upper-case form of every byte that is a character on its own; other bytes
    /// map to themselves.
    std::array<unsigned char, 256> upper;

    /// ASCII letters fold, nothing else (the "C" locale).
    static LocaleRules plain();
    /// Reads the rules of the named locale ("" for the user's environment) from
    /// the C library, without touching the process's own locale. False when the
    /// C library does not know the locale; `rules` is then left unchanged.
    static bool fromLocale(const char* localeName, LocaleRules& rules);
};

/// The rules of the user's locale: read on first use (normally at start-up) and
/// kept for the rest of the run. A locale the C library does not know gives plain().
const LocaleRules& userLocale();

/// Reads the user's locale (and its code page) now, so that the first statement
/// does not pay for it.
void loadUserLocale();

/// Puts other rules in place of the user's for as long as it lives (tests).
class ScopedLocaleRules {
public:
    explicit ScopedLocaleRules(const LocaleRules& rules);
    ~ScopedLocaleRules();
    ScopedLocaleRules(const ScopedLocaleRules&) = delete;
    ScopedLocaleRules& operator=(const ScopedLocaleRules&) = delete;

private:
    LocaleRules m_rules;
    const LocaleRules* m_previous;
};

/// True when `a` and `b` are the same text without regard to letter case under
/// `rules`: the two bytes of a multibyte character (by `leadBytes`) must match
/// exactly (its second byte may look like an ASCII letter), single bytes match
/// after folding.
bool sameTextIgnoreCase(std::string_view a, std::string_view b, const LeadBytes& leadBytes, const LocaleRules& rules);
/// The same under the code page in force and the user's locale.
bool sameTextIgnoreCase(std::string_view a, std::string_view b);

} // namespace didu
