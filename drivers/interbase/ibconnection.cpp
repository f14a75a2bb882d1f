#include "drivers/interbase/ibconnection.h"

#include "drivers/interbase/ibcommand.h"
#include "drivers/interbase/ibmetadata.h"
#include "drivers/interbase/objectnames.h"
#include "drivers/interbase/typebinding.h"

#include <algorithm>
#include <cstring>

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

IbConnection::IbConnection(std::shared_ptr<const FbClient> client, dbx::ISQLDriver* driver)
    : m_client(std::move(client)), m_driver(driver)
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
    m_readTpb = {isc_tpb_version3, isc_tpb_read, lock};
    m_readTpb.insert(m_readTpb.end(), isolation.begin(), isolation.end());
    m_writeTpb = {isc_tpb_version3, isc_tpb_write, lock};
    m_writeTpb.insert(m_writeTpb.end(), isolation.begin(), isolation.end());
    // Read committed whatever the isolation: a snapshot kept for the connection's
    // life would hold back garbage collection. With record versions a read never
    // waits for a writer; the lock option is carried only so that the
    // transaction reports what was asked for.
    m_sharedReadTpb = {isc_tpb_version3, isc_tpb_read, lock, isc_tpb_read_committed, isc_tpb_rec_version};
}

std::string IbConnection::databaseName(const std::string& database) const
{
    // "host:path" or "host/port:path" reach a server; a plain path opens the file
    // in-process. Host name and port options fill in what the name leaves out.
    const auto colon = database.find(':');
    const auto slash = database.find('/');
    const bool hasHost = colon != std::string::npos && (slash == std::string::npos || colon < slash) && colon > 1;
    if (!hasHost) {
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
    // Through a server a handful of round trips (protocol, authentication, attach).
    if (m_client->attachDatabase(status, 0, name.c_str(), &db, static_cast<short>(dpb.size()), dpb.data()))
        return fail(dbx::ResultConnectionFailed, statusText(status));
    m_db = db;
    m_lost = false;
    return dbx::ResultOk;
}

std::string IbConnection::statusText(const ISC_STATUS* status)
{
    if (FbClient::connectionLost(status))
        m_lost = true;
    return m_client->statusText(status);
}

dbx::Result IbConnection::disconnect()
{
    if (!m_db)
        return dbx::ResultOk;
    // Statements still running end first: their cursors' transactions commit, as
    // releasing those cursors would have done.
    for (IbCommand* command : std::vector<IbCommand*>(m_commands))
        command->connectionClosing();
    ISC_STATUS_ARRAY status {};
    for (isc_tr_handle* tr : {&m_retainedRead, &m_retainedWrite, &m_readTr}) {
        if (*tr && m_client->commitTransaction(status, tr))
            m_client->rollbackTransaction(status, tr);
        *tr = 0;
    }
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

isc_tr_handle* IbConnection::readTransaction(ISC_STATUS* status)
{
    // One round trip, once per connection.
    if (!m_readTr && startTransaction(m_sharedReadTpb, &m_readTr, status))
        return nullptr;
    return &m_readTr;
}

ISC_STATUS IbConnection::startTransaction(const std::vector<char>& tpb, isc_tr_handle* tr, ISC_STATUS* status)
{
    return m_client->startTransaction(status, tr, 1, &m_db, static_cast<unsigned short>(tpb.size()), tpb.data());
}

ISC_STATUS IbConnection::beginStatement(bool readOnly, isc_tr_handle* tr, bool* retained, ISC_STATUS* status)
{
    *retained = m_commitRetain;
    if (!m_commitRetain)
        return startTransaction(readOnly ? m_readTpb : m_writeTpb, tr, status); // 1 round trip
    isc_tr_handle& kept = readOnly ? m_retainedRead : m_retainedWrite;
    if (!kept && startTransaction(readOnly ? m_readTpb : m_writeTpb, &kept, status))
        return status[1];
    *tr = kept;
    return 0;
}

ISC_STATUS IbConnection::endStatement(isc_tr_handle* tr, bool retained, bool commit, ISC_STATUS* status)
{
    if (!*tr)
        return 0;
    ISC_STATUS rc = 0;
    if (retained) {
        // A failed statement has already been undone by its own savepoint; the
        // kept transaction only commits what succeeded.
        if (commit)
            rc = m_client->commitRetaining(status, tr);
    } else if (commit) {
        rc = m_client->commitTransaction(status, tr); // 1 round trip
        if (rc) {
            ISC_STATUS_ARRAY ignored {};
            m_client->rollbackTransaction(ignored, tr);
        }
    } else {
        rc = m_client->rollbackTransaction(status, tr);
    }
    *tr = 0;
    return rc;
}

void IbConnection::detach(IbCommand* command)
{
    m_commands.erase(std::remove(m_commands.begin(), m_commands.end(), command), m_commands.end());
}

} // namespace didu::ib
