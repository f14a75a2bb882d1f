#include "db/connection/namevaluelist.h"

namespace didu {

namespace {
char lowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
} // namespace

bool equalsIgnoreCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i]))
            return false;
    return true;
}

const std::string* NameValueList::find(std::string_view name) const
{
    for (const std::string& line : m_lines) {
        const auto eq = line.find('=');
        if (eq != std::string::npos && equalsIgnoreCase(std::string_view(line).substr(0, eq), name))
            return &line;
    }
    return nullptr;
}

std::string NameValueList::value(std::string_view name) const
{
    const std::string* line = find(name);
    return line ? line->substr(line->find('=') + 1) : std::string();
}

bool NameValueList::contains(std::string_view name) const
{
    return find(name) != nullptr;
}

} // namespace didu
