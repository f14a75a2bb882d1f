// Locating and reading the two connection configuration files: the connection
// file (one section per named connection) and the driver file (one section per
// driver). Both are read anew each time they are consulted and never written.
#pragma once

#include "db/connection/namevaluelist.h"

#include <string>

namespace didu {

/// Per-user value and default file name of the connection configuration file.
inline constexpr const char* ConnectionRegistryValue = "Connection Registry File";
inline constexpr const char* ConnectionRegistryDefault = "dbxconnections.ini";
/// Per-user value and default file name of the driver configuration file.
inline constexpr const char* DriverRegistryValue = "Driver Registry File";
inline constexpr const char* DriverRegistryDefault = "dbxdrivers.ini";

/// The path the per-user value `valueName` names, used as it stands; when there
/// is none, `defaultFileName` beside the executable. Raises ConfigurationError
/// "Invalid data type for '%s'" for a value that is not a string.
std::string locateConfigFile(const std::string& valueName, const std::string& defaultFileName);

/// The entries of the last section named `section` (any letter case) of the file
/// at `path`; empty when the file or the section is missing.
NameValueList readConfigSection(const std::string& path, const std::string& section);

/// Reads the file anew and looks `key` up in `section`; empty when the file, the
/// section or the key is missing.
std::string readConfigValue(const std::string& path, const std::string& section, const std::string& key);

/// True when `path` names an existing regular file.
bool configFileExists(const std::string& path);

} // namespace didu
