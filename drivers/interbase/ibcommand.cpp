#include "drivers/interbase/ibcommand.h"

#include "drivers/interbase/ibcursor.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace didu::ib {

namespace {

/// Upper bound of rows per fetch: the row block is allocated for that many rows.
constexpr std::size_t maxRowsetSize = 4096;

} // namespace

IbCommand::IbCommand(IbConnection* connection) : m_connection(connection)
{
    m_connection->addRef();
    m_connection->attach(this);
}

IbCommand::~IbCommand()
{
    endRun(true);
    dropStatement();
    m_connection->detach(this);
    m_connection->release();
}

dbx::Result IbCommand::setOption(std::int32_t option, std::intptr_t value)
{
    switch (option) {
    case dbx::CommandRowsetSize:
        if (value < 1)
            return fail(dbx::ResultInvalidParameter, "Rows per fetch must be at least 1");
        m_rowsetSize = std::min<std::size_t>(static_cast<std::size_t>(value), maxRowsetSize);
        return dbx::ResultOk;
    case dbx::CommandStoredProc:
        if (value != 0)
            return fail(dbx::ResultNotSupported, "Stored procedures are run by their SQL text only");
        return dbx::ResultOk;
    default:
        return fail(dbx::ResultNotSupported, "Command option " + std::to_string(option) + " is not supported");
    }
}

dbx::Result IbCommand::getOption(std::int32_t option, void* value, std::int32_t bufferLength, std::int32_t* length)
{
    if (option != dbx::CommandRowsetSize)
        return fail(dbx::ResultNotSupported, "Command option " + std::to_string(option) + " is not supported");
    if (!value || bufferLength < 4)
        return fail(dbx::ResultInvalidParameter, "The option buffer is too small");
    const std::int32_t rows = static_cast<std::int32_t>(m_rowsetSize);
    std::memcpy(value, &rows, 4);
    if (length)
        *length = 4;
    return dbx::ResultOk;
}

dbx::Result IbCommand::prepare(const char* text, std::uint16_t /*paramCount*/)
{
    // The marker count is the caller's own; the server counts the markers it
    // parsed, and those are the ones that must be bound.
    if (!m_connection->connected())
        return fail(dbx::ResultInvalidHandle, "The connection is not open");
    if (!text)
        return fail(dbx::ResultInvalidParameter, "No statement text was given");
    endRun(true);
    m_prepared = false;
    const FbClient& fb = m_connection->client();
    ISC_STATUS_ARRAY status {};
    // Allocation waits for the prepare's request: no round trip of its own.
    if (!m_stmt && fb.allocateStatement(status, m_connection->database(), &m_stmt))
        return fail(dbx::ResultSqlError, m_connection->statusText(status));
    TransactionLease read = m_connection->begin(Run::SharedRead, status);
    if (!read)
        return fail(dbx::ResultSqlError, m_connection->statusText(status));
    // The one round trip of a prepare: the client asks in the same request for
    // the statement type and both descriptions, and answers the three calls
    // below from what came back. (An older client asks the server for each.)
    m_out->sqld = 0;
    const ISC_STATUS prepared = fb.prepare(status, read.handle(), &m_stmt, 0, text, m_connection->dialect(), m_out.get());
    read.leave();
    if (prepared)
        return fail(dbx::ResultSqlError, m_connection->statusText(status));
    if (m_out.tooSmall()) {
        m_out.grow(m_out->sqld);
        if (fb.describe(status, &m_stmt, 1, m_out.get()))
            return fail(dbx::ResultSqlError, m_connection->statusText(status));
    }
    // The type alone: asked with anything else, the request would go to the server.
    static const char items[] = {isc_info_sql_stmt_type};
    char info[16];
    if (fb.sqlInfo(status, &m_stmt, sizeof items, items, sizeof info, info))
        return fail(dbx::ResultSqlError, m_connection->statusText(status));
    m_statementType = 0;
    if (info[0] == isc_info_sql_stmt_type) {
        const short size = static_cast<short>(fb.vaxInteger(info + 1, 2));
        m_statementType = static_cast<int>(fb.vaxInteger(info + 3, size));
    }
    // A marker is a "?" (names are the caller's, replaced before the text comes
    // here), so a text without one has nothing to bind: the engine is not asked
    // to describe an empty list, which costs an embedded one as much as a third
    // of the prepare. (Through a server the description came with the prepare.)
    m_in->sqld = 0;
    if (std::strchr(text, '?') && fb.describeBind(status, &m_stmt, 1, m_in.get()))
        return fail(dbx::ResultSqlError, m_connection->statusText(status));
    if (m_in.tooSmall()) {
        m_in.grow(m_in->sqld);
        if (fb.describeBind(status, &m_stmt, 1, m_in.get()))
            return fail(dbx::ResultSqlError, m_connection->statusText(status));
    }
    m_params.resize(static_cast<std::size_t>(m_in->sqld));
    for (short i = 0; i < m_in->sqld; ++i) {
        const XSQLVAR& var = m_in->sqlvar[i];
        Param& p = m_params[static_cast<std::size_t>(i)];
        p.set = false;
        p.blob = false;
        p.describedType = static_cast<short>(var.sqltype & ~1);
        p.describedSubType = var.sqlsubtype;
        p.describedScale = var.sqlscale;
        p.describedLength = var.sqllen;
    }
    m_layout = layoutRow(m_out.get());
    m_rowsAffected = 0;
    m_selectWrites = false;
    m_prepared = true;
    return dbx::ResultOk;
}

