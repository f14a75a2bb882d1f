// The member lookup places the customer id inside a string literal of its text.
#pragma once

#include <string>
#include <string_view>

namespace didu {

/// `text` as the content of a single-quoted SQL literal: every "'" written twice,
/// so that no id can end the literal and the lookup compares the whole id.
std::string quotedLiteralContent(std::string_view text);

} // namespace didu
