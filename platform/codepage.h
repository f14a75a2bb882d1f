// The code page of database text: how the bytes the database hands over are
// split into characters and how they read on screen.
//
// Each connection owns one (SQLConnection::codePage()): its character set when
// it names one ("ServerCharSet", fixed when it opens), and otherwise the
// character set of the user's locale (platform/locale.h). What reads a
// connection's text is handed that connection's code page, so two connections
// never change how the other's text reads. Database text itself is carried to
// and from the database as bytes and never re-encoded; only what reaches the
// operator is decoded, to UTF-8, here.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace didu {

class CodePage {
public:
    /// ASCII: every byte a character of its own, every byte above 0x7F unreadable.
    CodePage();

    /// The character set of that name as the C library's iconv knows it ("BIG5",
    /// "UTF-8", "GB18030", "EUC-TW"...). A name iconv does not know gives ASCII.
    static CodePage named(std::string_view charsetName);
    /// The code page of a connection whose character set is `firebirdCharSet`
    /// (its "ServerCharSet"): that set's, or `locale` when it names none or a
    /// set without a mapping.
    static CodePage forConnection(std::string_view firebirdCharSet, const CodePage& locale);
    /// The iconv name of a Firebird character set ("BIG_5" gives "BIG5"); empty
    /// for NONE, OCTETS and every name without a mapping, which mean "the locale's".
    static std::string charsetOfFirebird(std::string_view firebirdName);

    const std::string& name() const { return m_name; }
    /// True for sets some of whose characters take more than one byte.
    bool isMultiByte() const { return !m_forms.empty(); }
    /// False for a byte that is a character on its own wherever it stands first:
    /// every byte below 0x80 in the sets the program reads, so walks over SQL
    /// text only ask characterLength() about the rest.
    bool mayBeginMultiByte(unsigned char byte) const { return m_formsOf[byte].count != 0; }
    /// Bytes of the longest character of the set (1 to 4).
    std::size_t longestCharacter() const { return m_longest; }

    /// Byte length of the character that begins `rest`, by the set's own rule:
    /// 0 for empty text; the length of the longest whole character of the set
    /// that `rest` begins with; 1 for a byte that begins none (also when the end
    /// of `rest` cuts a character short).
    std::size_t characterLength(std::string_view rest) const;

    /// `bytes` as UTF-8. A sequence that is not a character of this set becomes
    /// U+FFFD and reading goes on after it.
    std::string toUtf8(std::string_view bytes) const;
    /// UTF-8 `text` in this set: a character the set lacks (or a byte that is no
    /// UTF-8) becomes "?", as terminals of a legacy set show it.
    std::string fromUtf8(std::string_view text) const;

    /// One way a character of more than one byte is made: each of its bytes in
    /// a range of values.
    struct Form {
        struct Range {
            std::uint8_t first;
            std::uint8_t last;
        };
        std::uint8_t length;
        std::array<Range, 4> bytes;
    };

    /// A set named `name` (its iconv name) whose characters of more than one
    /// byte are made as `forms` say. At most three forms may begin with one
    /// byte: more raise std::logic_error, never a set that reads some
    /// characters wrong.
    static CodePage fromForms(std::string name, std::vector<Form> forms);

private:
    void setForms(std::vector<Form> forms);

    std::string m_name;
    bool m_utf8 = false;
    // The forms each byte may begin, longest first: a walk over text looks at
    // the few that can match instead of every form of the set.
    struct FormsOfByte {
        std::uint8_t count = 0;
        // The length when it follows from this byte alone, whatever bytes come
        // after it (1 for a byte that begins no longer character; 2 for a lead
        // byte of Big5 or Shift_JIS); 0 when the later bytes decide.
        std::uint8_t fixedLength = 1;
        std::array<std::uint8_t, 3> index {};
    };
    std::size_t lengthByForms(std::string_view rest, const FormsOfByte& of) const;
    std::vector<Form> m_forms;
    std::array<FormsOfByte, 256> m_formsOf {};
    std::size_t m_longest = 1;
};

// Inline: the statement scanner asks it for every character above ASCII.
inline std::size_t CodePage::characterLength(std::string_view rest) const
{
    if (rest.empty())
        return 0;
    const FormsOfByte& of = m_formsOf[static_cast<unsigned char>(rest[0])];
    if (of.fixedLength != 0)
        return rest.size() >= of.fixedLength ? of.fixedLength : 1;
    return lengthByForms(rest, of);
}

inline std::size_t CodePage::lengthByForms(std::string_view rest, const FormsOfByte& of) const
{
    for (std::size_t k = 0; k < of.count; ++k) {
        const Form& f = m_forms[of.index[k]];
        if (f.length > rest.size())
            continue;
        bool whole = true;
        for (std::size_t i = 1; i < f.length && whole; ++i) {
            const auto byte = static_cast<unsigned char>(rest[i]);
            whole = byte >= f.bytes[i].first && byte <= f.bytes[i].last;
        }
        if (whole)
            return f.length;
    }
    return 1;
}

} // namespace didu
