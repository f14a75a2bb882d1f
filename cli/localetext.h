// What the command writes for a person, in the character set of the user's
// locale: a Big5 terminal (zh_TW.BIG5) shows Big5 bytes, a UTF-8 one UTF-8,
// whatever character set the connection reads the database's text in. The
// window needs none of this: Qt draws its text from Unicode.
#pragma once

#include "platform/codepage.h"

#include <string>
#include <string_view>

namespace didu::cli {

class LocaleText {
public:
    /// The writer for the user's locale (LC_CTYPE). Under the plain "C" locale,
    /// whose ASCII cannot show the program's own texts, it writes UTF-8, as the
    /// journal keeps it.
    static LocaleText user();
    /// A writer for a locale of character set `locale`.
    explicit LocaleText(CodePage locale);

    /// The program's own text, and messages already decoded (UTF-8).
    std::string own(std::string_view utf8) const;
    /// Database text in `codePage`, read as the window reads it: the bytes as
    /// they are when `codePage` is the locale's own set, decoded and written in
    /// the locale's set otherwise.
    std::string database(std::string_view bytes, const CodePage& codePage) const;
    /// The character set written.
    const CodePage& written() const { return m_written; }

private:
    std::string m_localeSet;
    CodePage m_written;
};

} // namespace didu::cli
