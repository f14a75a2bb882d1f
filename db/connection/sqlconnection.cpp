#include "db/connection/sqlconnection.h"

#include "db/connection/configfile.h"
#include "db/connection/connectionoptions.h"
#include "db/connection/drivererror.h"
#include "platform/codepage.h"
#include "platform/errors.h"
#include "platform/asciitext.h"
#include "platform/library.h"
#include "platform/locale.h"

#include <algorithm>

namespace didu {

namespace {

// Runs a step of the connect that comes before the database is reached: what
// stops it is the set-up's fault, whatever layer raised it, and leaves as a
// SetupError of the same kind and text.
template <typename Step>
void asSetUp(Step&& step)
{
    try {
        step();
    } catch (const SetupError&) {
        throw;
    } catch (const Error& error) {
        throw SetupError(error);
    }
}

} // namespace

NameValueList SQLConnection::storedParams()
{
    return NameValueList{"DriverName=Interbase",
                         "Database=C:\\torvik\\data\\TORDATA.GDB",
                         "RoleName=RoleName",
                         "User_Name=sysdba",
                         "Password=quietfern",
                         "ServerCharSet=",
                         "SQLDialect=3",
                         "BlobSize=-1",
                         "CommitRetain=False",
                         "WaitOnLocks=True",
                         "ErrorResourceFile=",
                         "LocaleCode=0000",
                         "Interbase TransIsolation=ReadCommited",
                         "Trim Char=False"};
}

SQLConnection::SQLConnection(std::string name)
    : m_name(std::move(name)), m_params(storedParams()), m_codePage(userLocale().codePage)
{
    // Only the connection file's place is settled now; a broken per-user value
    // leaves it empty, and the first connect then reports the file as not found.
    try {
        m_connectionFile = locateConfigFile(ConnectionRegistryValue, ConnectionRegistryDefault);
    } catch (const Error&) {
        m_connectionFile.clear();
    }
}

SQLConnection::~SQLConnection()
{
    try {
        close();
    } catch (...) {
        // Nothing may leave a destructor; the connection is gone either way.
    }
}

void SQLConnection::open()
{
    if (m_state == State::Open && driverFailureCount() != m_failuresSeen)
        dropIfLost();
    if (m_state != State::Open)
        connect();
}

void SQLConnection::beginWork()
{
    if (m_state != State::Open)
        return;
    std::int32_t answers = 1;
    std::int32_t length = 0;
    // A driver that cannot tell is taken at its word that the link stands.
    if (m_connection->getOption(dbx::ConnLinkAnswers, &answers, sizeof answers, &length) == dbx::ResultOk && answers == 0)
        closeLostLink();
}

void SQLConnection::endWork() noexcept
{
    if (m_state == State::Open)
        m_connection->setOption(dbx::ConnEndOfWork, 0);
}

void SQLConnection::dropIfLost()
{
    m_failuresSeen = driverFailureCount();
    std::int32_t lost = 0;
    std::int32_t length = 0;
    if (m_connection->getOption(dbx::ConnConnectionLost, &lost, sizeof lost, &length) != dbx::ResultOk || lost != 1)
        return;
    closeLostLink();
}

void SQLConnection::closeLostLink()
{
    // The link to the server is gone for good: every later statement would fail
    // with the same text. Closing it here lets this open connect afresh, so OK
    // works again once the server is back. What the dead link answers while it
    // closes means nothing to the operator, who has seen the failure already.
    try {
        disconnect();
    } catch (const std::exception&) {
    }
}

void SQLConnection::close()
{
    disconnect();
}

void SQLConnection::loadParams()
{
    if (!m_settings.loadParamsOnConnect || m_paramsLoaded)
        return;
    if (m_settings.connectionName.empty())
        throw DatabaseError("Connection name missing");
    if (!configFileExists(m_connectionFile))
        throw ConfigurationError("Driver/Connection Registry File '" + m_connectionFile + "' not found");
    m_params = readConfigSection(m_connectionFile, m_settings.connectionName);
    m_paramsLoaded = true;
}

void SQLConnection::closeWhenIdle()
{
    if (m_state != State::Open || m_settings.keepConnection)
        return;
    const bool busy = std::any_of(m_clients.begin(), m_clients.end(),
                                  [](const ConnectionClient* c) { return c->isActive(); });
    if (!busy)
        close();
}

void SQLConnection::connect()
{
    // Until the driver library is loaded nothing changes but the parameter list:
    // the driver entries are gathered first and kept only when all are there.
    std::string driverName = m_settings.driverName;
    std::string libraryName = m_settings.libraryName;
    std::string vendorLib = m_settings.vendorLib;
    std::string getDriverFunc = m_settings.getDriverFunc;
    asSetUp([&] {
        const bool fromFiles = m_settings.loadParamsOnConnect;
        if (fromFiles) {
            loadParams();
            driverName = readConfigValue(m_connectionFile, m_settings.connectionName, "DriverName");
        }
        if (driverName.empty())
            throw DatabaseError("Missing DriverName property");

        // The driver file is located again for every value read from it.
        auto driverValue = [&](const char* key) {
            return readConfigValue(locateConfigFile(DriverRegistryValue, DriverRegistryDefault), driverName, key);
        };
        const std::string missingLibrary = withPrefix(m_name, "DLL/Shared Library Name not Set");
        if (fromFiles)
            libraryName = driverValue("LibraryName");
        if (libraryName.empty())
            throw DatabaseError(missingLibrary);
        if (fromFiles)
            vendorLib = std::string(trimBlanksControlsAndDelete(driverValue("VendorLib")));
        if (vendorLib.empty())
            throw DatabaseError(missingLibrary);
        if (fromFiles)
            getDriverFunc = driverValue("GetDriverFunc");
        if (m_params.value("Database").empty())
            throw DatabaseError("Missing Database property");
    });

    m_settings.driverName = driverName;
    m_settings.libraryName = libraryName;
    m_settings.vendorLib = vendorLib;
    m_settings.getDriverFunc = getDriverFunc;

    m_state = State::Connecting;
    try {
        asSetUp([&] { loadDriver(libraryName, vendorLib, getDriverFunc); });
        reachDatabase();
    } catch (...) {
        // The library stays loaded and the parameter list stays read, so a second
        // attempt reads only the driver entries again.
        releaseDriverObjects();
        m_state = State::Closed;
        throw;
    }
    m_state = State::Open;
    m_failuresSeen = driverFailureCount();
}

void SQLConnection::loadDriver(const std::string& libraryName, const std::string& vendorLib,
                               const std::string& getDriverFunc)
{
    m_library = LoadedLibrary::load(std::string(trimBlanksControlsAndDelete(libraryName)));
    if (!m_library)
        throw DatabaseError("Unable to Load " + libraryName);
    auto entry = reinterpret_cast<GetSQLDriverFunc>(m_library->symbol(std::string(trimBlanksControlsAndDelete(getDriverFunc))));
    if (!entry)
        throw DatabaseError("Unable to Find Procedure " + getDriverFunc);

    const std::string resourceFile(trimBlanksControlsAndDelete(m_params.value("ErrorResourceFile")));
    const dbx::Result loaded = entry(vendorLib.c_str(), resourceFile.c_str(), m_driver.receive());
    if (loaded != dbx::ResultOk || !m_driver)
        throw DatabaseError("Unable to Load " + vendorLib);

    // The connection object is the source of this failure's message, and it is
    // not there: only the code speaks.
    check(m_driver->getSQLConnection(m_connection.receive()), nullptr);
    if (!m_connection)
        check(dbx::ResultInvalidHandle, nullptr);

    applyConnectionOptions(m_connection.get(), m_params, m_settings.driverName);
    // From here on this connection's text, the server's own messages included, is
    // read in its character set, or the locale's when it names none.
    m_codePage = CodePage::forConnection(m_params.value("ServerCharSet"), userLocale().codePage);
}

void SQLConnection::reachDatabase()
{
    const std::string database(trimBlanksControlsAndDelete(m_params.value("Database")));
    const std::string userName = m_params.value("USER_NAME");
    const std::string password = m_params.value("PASSWORD");
    check(m_connection->connect(database.c_str(), userName.c_str(), password.c_str()), m_connection.get());

    std::int32_t limit = 0;
    std::int32_t length = 0;
    m_connection->getOption(dbx::ConnMaxStmtsPerConn, &limit, sizeof limit, &length);
    m_statementLimit = limit;

    check(m_connection->getSQLMetaData(m_metaData.receive()), m_connection.get());
    if (!m_metaData)
        check(dbx::ResultInvalidHandle, m_connection.get());

    const std::string schema(trimBlanksControlsAndDelete(userName));
    if (!schema.empty())
        m_metaData->setOption(dbx::MetaSchemaName, reinterpret_cast<std::intptr_t>(schema.c_str()));

    quoteCharacter();
    const std::string blobSize(trimBlanksControlsAndDelete(m_params.value("BlobSize")));
    m_connection->setOption(dbx::ConnBlobSize, blobSize.empty() ? -1 : wholeNumber(blobSize));
}

void SQLConnection::releaseDriverObjects()
{
    m_metaData.reset();
    m_connection.reset();
    m_driver.reset();
    m_statementLimit = 0;
    m_activeStatements = 0;
}

void SQLConnection::disconnect()
{
    if (m_driver) {
        m_state = State::Disconnecting;
        std::exception_ptr failure;
        // A statement detaches itself while it closes; walk a copy.
        const std::vector<ConnectionClient*> clients = m_clients;
        for (ConnectionClient* client : clients) {
            try {
                client->connectionClosing();
            } catch (...) {
                if (!failure)
                    failure = std::current_exception();
            }
        }
        m_metaData.reset();
        if (m_connection) {
            m_connection->disconnect();
            m_connection.reset();
        }
        m_state = State::Closed;
        releaseDriverObjects();
        m_paramsLoaded = false;
        if (failure)
            std::rethrow_exception(failure);
    }
    m_paramsLoaded = false;
}

void SQLConnection::check(dbx::Result result, dbx::ISQLObject* source)
{
    checkDriverResult(result, source, m_lastError, m_codePage);
}

std::string SQLConnection::quoteCharacter()
{
    if (!m_metaData)
        return {};
    char quote = '\0';
    std::int32_t length = 0;
    if (m_metaData->getOption(dbx::MetaObjectQuoteChar, &quote, sizeof quote, &length) != dbx::ResultOk ||
        quote == '\0')
        return {};
    return std::string(1, quote);
}

void SQLConnection::attach(ConnectionClient* client)
{
    if (std::find(m_clients.begin(), m_clients.end(), client) == m_clients.end())
        m_clients.push_back(client);
}

void SQLConnection::detach(ConnectionClient* client)
{
    m_clients.erase(std::remove(m_clients.begin(), m_clients.end(), client), m_clients.end());
}

std::unique_ptr<SQLConnection> SQLConnection::connectionForStatement(bool isSelect)
{
    if (m_statementLimit <= 0)
        return nullptr;
    if (isSelect)
        ++m_activeStatements;
    std::unique_ptr<SQLConnection> own;
    if (m_activeStatements >= m_statementLimit) {
        m_activeStatements = 0;
        own = std::make_unique<SQLConnection>(m_name + "Clone1");
        own->m_settings = m_settings;
        own->m_settings.loadParamsOnConnect = false;
        own->m_params = m_params;
        own->open();
    }
    return own;
}

} // namespace didu
