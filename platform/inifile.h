// The configuration-file format shared by the two connection files and the
// per-user setting file: sections of name=value lines, read whole each time.
// It takes bytes and gives bytes; nothing here knows what the entries mean.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace didu {

/// One section of a configuration file: its trimmed name and its entries, each
/// a line "name=value" (both sides trimmed) or a bare trimmed line, in file order.
struct IniSection {
    std::string name;
    std::vector<std::string> entries;
};

/// Parses configuration-file text. Lines end at CR LF, CR or LF and the text at
/// its first NUL; each line is trimmed of blanks and control bytes; empty lines,
/// lines starting with ";" and lines before the first "[...]" header are skipped.
/// Every header starts a new section, so a name may occur more than once.
std::vector<IniSection> parseIni(std::string_view text);

/// The entries of the last section named `section` (letters compared without
/// regard to case) in `text`; empty when there is none.
std::vector<std::string> parseIniSection(std::string_view text, std::string_view section);

/// Reads the file at `path` and gives the entries of its last section named
/// `section`. A file that is missing or cannot be read (a folder, no permission)
/// reads as a file without sections. The file is read as a stream, keeping only
/// the wanted section, so a very large or binary file costs no more memory than
/// the entries kept.
std::vector<std::string> readIniSection(const std::string& path, std::string_view section);

/// True when `path` names a regular file (or a link to one).
bool isRegularFile(const std::string& path);

} // namespace didu
