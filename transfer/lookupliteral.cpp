#include "transfer/lookupliteral.h"

namespace didu {

std::string quotedLiteralContent(std::string_view text)
{
    std::string content;
    content.reserve(text.size() + 2);
    for (char c : text) {
        content += c;
        if (c == '\'')
            content += '\'';
    }
    return content;
}

} // namespace didu