dbx::Result IbCommand::execute(dbx::ISQLCursor** cursor)
{
    if (cursor)
        *cursor = nullptr;
    if (!m_prepared)
        return fail(dbx::ResultInvalidHandle, "No statement has been prepared");
    if (!m_connection->connected())
        return fail(dbx::ResultInvalidHandle, "The connection is not open");
    const dbx::Result ended = endRun(true);
    if (ended != dbx::ResultOk)
        return ended;
    for (std::size_t i = 0; i < m_params.size(); ++i) {
        if (!m_params[i].set)
            return fail(11, "Parameter " + std::to_string(i + 1) + " has no value");
    }
    const bool query = isQuery();
    const bool singleton = !query && m_out->sqld > 0; // EXECUTE PROCEDURE, ... RETURNING
    if ((query || singleton) && !cursor)
        return fail(dbx::ResultInvalidParameter, "The statement returns rows but no place for a cursor was given");

    ISC_STATUS_ARRAY status {};
    XSQLDA* out = nullptr;
    if (singleton) {
        m_blockRows = 1;
        m_block.resize(m_layout.rowBytes);
        pointAtSlot(m_out.get(), m_layout, m_block.data(), 0);
        out = m_out.get();
    }
    if (startRun(out, status))
        return fail(dbx::ResultSqlError, m_connection->statusText(status));
    if (query) {
        m_cursor = new IbCursor(this, false);
        *cursor = m_cursor;
        return dbx::ResultOk;
    }
    m_rowsAffected = countRows(status);
    if (singleton) {
        // The row stays readable (its blobs too) until the cursor is released,
        // which commits.
        m_cursor = new IbCursor(this, true);
        *cursor = m_cursor;
        return dbx::ResultOk;
    }
    return endRun(true);
}

bool IbCommand::isQuery() const
{
    return m_statementType == isc_info_sql_stmt_select || m_statementType == isc_info_sql_stmt_select_for_upd;
}

Run IbCommand::nextRun() const
{
    if (m_statementType == isc_info_sql_stmt_select && !m_selectWrites) {
        // Temporary blobs live as long as the transaction they are made in: in
        // the read transaction they would outlast the statement by far.
        const bool blobParameters = std::any_of(m_params.begin(), m_params.end(), [](const Param& p) { return p.blob; });
        return m_connection->selectsShareReadTransaction() && !blobParameters ? Run::SharedRead : Run::OwnRead;
    }
    return m_connection->commitRetaining() ? Run::RetainedWrite : Run::OwnWrite;
}

ISC_STATUS IbCommand::startRun(XSQLDA* out, ISC_STATUS* status)
{
    const FbClient& fb = m_connection->client();
    XSQLDA* in = m_in->sqld > 0 ? m_in.get() : nullptr;
    for (;;) {
        m_delivered = false;
        TransactionLease run = m_connection->begin(nextRun(), status);
        if (!run)
            return status[1];
        // A query's execute waits for its first fetch and travels with it; any
        // other statement's is one round trip.
        if (!writeBlobs(run.handle(), status) && !fb.execute2(status, run.handle(), &m_stmt, 1, in, out)) {
            if (isQuery()) {
                // Only a read-only run reads ahead: locking and positioned
                // updates need the server's cursor on the row the caller is at.
                m_blockRows = run.readOnly() ? m_rowsetSize : 1;
                m_block.resize(m_blockRows * m_layout.rowBytes);
            }
            m_run = std::move(run);
            return 0;
        }
        // Nothing runs: no cursor opened, and the lease leaves the transaction
        // undone as it goes.
        if (!runAgainReadWrite(run, status))
            return status[1];
    }
}

