#include "drivers/interbase/objectnames.h"

#include "platform/asciitext.h"

#include <algorithm>
#include <vector>

namespace didu::ib {

namespace {

/// The parts of a name between the dots outside double quotes.
std::vector<std::string> nameParts(const std::string& name)
{
    std::vector<std::string> parts(1);
    bool quoted = false;
    for (char c : name) {
        if (c == '"')
            quoted = !quoted;
        if (c == '.' && !quoted)
            parts.emplace_back();
        else
            parts.back() += c;
    }
    return parts;
}

} // namespace

std::string storedName(const std::string& name)
{
    // The last part of a qualified name, at a dot outside quotes.
    std::size_t start = 0;
    bool quoted = false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '"')
            quoted = !quoted;
        else if (name[i] == '.' && !quoted)
            start = i + 1;
    }
    std::string part = name.substr(start);
    if (part.size() >= 2 && part.front() == '"' && part.back() == '"') {
        std::string inner;
        for (std::size_t i = 1; i + 1 < part.size(); ++i) {
            inner += part[i];
            if (part[i] == '"' && part[i + 1] == '"')
                ++i; // a doubled quote is one quote of the name
        }
        return inner;
    }
    return asciiUpperCase(part);
}

void splitQualifiedName(const std::string& name, std::string parts[3])
{
    const std::vector<std::string> pieces = nameParts(name);
    for (int i = 0; i < 3; ++i)
        parts[i].clear();
    const std::size_t n = std::min<std::size_t>(pieces.size(), 3);
    for (std::size_t i = 0; i < n; ++i)
        parts[3 - n + i] = pieces[pieces.size() - n + i];
}

} // namespace didu::ib
