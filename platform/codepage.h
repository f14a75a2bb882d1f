// The code page of database text: the one place that decides how the bytes the
// database hands over are split into characters and how they read on screen.
//
// It is the connection's character set when the connection names one
// ("ServerCharSet", fixed when the connection opens), and otherwise the character
// set of the user's locale (LC_CTYPE). Database text itself is carried to and
// from the database as bytes and never re-encoded; only what reaches the
// operator is decoded, to UTF-8, here.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace didu {

/// Byte length of the character that begins `rest` (1 for a single byte or a
/// byte that starts no valid character), for the rules that walk text by
/// whole characters.
using CharacterLength = std::function<std::size_t(std::string_view rest)>;

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

class CodePage {
public:
    enum class Kind { SingleByte, DoubleByte, Utf8 };

    /// ASCII: no lead bytes, every byte above 0x7F unreadable.
    CodePage();

    /// The character set of that name as the C library's iconv knows it ("BIG5",
    /// "UTF-8", "CP1252"...). A name iconv does not know gives ASCII.
    static CodePage named(std::string_view charsetName);
    /// The LC_CTYPE character set of the named locale ("" for the user's
    /// environment); a locale the C library does not know gives ASCII.
    static CodePage ofLocale(const char* localeName);
    /// The iconv name of a Firebird character set ("BIG_5" gives "BIG5"); empty
    /// for NONE, OCTETS and every name without a mapping, which mean "the locale's".
    static std::string charsetOfFirebird(std::string_view firebirdName);

    const std::string& name() const { return m_name; }
    Kind kind() const { return m_kind; }
    /// The bytes that the statement scanner takes together with the byte after them.
    const LeadBytes& leadBytes() const { return m_leadBytes; }

    /// Byte length of the character that begins `rest`: 0 for empty text; 1 for a
    /// byte that begins no character of more than one byte; in a double-byte set
    /// 2 for a lead byte with a byte after it; in UTF-8 the length of a valid
    /// sequence, 1 for a byte that begins none.
    std::size_t characterLength(std::string_view rest) const;

    /// `bytes` as UTF-8. A sequence that is not a character of this set becomes
    /// U+FFFD and reading goes on after it.
    std::string toUtf8(std::string_view bytes) const;

private:
    std::string m_name;
    Kind m_kind = Kind::SingleByte;
    LeadBytes m_leadBytes;
};

/// The code page in force: the one fixed by the last connection that opened, the
/// user locale's before that (or a test's, see ScopedCodePage).
const CodePage& databaseCodePage();

/// Fixes the code page as a connection opens: the Firebird character set it was
/// given, or the user locale's when that is empty or has no mapping.
void useConnectionCharSet(std::string_view firebirdCharSet);

/// Byte length of the character that begins `rest` in the code page in force.
std::size_t databaseCharacterLength(std::string_view rest);

/// Database text as the operator reads it: decoded by the code page in force.
std::string databaseTextToUtf8(std::string_view bytes);

/// Puts another code page in force for as long as it lives (tests).
class ScopedCodePage {
public:
    explicit ScopedCodePage(CodePage codePage);
    ~ScopedCodePage();
    ScopedCodePage(const ScopedCodePage&) = delete;
    ScopedCodePage& operator=(const ScopedCodePage&) = delete;

private:
    CodePage m_codePage;
    const CodePage* m_previous;
};

} // namespace didu
