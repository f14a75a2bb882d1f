// The text and kind of the error a call raises, for comparing with the
// operator's exact message.
#pragma once

#include "platform/errors.h"

#include <string>
#include <utility>

namespace didu::test {

/// `read` of the didu::Error that `call` raises, or "(no error)".
template <class Call, class Read>
std::string raisedError(Call&& call, Read read)
{
    try {
        std::forward<Call>(call)();
    } catch (const Error& e) {
        return read(e);
    }
    return "(no error)";
}

/// what() of the didu::Error that `call` raises, or "(no error)".
template <class Call>
std::string errorText(Call&& call)
{
    return raisedError(std::forward<Call>(call), [](const Error& e) { return std::string(e.what()); });
}

/// "kind: what" of the didu::Error that `call` raises, or "(no error)".
template <class Call>
std::string errorKindAndText(Call&& call)
{
    return raisedError(std::forward<Call>(call),
                       [](const Error& e) { return std::string(e.kind()) + ": " + e.what(); });
}

/// kind() of the didu::Error that `call` raises, or "(no error)".
template <class Call>
std::string errorKind(Call&& call)
{
    return raisedError(std::forward<Call>(call), [](const Error& e) { return std::string(e.kind()); });
}

} // namespace didu::test
