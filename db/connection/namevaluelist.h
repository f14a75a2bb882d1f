// An ordered list of text lines read as name=value pairs: the parameter list of
// the connection and the entries of a configuration file section.
#pragma once

#include <string>
#include <initializer_list>
#include <string_view>
#include <utility>
#include <vector>

namespace didu {

class NameValueList {
public:
    NameValueList() = default;
    NameValueList(std::initializer_list<std::string> lines) : m_lines(lines) {}
    explicit NameValueList(std::vector<std::string> lines) : m_lines(std::move(lines)) {}

    /// The value of the first line whose name (text before its first "=") equals
    /// `name` ignoring ASCII letter case; empty text when there is none.
    std::string value(std::string_view name) const;
    /// True when some line carries `name`, even with an empty value.
    bool contains(std::string_view name) const;

    /// Appends one line at the end.
    void add(std::string line) { m_lines.push_back(std::move(line)); }
    /// Removes every line.
    void clear() { m_lines.clear(); }
    /// The lines in order.
    const std::vector<std::string>& lines() const { return m_lines; }
    /// True when there are no lines.
    bool empty() const { return m_lines.empty(); }

private:
    const std::string* find(std::string_view name) const;

    std::vector<std::string> m_lines;
};

} // namespace didu
