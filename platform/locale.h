// What the program takes from the character set of the user's locale (LC_CTYPE):
// which bytes begin a multibyte character, and how single-byte letters fold when
// names are compared without regard to case. Database text is carried as bytes in
// that character set, never re-encoded, so these two rules are all the statement
// layer needs to walk it safely.
//
// The rules are read once, at start-up, from the C library under the user's
// locale. Tests put other rules in place with ScopedLocaleRules, so that the Big5
// behaviour is checked whatever locale the test machine runs under.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace didu {

/// Which byte values begin a character of more than one byte.
class LeadBytes {
public:
    /// No lead bytes: a single-byte character set.
    LeadBytes() { m_lead.fill(false); }
    /// Every byte from `first` to `last` (inclusive) is a lead byte.
    static LeadBytes range(std::uint8_t first, std::uint8_t last);

    bool isLead(unsigned char byte) const { return m_lead[byte]; }
    void set(unsigned char byte, bool lead) { m_lead[byte] = lead; }
    bool any() const;

    friend bool operator==(const LeadBytes&, const LeadBytes&) = default;

private:
    std::array<bool, 256> m_lead;
};

/// The rules of one locale's character set.
struct LocaleRules {
    LeadBytes leadBytes;
    /// Upper-case form of every byte that is a character on its own; other bytes
    /// map to themselves.
    std::array<unsigned char, 256> upper;

    /// ASCII letters fold, nothing else; no lead bytes (the "C" locale).
    static LocaleRules plain();
    /// Traditional Chinese, code page 950: lead bytes 0x81 to 0xFE, ASCII folding.
    static LocaleRules big5();
    /// Reads the rules of the named locale ("" for the user's environment) from
    /// the C library, without touching the process's own locale. False when the
    /// C library does not know the locale; `rules` is then left unchanged.
    static bool fromLocale(const char* localeName, LocaleRules& rules);
};

/// The rules of the user's locale: read on first use (normally at start-up) and
/// kept for the rest of the run. A locale the C library does not know gives plain().
const LocaleRules& userLocale();

/// Reads the user's locale now, so that the first statement does not pay for it.
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
/// `rules`: the two bytes of a multibyte character must match exactly (its second
/// byte may look like an ASCII letter), single bytes match after folding.
bool sameTextIgnoreCase(std::string_view a, std::string_view b, const LocaleRules& rules);
/// The same under the user's locale.
bool sameTextIgnoreCase(std::string_view a, std::string_view b);

} // namespace didu
