#include "drivers/interbase/ibconnection.h"

#include "drivers/interbase/ibcommand.h"
#include "drivers/interbase/ibmetadata.h"
#include "drivers/interbase/objectnames.h"
#include "drivers/interbase/typebinding.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

namespace didu::ib {

namespace {

void addText(std::vector<char>& block, char tag, const std::string& text)
{
    block.push_back(tag);
    block.push_back(static_cast<char>(text.size()));
    block.insert(block.end(), text.begin(), text.end());
}

void addNumber(std::vector<char>& block, char tag, std::int32_t value)
{
    block.push_back(tag);
    block.push_back(4);
    for (int i = 0; i < 4; ++i)
        block.push_back(static_cast<char>((static_cast<std::uint32_t>(value) >> (8 * i)) & 0xFF));
}

/// How long a transaction kept between statements may live before the next
/// statement renews it: the longest that it holds back garbage collection.
constexpr std::chrono::seconds kKeptTransactionLife {1};

bool optionText(std::int32_t bufferLength, void* value, std::int32_t* length, const std::string& text)
{
    if (!value || bufferLength <= static_cast<std::int32_t>(text.size()))
        return false;
    std::memcpy(value, text.c_str(), text.size() + 1);
    if (length)
        *length = static_cast<std::int32_t>(text.size());
    return true;
}

} // namespace

IbConnection::IbConnection(std::shared_ptr<const FbClient> client, dbx::ISQLDriver* driver, SteadyClock clock)
    : m_client(std::move(client)), m_driver(driver), m_clock(std::move(clock))
{
    m_driver->addRef();
    buildTransactionBlocks();
}

IbConnection::~IbConnection()
{
    disconnect();
    m_driver->release();
}

void IbConnection::buildTransactionBlocks()
{
    const char lock = m_waitOnLocks ? isc_tpb_wait : isc_tpb_nowait;
    std::vector<char> isolation;
    if (m_isolation == dbx::IsoRepeatableRead)
        isolation = {isc_tpb_concurrency};
    else
        // Firebird never shows uncommitted rows; dirty read gets the most
        // permissive level it has.
        isolation = {isc_tpb_read_committed, isc_tpb_rec_version};
    m_ownReadTpb = {isc_tpb_version3, isc_tpb_read, lock};
    m_ownReadTpb.insert(m_ownReadTpb.end(), isolation.begin(), isolation.end());
    m_writeTpb = {isc_tpb_version3, isc_tpb_write, lock};
    m_writeTpb.insert(m_writeTpb.end(), isolation.begin(), isolation.end());
    // Read committed whatever the isolation: the read transaction outlives its
    // statements, and a snapshot would show each of them an older database. With
    // record versions a read never waits for a writer; the lock option is carried
    // only so that the transaction reports what was asked for.
    m_readTpb = {isc_tpb_version3, isc_tpb_read, lock, isc_tpb_read_committed, isc_tpb_rec_version};
}

bool IbConnection::namesServer(const std::string& database)
{
    // "host:path", "host/port:path" and "[v6 address]/port:path" reach a server;
    // a plain path, "C:" included, opens the file in-process.
    std::size_t hostEnd = 0;
    if (!database.empty() && database.front() == '[' && (hostEnd = database.find(']')) == std::string::npos)
        return false;
    const auto colon = database.find(':', hostEnd);
    if (colon == std::string::npos || colon < 2 || database.front() == '/')
        return false;
    const auto slashes = std::count(database.begin() + static_cast<std::ptrdiff_t>(hostEnd),
                                    database.begin() + static_cast<std::ptrdiff_t>(colon), '/');
    return slashes <= 1;
}

std::string IbConnection::databaseName(const std::string& database) const
{
    // Host name and port options fill in what the name leaves out.
    const auto colon = database.find(':');
    if (!namesServer(database)) {
        if (m_hostName.empty())
            return database;
        return m_hostName + (m_serverPort.empty() ? "" : "/" + m_serverPort) + ":" + database;
    }
    const std::string host = database.substr(0, colon);
    if (m_serverPort.empty() || host.find('/') != std::string::npos)
        return database;
    return host + "/" + m_serverPort + database.substr(colon);
}

dbx::Result IbConnection::connect(const char* database, const char* userName, const char* password)
{
    if (m_db)
        return fail(dbx::ResultInvalidHandle, "The connection is already open");
    const std::string user = userName ? userName : "";
    const std::string pass = password ? password : "";
    for (const std::string* item : {&user, &pass, static_cast<const std::string*>(&m_role),
                                    static_cast<const std::string*>(&m_charSet)}) {
        if (item->size() > 255)
            return fail(dbx::ResultInvalidParameter, "A connection parameter is longer than 255 bytes");
    }
    std::vector<char> dpb {isc_dpb_version1};
    if (!user.empty())
        addText(dpb, isc_dpb_user_name, user);
    if (!pass.empty())
        addText(dpb, isc_dpb_password, pass);
    if (!m_role.empty())
        addText(dpb, isc_dpb_sql_role_name, m_role);
    if (!m_charSet.empty())
        addText(dpb, isc_dpb_lc_ctype, m_charSet);
    addNumber(dpb, isc_dpb_sql_dialect, m_dialect);
    if (m_timeout > 0)
        addNumber(dpb, isc_dpb_connect_timeout, m_timeout);
    addTextBindings(dpb);

    const std::string name = databaseName(database ? database : "");
    ISC_STATUS_ARRAY status {};
    isc_db_handle db = 0;
    if (namesServer(name)) {
        // Through a server a handful of round trips (protocol, authentication, attach).
        if (m_client->attachDatabase(status, 0, name.c_str(), &db, static_cast<short>(dpb.size()), dpb.data()))
            return fail(dbx::ResultConnectionFailed, statusText(status));
    } else if (!attachLocal(name, dpb, &db)) {
        return dbx::ResultConnectionFailed;
    }
    m_db = db;
    m_lost = false;
    return dbx::ResultOk;
}

bool IbConnection::attachLocal(const std::string& path, const std::vector<char>& dpb, isc_db_handle* db)
{
    // First the embedded engine alone: left to the client's default list, a
    // file the engine cannot open would be tried through a server on this
    // machine, and where none runs the operator would read that nobody
    // answers on localhost instead of why the file could not be opened.
    // Unknown engine names are passed over.
    std::vector<char> embedded = dpb;
    addText(embedded, isc_dpb_config, "Providers=Engine13,Engine12");
    ISC_STATUS_ARRAY status {};
    if (!m_client->attachDatabase(status, 0, path.c_str(), db, static_cast<short>(embedded.size()), embedded.data()))
        return true;
    const FbStatus engine = read(status);
    // Another engine holds the file, or this process may not open it or the
    // lock folder. A file that is missing or is no database stays so through
    // a server, and the engine has said why.
    if (!engine.refusedHere) {
        fail(dbx::ResultConnectionFailed, engine.text);
        return false;
    }
    // The machine's own server may open what this process may not: a file only
    // its account may read, or one it holds itself (a server in Super mode
    // opens its files exclusively). It listens on the port the connection
    // names, or its usual one.
    const std::string local = "localhost" + (m_serverPort.empty() ? "" : "/" + m_serverPort) + ":" + path;
    ISC_STATUS_ARRAY serverStatus {};
    *db = 0;
    if (!m_client->attachDatabase(serverStatus, 0, local.c_str(), db, static_cast<short>(dpb.size()), dpb.data()))
        return true;
    *db = 0;
    // No server, or one that could not open the file either: the engine's
    // reason stands (another program holds the file, or it may not be read).
    // A server that refused for a reason of its own has the reason that
    // counts: the login, most often.
    const FbStatus server = read(serverStatus);
    fail(dbx::ResultConnectionFailed, server.unreached ? engine.text : server.text);
    return false;
}

FbStatus IbConnection::read(const ISC_STATUS* status)
{
    FbStatus read = m_client->read(status);
    if (read.connectionLost)
        m_lost = true;
    return read;
}

std::string IbConnection::statusText(const ISC_STATUS* status)
{
    return read(status).text;
}

dbx::Result IbConnection::disconnect()
{
    if (!m_db)
        return dbx::ResultOk;
    // Statements still running end first: their cursors' transactions commit, as
    // releasing those cursors would have done.
    for (IbCommand* command : std::vector<IbCommand*>(m_commands))
        command->connectionClosing();
    finish(m_retained);
    finish(m_read);
    ISC_STATUS_ARRAY status {};
    if (m_client->detachDatabase(status, &m_db)) {
        const std::string text = statusText(status);
        m_db = 0;
        return fail(dbx::ResultSqlError, text);
    }
    m_db = 0;
    return dbx::ResultOk;
}

dbx::Result IbConnection::getSQLCommand(dbx::ISQLCommand** command)
{
    if (!command)
        return fail(dbx::ResultInvalidParameter, "No place for the command was given");
    *command = nullptr;
    if (!m_db)
        return fail(dbx::ResultInvalidHandle, "The connection is not open");
    *command = new IbCommand(this);
    return dbx::ResultOk;
}

dbx::Result IbConnection::getSQLMetaData(dbx::ISQLMetaData** metaData)
{
    if (!metaData)
        return fail(dbx::ResultInvalidParameter, "No place for the metadata object was given");
    *metaData = nullptr;
    if (!m_db)
        return fail(dbx::ResultInvalidHandle, "The connection is not open");
    *metaData = new IbMetaData(this);
    return dbx::ResultOk;
}

dbx::Result IbConnection::setOption(std::int32_t option, std::intptr_t value)
{
    switch (option) {
    case dbx::ConnRoleName: m_role = textOption(value); break;
    case dbx::ConnWaitOnLocks: m_waitOnLocks = value != 0; break;
    case dbx::ConnCommitRetain: m_commitRetain = value != 0; break;
    case dbx::ConnTxnIsoLevel:
        if (value < dbx::IsoReadCommitted || value > dbx::IsoDirtyRead)
            return fail(dbx::ResultInvalidParameter, "Unknown isolation level " + std::to_string(value));
        m_isolation = static_cast<std::int32_t>(value);
        break;
    case dbx::ConnHostName: m_hostName = textOption(value); break;
    case dbx::ConnServerPort: m_serverPort = textOption(value); break;
    case dbx::ConnServerCharSet: m_charSet = textOption(value); break;
    case dbx::ConnSqlDialect:
        if (value < 1 || value > 3)
            return fail(dbx::ResultInvalidParameter, "SQL dialect " + std::to_string(value) + " does not exist");
        m_dialect = static_cast<unsigned short>(value);
        break;
    case dbx::ConnTrimChar: m_trimChar = value != 0; break;
    case dbx::ConnTimeout: m_timeout = static_cast<std::int32_t>(value); break;
    case dbx::ConnQualifiedName: splitQualifiedName(textOption(value), m_nameParts); break;
    case dbx::ConnEndOfWork: endWork(); return dbx::ResultOk;
    case dbx::ConnAutoCommit:
    case dbx::ConnBlockingMode:
    case dbx::ConnBlobSize:
    case dbx::ConnOsAuthentication:
    case dbx::ConnMultipleTransaction:
    case dbx::ConnCustomInfo:
        // Accepted: every statement commits by itself and calls always block,
        // whatever these say; blobs are always read whole.
        break;
    default:
        return fail(dbx::ResultNotSupported, "Connection option " + std::to_string(option) + " is not supported");
    }
    buildTransactionBlocks();
    return dbx::ResultOk;
}

dbx::Result IbConnection::getOption(std::int32_t option, void* value, std::int32_t bufferLength, std::int32_t* length)
{
    auto number = [&](std::int32_t n) -> dbx::Result {
        if (!value || bufferLength < 4)
            return fail(dbx::ResultInvalidParameter, "The option buffer is too small");
        std::memcpy(value, &n, 4);
        if (length)
            *length = 4;
        return dbx::ResultOk;
    };
    auto text = [&](const std::string& t) -> dbx::Result {
        return optionText(bufferLength, value, length, t)
            ? dbx::ResultOk
            : fail(dbx::ResultInvalidParameter, "The option buffer is too small");
    };
    switch (option) {
    case dbx::ConnMaxStmtsPerConn: return number(0);
    case dbx::ConnConnectionLost: return number(m_lost);
    case dbx::ConnLinkAnswers: return number(linkAnswers());
    case dbx::ConnRoleName: return text(m_role);
    case dbx::ConnWaitOnLocks: return number(m_waitOnLocks);
    case dbx::ConnCommitRetain: return number(m_commitRetain);
    case dbx::ConnTxnIsoLevel: return number(m_isolation);
    case dbx::ConnHostName: return text(m_hostName);
    case dbx::ConnServerPort: return text(m_serverPort);
    case dbx::ConnServerCharSet: return text(m_charSet);
    case dbx::ConnSqlDialect: return number(m_dialect);
    case dbx::ConnTrimChar: return number(m_trimChar);
    case dbx::ConnTimeout: return number(m_timeout);
    case dbx::ConnCatalogName: return text(m_nameParts[0]);
    case dbx::ConnSchemaName: return text(m_nameParts[1]);
    case dbx::ConnObjectName: return text(m_nameParts[2]);
    default:
        return fail(dbx::ResultNotSupported, "Connection option " + std::to_string(option) + " is not supported");
    }
}

ISC_STATUS IbConnection::startTransaction(const std::vector<char>& tpb, isc_tr_handle* tr, ISC_STATUS* status)
{
    return m_client->startTransaction(status, tr, 1, &m_db, static_cast<unsigned short>(tpb.size()), tpb.data());
}

TransactionLease IbConnection::begin(Run run, ISC_STATUS* status)
{
    switch (run) {
    case Run::SharedRead: return keep(m_read, m_readTpb, run, status);
    case Run::RetainedWrite: return keep(m_retained, m_writeTpb, run, status);
    case Run::OwnRead:
    case Run::OwnWrite: break;
    }
    TransactionLease lease(this, run, nullptr);
    if (startTransaction(run == Run::OwnRead ? m_ownReadTpb : m_writeTpb, &lease.m_own, status))
        return {};
    return lease;
}

TransactionLease IbConnection::keep(KeptTransaction& kept, const std::vector<char>& tpb, Run run, ISC_STATUS* status)
{
    const auto now = m_clock();
    // Renewed only between statements: a statement running in it keeps its
    // cursor, and under commit retaining the context it was promised.
    if (kept.handle && kept.leases == 0 && now - kept.started > kKeptTransactionLife)
        finish(kept);
    if (!kept.handle) {
        if (startTransaction(tpb, &kept.handle, status))
            return {};
        kept.started = now;
    }
    ++kept.leases;
    return TransactionLease(this, run, &kept);
}

void IbConnection::finish(KeptTransaction& kept)
{
    if (kept.handle) {
        ISC_STATUS_ARRAY status {};
        // Everything of it was committed already, statement by statement (the
        // read transaction never writes): what the commit answers, a dead link
        // for example, changes nothing, and the handle goes either way.
        if (m_client->commitTransaction(status, &kept.handle))
            m_client->rollbackTransaction(status, &kept.handle);
        kept.handle = 0;
    }
}

void IbConnection::endWork()
{
    if (!m_db)
        return;
    for (IbCommand* command : std::vector<IbCommand*>(m_commands))
        command->endKeptRun();
    finish(m_retained);
    finish(m_read);
}

bool IbConnection::linkAnswers()
{
    if (!m_db || m_lost)
        return false;
    ISC_STATUS_ARRAY status {};
    if (m_client->ping(status, &m_db) && FbClient::connectionLost(status))
        m_lost = true;
    return !m_lost;
}

void IbConnection::detach(IbCommand* command)
{
    m_commands.erase(std::remove(m_commands.begin(), m_commands.end(), command), m_commands.end());
}

TransactionLease::TransactionLease(TransactionLease&& other) noexcept
    : m_connection(std::exchange(other.m_connection, nullptr)), m_run(other.m_run),
      m_kept(std::exchange(other.m_kept, nullptr)), m_own(std::exchange(other.m_own, 0))
{
}

TransactionLease& TransactionLease::operator=(TransactionLease&& other) noexcept
{
    if (this != &other) {
        leave();
        m_connection = std::exchange(other.m_connection, nullptr);
        m_run = other.m_run;
        m_kept = std::exchange(other.m_kept, nullptr);
        m_own = std::exchange(other.m_own, 0);
    }
    return *this;
}

ISC_STATUS TransactionLease::commit(ISC_STATUS* status)
{
    if (!m_connection)
        return 0;
    const FbClient& fb = m_connection->client();
    ISC_STATUS rc = 0;
    if (m_kept) {
        --m_kept->leases;
        // The read transaction never writes: nothing of it to commit.
        if (m_run == Run::RetainedWrite && m_kept->handle)
            rc = fb.commitRetaining(status, &m_kept->handle);
    } else if (m_own) {
        rc = fb.commitTransaction(status, &m_own);
        if (rc) {
            ISC_STATUS_ARRAY ignored {};
            fb.rollbackTransaction(ignored, &m_own);
        }
    }
    m_connection = nullptr;
    m_kept = nullptr;
    m_own = 0;
    return rc;
}

void TransactionLease::leave() noexcept
{
    if (!m_connection)
        return;
    if (m_kept) {
        --m_kept->leases;
    } else if (m_own) {
        ISC_STATUS_ARRAY ignored {};
        m_connection->client().rollbackTransaction(ignored, &m_own);
    }
    m_connection = nullptr;
    m_kept = nullptr;
    m_own = 0;
}

} // namespace didu::ib
