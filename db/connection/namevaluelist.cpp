#include "db/connection/namevaluelist.h"

#include "platform/inifile.h"

namespace didu {

bool equalsIgnoreCase(std::string_view a, std::string_view b)
{
    return asciiEqualsIgnoreCase(a, b);
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
