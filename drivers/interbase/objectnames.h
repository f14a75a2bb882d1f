// Names of database objects as the caller writes them and as Firebird's system
// tables hold them.
#pragma once

#include <string>

namespace didu::ib {

/// The name as the system tables hold it: a quoted name without its quotes (a
/// doubled quote inside is one), an unquoted one in upper case; of a qualified
/// name only the last part.
std::string storedName(const std::string& name);

/// Splits "catalog.schema.object" at the dots outside double quotes into
/// parts[0..2]; fewer parts fill from the object end, missing ones are empty.
void splitQualifiedName(const std::string& name, std::string parts[3]);

} // namespace didu::ib