bool IbCommand::runAgainReadWrite(const TransactionLease& run, const ISC_STATUS* status)
{
    // The server reports a SELECT ... WITH LOCK, or a selectable procedure that
    // writes, as a plain SELECT; only running it shows that it writes. Until a row
    // has left, running it again read-write changes nothing the caller has seen.
    if (!run.readOnly() || m_delivered || status[1] != isc_read_only_trans)
        return false;
    m_selectWrites = true;
    return true;
}

std::uint32_t IbCommand::countRows(ISC_STATUS* status)
{
    if (m_statementType != isc_info_sql_stmt_insert && m_statementType != isc_info_sql_stmt_update
        && m_statementType != isc_info_sql_stmt_delete && m_statementType != isc_info_sql_stmt_exec_procedure)
        return 0;
    // Asked only of the statements that change rows: the answer costs a round trip.
    const FbClient& fb = m_connection->client();
    static const char items[] = {isc_info_sql_records};
    char info[64];
    if (fb.sqlInfo(status, &m_stmt, sizeof items, items, sizeof info, info) || info[0] != isc_info_sql_records)
        return 0;
    std::uint32_t total = 0;
    for (const char* p = info + 3; p < info + sizeof info && *p != isc_info_end;) {
        const char tag = *p++;
        const short size = static_cast<short>(fb.vaxInteger(p, 2));
        const auto value = static_cast<std::uint32_t>(fb.vaxInteger(p + 2, size));
        p += 2 + size;
        if (tag == isc_info_req_insert_count || tag == isc_info_req_update_count || tag == isc_info_req_delete_count)
            total += value;
    }
    return total;
}

dbx::Result IbCommand::getRowsAffected(std::uint32_t* rows)
{
    if (!rows)
        return fail(dbx::ResultInvalidParameter, "No place for the count was given");
    *rows = m_rowsAffected;
    return dbx::ResultOk;
}

dbx::Result IbCommand::close()
{
    return endRun(true);
}

int IbCommand::fetchBlock(bool* atEnd, std::string* error)
{
    const FbClient& fb = m_connection->client();
    ISC_STATUS_ARRAY status {};
    std::size_t n = 0;
    while (n < m_blockRows) {
        // Each row is fetched straight into its own slot: reading ahead costs
        // no copy.
        pointAtSlot(m_out.get(), m_layout, m_block.data(), n);
        // A round trip only when the client's read-ahead is used up.
        const ISC_STATUS rc = fb.fetch(status, &m_stmt, 1, m_out.get());
        if (rc == 100) {
            *atEnd = true;
            break;
        }
        if (rc) {
            if (n == 0 && runAgainReadWrite(m_run, status)) {
                finishRun(false);
                if (!startRun(nullptr, status))
                    continue;
            }
            *error = m_connection->statusText(status);
            break;
        }
        ++n;
    }
    if (n > 0)
        m_delivered = true;
    return static_cast<int>(n);
}

void IbCommand::cursorReleased(IbCursor* cursor)
{
    if (cursor == m_cursor) {
        m_cursor = nullptr;
        endRun(true);
    }
}

dbx::Result IbCommand::endRun(bool commit)
{
    if (m_cursor) {
        m_cursor->detach();
        m_cursor = nullptr;
    }
    return finishRun(commit);
}

dbx::Result IbCommand::finishRun(bool commit)
{
    if (!m_run)
        return dbx::ResultOk;
    TransactionLease run = std::move(m_run);
    const FbClient& fb = m_connection->client();
    ISC_STATUS_ARRAY status {};
    if (isQuery())
        fb.freeStatement(status, &m_stmt, DSQL_close); // travels with the next request
    if (!commit) {
        run.leave();
        return dbx::ResultOk;
    }
    if (run.commit(status))
        return fail(dbx::ResultSqlError, m_connection->statusText(status));
    return dbx::ResultOk;
}

void IbCommand::dropStatement()
{
    if (m_stmt) {
        ISC_STATUS_ARRAY status {};
        // Sent without waiting for the answer.
        m_connection->client().freeStatement(status, &m_stmt, DSQL_drop);
        m_stmt = 0;
    }
    m_prepared = false;
}

void IbCommand::connectionClosing()
{
    endRun(true);
    dropStatement();
}

void IbCommand::endKeptRun()
{
    if (m_run.kept())
        endRun(true);
}

} // namespace didu::ib
