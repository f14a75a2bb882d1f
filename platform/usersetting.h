// The per-user setting that may name where the connection configuration files
// lie: ${XDG_CONFIG_HOME:-$HOME/.config}/dbx/registry.ini, section [DBExpress],
// read only and never written. It stands in for a registry key, so a value in
// the registry's export notation for other types ("dword:", "hex:") is a value
// of the wrong type.
#pragma once

#include <string>

namespace didu {

/// Full path of the per-user setting file (it need not exist).
std::string userSettingPath();

/// The text of the per-user value `valueName` of [DBExpress]: empty when the
/// file, the section or the value is missing or empty. A value that is not a
/// string raises ConfigurationError "Invalid data type for '<valueName>'".
std::string userSettingString(const std::string& valueName);

} // namespace didu
