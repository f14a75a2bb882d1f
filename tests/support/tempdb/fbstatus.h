// Firebird's own text for a status vector, one line per message, for the
// fixture's exceptions.
#pragma once

#include <ibase.h>

#include <string>

namespace didu::test {

/// The messages of `status`, joined by "\n".
inline std::string statusText(const ISC_STATUS* status)
{
    std::string text;
    char buffer[1024];
    const ISC_STATUS* cursor = status;
    while (fb_interpret(buffer, sizeof buffer, &cursor) > 0) {
        if (!text.empty())
            text += '\n';
        text += buffer;
    }
    return text;
}

} // namespace didu::test
