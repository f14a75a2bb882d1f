#include "db/connection/namevaluelist.h"

#include "platform/asciitext.h"

namespace didu {

const std::string* NameValueList::find(std::string_view name) const
{
    for (const std::string& line : m_lines) {
        const auto eq = line.find('=');
        if (eq != std::string::npos && asciiEqualsIgnoreCase(std::string_view(line).substr(0, eq), name))
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
