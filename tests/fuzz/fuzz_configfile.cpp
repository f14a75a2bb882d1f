// The configuration-file reader on arbitrary bytes. Beyond not crashing, three
// readings of the same text must agree: the parsed sections, the one-section
// parse, and the streaming reader on a file of those bytes. Every name and entry
// comes out trimmed and on one line, and the name=value lookup finds the first
// entry of a name.
#include "db/connection/namevaluelist.h"
#include "platform/asciitext.h"
#include "platform/inifile.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <sys/mman.h>
#include <unistd.h>

namespace {

void check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "property broken: %s\n", what);
        std::abort();
    }
}

bool isBlank(unsigned char c)
{
    return c <= 0x20 || c == 0x7f;
}

void checkTrimmedLine(std::string_view text)
{
    if (!text.empty()) {
        check(!isBlank(static_cast<unsigned char>(text.front())), "leading blank kept");
        check(!isBlank(static_cast<unsigned char>(text.back())), "trailing blank kept");
    }
    check(text.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos, "line end or NUL inside an entry");
}

// The streaming reader gets the same bytes through a file in memory.
std::vector<std::string> readThroughFile(std::string_view text, std::string_view section)
{
    static int fd = memfd_create("didu-fuzz-ini", 0);
    check(fd >= 0, "memfd_create");
    check(ftruncate(fd, 0) == 0, "ftruncate");
    check(pwrite(fd, text.data(), text.size(), 0) == static_cast<ssize_t>(text.size()), "pwrite");
    return didu::readIniSection("/proc/self/fd/" + std::to_string(fd), section);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::vector<didu::IniSection> sections = didu::parseIni(text);

    std::vector<std::string> wanted {"Torvik", "interbase", ""};
    for (const didu::IniSection& s : sections) {
        checkTrimmedLine(s.name);
        for (const std::string& entry : s.entries) {
            checkTrimmedLine(entry);
            check(!entry.empty(), "empty entry kept");
            check(entry[0] != ';', "comment kept as an entry");
        }
        if (wanted.size() < 6)
            wanted.push_back(s.name);
    }

    for (const std::string& name : wanted) {
        const didu::IniSection* last = nullptr;
        for (const didu::IniSection& s : sections)
            if (didu::asciiEqualsIgnoreCase(s.name, name))
                last = &s;
        const std::vector<std::string> expected = last ? last->entries : std::vector<std::string> {};
        check(didu::parseIniSection(text, name) == expected, "one-section parse differs from the last section");
        check(readThroughFile(text, name) == expected, "streaming reader differs from the parse");

        const didu::NameValueList list(expected);
        for (const std::string& entry : expected) {
            const std::size_t equals = entry.find('=');
            if (equals == std::string::npos)
                continue;
            const std::string key = entry.substr(0, equals);
            std::string first;
            for (const std::string& other : expected) {
                const std::size_t e = other.find('=');
                if (e != std::string::npos && didu::asciiEqualsIgnoreCase(std::string_view(other).substr(0, e), key)) {
                    first = other.substr(e + 1);
                    break;
                }
            }
            check(list.value(key) == first, "lookup did not find the first line of the name");
        }
    }
    return 0;
}
