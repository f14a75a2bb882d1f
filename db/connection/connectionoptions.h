// The connection options handed to the driver before it connects, taken from
// the parameter list, and the two conversions they use.
#pragma once

#include "db/connection/dbxdriver.h"
#include "db/connection/namevaluelist.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace didu {

/// A flag parameter: 1 when the trimmed value is "TRUE" in any letter case, else 0.
std::int32_t optionFlag(std::string_view value);

/// The whole number written in the trimmed `value` (an optional sign, decimal
/// digits, within 32 bits). Anything else raises ConvertError
/// "'<trimmed value>' is not a valid integer value".
std::int32_t wholeNumber(std::string_view value);

/// The isolation level named by a "<driver> TransIsolation" value.
std::int32_t isolationLevel(std::string_view value);

/// Hands the connection options of the parameter list to `connection`, in their
/// fixed order; only parameters with a value are handed over, and the driver's
/// answers are ignored (an option it does not know changes nothing).
void applyConnectionOptions(dbx::ISQLConnection* connection, const NameValueList& params,
                            const std::string& driverName);

} // namespace didu
