// The text and kind of the error a call raises, for comparing with the
// operator's exact message.
#pragma once

#include "platform/errors.h"

#include <string>
#include <utility>

namespace didu::test {

/// what() of the didu::Error that `call` raises, or "(no error)".
template <class Call>
std::string errorText(Call&& call)
{
    try {
        std::forward<Call>(call)();
    } catch (const Error& e) {
        return e.what();
    }
    return "(no error)";
}

/// kind() of the didu::Error that `call` raises, or "(no error)".
template <class Call>
std::string errorKind(Call&& call)
{
    try {
        std::forward<Call>(call)();
    } catch (const Error& e) {
        return e.kind();
    }
    return "(no error)";
}

} // namespace didu::test
