// The operator's text for a driver result other than 0. The connection and both
// statement objects use it, each naming the driver object that holds the
// driver's own message and keeping its own last error text.
#pragma once

#include "db/connection/dbxdriver.h"

#include <cstdint>
#include <string>

namespace didu {

class CodePage;

/// The fixed text of a result code ("[0x0006]: Invalid Time"), or null for a
/// code without one.
const char* driverResultText(dbx::Result result);

/// Builds the text for `result`: "dbExpress Error: <code text>" when the code has
/// one, then "SQL Server Error: <message>" when `source` (may be null) has a
/// message, joined by CR LF; failing both, `ownerLastError`, and failing that
/// "dbExpress Error: Unknown Error Code '<result>'". The message's database
/// text is read in `codePage`, the connection's.
std::string driverErrorText(dbx::Result result, dbx::ISQLObject* source, const std::string& ownerLastError,
                            const CodePage& codePage);

/// How many driver failure texts have been built in this process. A connection
/// compares it with its own count to ask the driver about a lost link only after
/// something failed, never on the per-statement path.
std::uint64_t driverFailureCount();

/// Builds the text, stores it in `ownerLastError` and raises it as DatabaseError.
[[noreturn]] void raiseDriverError(dbx::Result result, dbx::ISQLObject* source, std::string& ownerLastError,
                                   const CodePage& codePage);

/// raiseDriverError for a non-zero `result`; nothing for 0.
inline void checkDriverResult(dbx::Result result, dbx::ISQLObject* source, std::string& ownerLastError,
                              const CodePage& codePage)
{
    if (result != dbx::ResultOk)
        raiseDriverError(result, source, ownerLastError, codePage);
}

} // namespace didu
