#include "db/connection/drivererror.h"

#include <atomic>

#include "platform/errors.h"
#include "platform/systemtext.h"

#include <cstring>
#include <vector>

namespace didu {

const char* driverResultText(dbx::Result result)
{
    switch (result) {
    case 1: return "[0x0001]: Warning";
    case 2: return "[0x0002]: Insufficient Memory for Operation";
    case 3: return "[0x0003]: Invalid Field Type";
    case 4: return "[0x0004]: Invalid Handle";
    case 5: return "[0x0005]: Operation Not Supported";
    case 6: return "[0x0006]: Invalid Time";
    case 7: return "[0x0007]: Invalid Data Translation";
    case 8: return "[0x0008]: Parameter/Column out of Range";
    case 9: return "[0x0009]: Invalid Parameter";
    case 10: return "[0x000A]: Result set at EOF";
    case 11: return "dbExpress Error [0x000B]: Parameter Not Set";
    case 12: return "[0x000C] Invalid Username/Password";
    case 13: return "[0x000D]: Invalid Precision";
    case 14: return "[0x000E]: Invalid Length";
    case 15: return "[0x000F]: Invalid Transaction Isolation Level";
    case 16: return "[0x0010]: Invalid Transaction ID";
    case 17: return "[0x0011]: Duplicate Transaction ID";
    case 19: return "[0x0013]: Local Transaction already active";
    case 20: return "[0x0014]: Multiple Transactions not Enabled";
    case 21: return "[0x0015]: Connection failed";
    case 22: return "[0x0016]: Driver initialization failed";
    case 23: return "[0x0017]: Optimistic Locking failed";
    case 24: return "[0x0018]: Invalid REF";
    case 25: return "[0x0019]: No table found";
    case 100: return "[0x0064]: No more data";
    case 101: return "[0x0065]: SQL Error";
    default: return nullptr;
    }
}

namespace {
std::atomic<std::uint64_t> g_failures {0};
} // namespace

std::uint64_t driverFailureCount()
{
    return g_failures.load(std::memory_order_relaxed);
}

std::string driverErrorText(dbx::Result result, dbx::ISQLObject* source, const std::string& ownerLastError,
                            const CodePage& codePage)
{
    g_failures.fetch_add(1, std::memory_order_relaxed);
    std::string text;
    if (const char* fixed = driverResultText(result))
        text = std::string("dbExpress Error: ") + fixed;

    if (source) {
        std::uint16_t length = 0;
        if (source->getErrorMessageLen(&length) == dbx::ResultOk && length > 0) {
            // Zeroed, so that a driver that fails to fill it gives no stray bytes.
            std::vector<char> buffer(length + 1u, '\0');
            source->getErrorMessage(buffer.data());
            buffer.back() = '\0';
            if (!text.empty())
                text += "\r\n";
            // The message may carry database text (a trigger's exception, a
            // value), read in the code page, and text the engine took from the
            // system (a path, a host name), which the driver marked; the rest
            // of the text is ours.
            text += "SQL Server Error: ";
            text += driverMessageToUtf8(buffer.data(), codePage);
        }
    }

    if (text.empty())
        text = ownerLastError;
    if (text.empty())
        text = "dbExpress Error: Unknown Error Code '" + std::to_string(result) + "'";
    return text;
}

void raiseDriverError(dbx::Result result, dbx::ISQLObject* source, std::string& ownerLastError,
                      const CodePage& codePage)
{
    ownerLastError = driverErrorText(result, source, ownerLastError, codePage);
    throw DatabaseError(ownerLastError);
}

} // namespace didu
