// Text the database engine takes from the operating system (a file path, a host
// name, the system's own error text) stands in a message beside database text (a
// trigger's exception, a key value). The two are in different encodings: the
// system's is the desktop locale's, whatever character set the connection names,
// and database text is in the code page of database text. The driver, which
// alone can tell the two apart, marks the system's text inside its message; the
// core reads each part in its own encoding.
//
// The marks are SO and SI (shift out, shift in), the control bytes made for
// switching character sets, which no character set the engine offers uses.
// The marking is inline so that the driver plugin, which links no core library,
// shares it.
#pragma once

#include <string>
#include <string_view>

namespace didu {

class CodePage;

inline constexpr char kSystemTextBegin = '\x0E';
inline constexpr char kSystemTextEnd = '\x0F';

/// `text` between the marks; marks inside it are dropped, so that it cannot end
/// early or nest.
inline std::string markedSystemText(std::string_view text)
{
    std::string marked(1, kSystemTextBegin);
    for (char c : text) {
        if (c != kSystemTextBegin && c != kSystemTextEnd)
            marked += c;
    }
    marked += kSystemTextEnd;
    return marked;
}

/// Text of the operating system as the operator reads it: decoded in the
/// character set of the user's locale (an ASCII-only locale, "C", reads as
/// UTF-8, which is what Linux file names and host names are in).
std::string systemTextToUtf8(std::string_view bytes);

/// A driver's message as the operator reads it: the marked parts as system
/// text, the rest as database text in the connection's `codePage`; no marks
/// remain.
std::string driverMessageToUtf8(std::string_view message, const CodePage& codePage);

} // namespace didu
