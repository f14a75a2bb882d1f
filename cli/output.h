// Writing straight to a file descriptor, past stdio's buffers: the bar and the
// progress lines must reach their reader at once, even if the process is
// killed the next moment.
#pragma once

#include <string_view>

namespace didu::cli {

/// Writes all of `text` to `fd`, or as much as it takes: a reader that went
/// away is no reason to stop the run.
void writeAll(int fd, std::string_view text);

} // namespace didu::cli
