// MEMBER_NAME is cut from the customer's name: the column holds 20 bytes, and the
// name arrives as bytes in the code page of database text.
#pragma once

#include "platform/codepage.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace didu {

/// Bytes of the name the member row keeps.
inline constexpr std::size_t kMemberNameBytes = 20;

/// The customer's name cut to its first 20 bytes, then stripped of bytes 0x00 to
/// 0x20 at both ends. A multibyte character that the cut would split is dropped
/// whole, so the column never holds half a character of `codePage`.
std::string memberName(std::string_view customerName, const CodePage& codePage);

} // namespace didu
