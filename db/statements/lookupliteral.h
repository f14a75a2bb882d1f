// The member lookup places the customer id inside a string literal of its text;
// the literal is written for the marker scanner beside it, which reads the text
// before the server does.
#pragma once

#include <string>
#include <string_view>

namespace didu {

class CodePage;

/// `text` as the content of a single-quoted SQL literal: every "'" written twice,
/// so that no id can end the literal and the lookup compares the whole id.
/// A colon of the id that the statement's marker scanner would take for the start
/// of a marker (after a " or ` of the id) is written twice, so that the server
/// still receives the id unchanged. `codePage` is the connection's.
std::string quotedLiteralContent(std::string_view text, const CodePage& codePage);

} // namespace didu
