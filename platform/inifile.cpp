#include "platform/inifile.h"

#include "platform/asciitext.h"

#include <sys/stat.h>

#include <fstream>
#include <optional>

namespace didu {

namespace {

// Splits text into lines as it arrives, so that a file can be fed in chunks: a
// CR at the end of one chunk and an LF at the start of the next are one line end.
class LineSplitter {
public:
    template <class OnLine>
    bool feed(std::string_view chunk, OnLine&& onLine)
    {
        for (const char c : chunk) {
            if (c == '\0') {
                onLine(std::string_view(m_line));
                m_line.clear();
                return false;
            }
            if (c == '\n' && m_afterCr) {
                m_afterCr = false;
                continue;
            }
            m_afterCr = c == '\r';
            if (c == '\r' || c == '\n') {
                onLine(std::string_view(m_line));
                m_line.clear();
            } else {
                m_line += c;
            }
        }
        return true;
    }

    template <class OnLine>
    void finish(OnLine&& onLine)
    {
        if (!m_line.empty())
            onLine(std::string_view(m_line));
        m_line.clear();
    }

private:
    std::string m_line;
    bool m_afterCr = false;
};

// Turns lines into sections. With a wanted name it keeps only the entries of the
// last section of that name; without one it keeps every section.
class SectionBuilder {
public:
    explicit SectionBuilder(std::optional<std::string_view> wanted) : m_wanted(wanted) {}

    void line(std::string_view raw)
    {
        const std::string_view line = trimBlanksControlsAndDelete(raw);
        if (line.empty() || line.front() == ';')
            return;
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            const std::string_view name = trimBlanksControlsAndDelete(line.substr(1, line.size() - 2));
            m_inSection = true;
            if (!m_wanted) {
                m_sections.push_back({std::string(name), {}});
                m_current = &m_sections.back();
            } else if (asciiEqualsIgnoreCase(name, *m_wanted)) {
                // A later section of the same name replaces the earlier one.
                m_sections.assign(1, IniSection{std::string(name), {}});
                m_current = &m_sections.back();
            } else {
                m_current = nullptr;
            }
            return;
        }
        if (!m_inSection || !m_current)
            return;
        const auto eq = line.find('=');
        if (eq == std::string_view::npos) {
            m_current->entries.emplace_back(line);
            return;
        }
        std::string entry(trimBlanksControlsAndDelete(line.substr(0, eq)));
        entry += '=';
        entry += trimBlanksControlsAndDelete(line.substr(eq + 1));
        m_current->entries.push_back(std::move(entry));
    }

    std::vector<IniSection> take() { return std::move(m_sections); }

private:
    std::optional<std::string_view> m_wanted;
    std::vector<IniSection> m_sections;
    IniSection* m_current = nullptr;
    bool m_inSection = false;
};

std::vector<IniSection> parse(std::string_view text, std::optional<std::string_view> wanted)
{
    SectionBuilder builder(wanted);
    LineSplitter splitter;
    auto onLine = [&](std::string_view line) { builder.line(line); };
    if (splitter.feed(text, onLine))
        splitter.finish(onLine);
    return builder.take();
}

} // namespace

std::vector<IniSection> parseIni(std::string_view text)
{
    return parse(text, std::nullopt);
}

std::vector<std::string> parseIniSection(std::string_view text, std::string_view section)
{
    std::vector<IniSection> found = parse(text, section);
    return found.empty() ? std::vector<std::string>() : std::move(found.back().entries);
}

bool isRegularFile(const std::string& path)
{
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::vector<std::string> readIniSection(const std::string& path, std::string_view section)
{
    // A folder opens as a stream on Linux and then fails to read; asking first
    // keeps "cannot be read" and "missing" the same case.
    if (!isRegularFile(path))
        return {};
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {};
    SectionBuilder builder(section);
    LineSplitter splitter;
    auto onLine = [&](std::string_view line) { builder.line(line); };
    char buffer[64 * 1024];
    bool more = true;
    while (more && in) {
        in.read(buffer, sizeof buffer);
        const auto got = static_cast<std::size_t>(in.gcount());
        if (got == 0)
            break;
        more = splitter.feed(std::string_view(buffer, got), onLine);
    }
    if (more)
        splitter.finish(onLine);
    std::vector<IniSection> found = builder.take();
    return found.empty() ? std::vector<std::string>() : std::move(found.back().entries);
}

} // namespace didu
