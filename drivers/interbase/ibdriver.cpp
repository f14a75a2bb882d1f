// The driver object and the plugin's one exported entry.
#include "drivers/interbase/fbclient.h"
#include "drivers/interbase/ibconnection.h"
#include "drivers/interbase/objectbase.h"

namespace didu::ib {

namespace {

/// Hands out connections over one loaded client library.
class IbDriver final : public ObjectBase<dbx::ISQLDriver> {
public:
    explicit IbDriver(std::shared_ptr<const FbClient> client) : m_client(std::move(client)) {}

    dbx::Result getSQLConnection(dbx::ISQLConnection** connection) override
    {
        if (!connection)
            return fail(dbx::ResultInvalidParameter, "No place for the connection was given");
        *connection = new IbConnection(m_client, this);
        return dbx::ResultOk;
    }

private:
    ~IbDriver() override = default;
    std::shared_ptr<const FbClient> m_client;
};

} // namespace

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
        *driver = new didu::ib::IbDriver(std::move(client));
    } catch (...) {
        return dbx::ResultNoMemory;
    }
    return dbx::ResultOk;
}
