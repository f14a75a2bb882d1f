// Firebird's own text for a status vector, one line per message, for the
// fixture's exceptions; and the end of an attachment.
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

/// Drops the attachment `handle` holds, if any; a failure to detach leaves
/// nothing to do but forget the handle.
inline void detachDatabase(unsigned int& handle)
{
    if (!handle)
        return;
    ISC_STATUS_ARRAY status {};
    isc_db_handle db = handle;
    isc_detach_database(status, &db);
    handle = 0;
}

} // namespace didu::test
