// The application title: the taskbar text and the error box's title, derived
// once at start-up from the executable's file name.
#pragma once

#include <string>
#include <string_view>

namespace didu {

/// The title for the executable at `path`: its file name up to the first ".",
/// first character kept as it is, every later one in lower case, at most 255
/// bytes. Characters are read in the locale's multibyte encoding.
std::string applicationTitle(std::string_view path);

} // namespace didu
