// The driver object and the plugin's one exported entry.
#include "drivers/interbase/ibdriver.h"

#include "drivers/interbase/ibconnection.h"
#include "drivers/interbase/objectbase.h"

namespace didu::ib {

namespace {

/// Hands out connections over one loaded client library.
class IbDriver final : public ObjectBase<dbx::ISQLDriver> {
public:
    IbDriver(std::shared_ptr<const FbClient> client, SteadyClock clock)
        : m_client(std::move(client)), m_clock(std::move(clock)) {}

    dbx::Result getSQLConnection(dbx::ISQLConnection** connection) override
    {
        if (!connection)
            return fail(dbx::ResultInvalidParameter, "No place for the connection was given");
        *connection = new IbConnection(m_client, this, m_clock);
        return dbx::ResultOk;
    }

private:
    ~IbDriver() override = default;
    std::shared_ptr<const FbClient> m_client;
    SteadyClock m_clock;
};

} // namespace

dbx::ISQLDriver* newDriver(std::shared_ptr<const FbClient> client, SteadyClock clock)
{
    return new IbDriver(std::move(client), std::move(clock));
}

} // namespace didu::ib

/// Loads the client library `vendorLib` and hands out a driver over it; a client
/// library that cannot be loaded (or lacks an entry the driver needs) fails, and
/// no driver is made. Error resource files mean nothing here: Firebird's own
/// texts are used.
extern "C" __attribute__((visibility("default"))) dbx::Result
getSQLDriverINTERBASE(const char* vendorLib, const char* /*resourceFile*/, dbx::ISQLDriver** driver)
{
    if (!driver)
        return dbx::ResultInvalidParameter;
    *driver = nullptr;
    auto client = didu::ib::FbClient::load(vendorLib ? vendorLib : "");
    if (!client)
        return dbx::ResultDriverInitFailed;
    try {
        *driver = didu::ib::newDriver(std::move(client), [] { return std::chrono::steady_clock::now(); });
    } catch (...) {
        return dbx::ResultNoMemory;
    }
    return dbx::ResultOk;
}
