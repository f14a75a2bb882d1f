// The column types Firebird 4 added (INT128 behind NUMERIC and DECIMAL of more
// than 18 digits, DECFLOAT, TIME and TIMESTAMP WITH TIME ZONE), asked of the
// engine as text for the whole attachment.
#pragma once

#include <vector>

namespace didu::ib {

/// Appends to an attach's parameter block the request that the engine send
/// and take those types as VARCHAR.
void addTextBindings(std::vector<char>& dpb);

} // namespace didu::ib
