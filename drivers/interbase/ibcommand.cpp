#include "drivers/interbase/ibcommand.h"

#include "drivers/interbase/ibcursor.h"

#include <algorithm>
#include <cstring>

namespace didu::ib {

namespace {

/// Longest text a SQL_TEXT value can carry; longer values need a blob marker.
constexpr std::size_t maxInlineText = 32767;
/// Upper bound of rows per fetch: the row block is allocated for that many rows.
constexpr std::size_t maxRowsetSize = 4096;

bool isTextType(short type) { return type == SQL_TEXT || type == SQL_VARYING; }

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
    if (!m_stmt && fb.allocateStatement(status, m_connection->database(), &m_stmt))
        return fail(dbx::ResultSqlError, fb.statusText(status));
    isc_tr_handle* tr = m_connection->prepareTransaction(status);
    if (!tr)
        return fail(dbx::ResultSqlError, fb.statusText(status));
    m_out->sqld = 0;
    if (fb.prepare(status, tr, &m_stmt, 0, text, m_connection->dialect(), m_out.get()))
        return fail(dbx::ResultSqlError, fb.statusText(status));
    if (m_out.tooSmall()) {
        m_out.grow(m_out->sqld);
        if (fb.describe(status, &m_stmt, 1, m_out.get()))
            return fail(dbx::ResultSqlError, fb.statusText(status));
    }

    // Statement type and marker count in one round.
    static const char items[] = {isc_info_sql_stmt_type, isc_info_sql_bind, isc_info_sql_describe_vars};
    char info[64];
    if (fb.sqlInfo(status, &m_stmt, sizeof items, items, sizeof info, info))
        return fail(dbx::ResultSqlError, fb.statusText(status));
    int markers = 0;
    m_statementType = 0;
    for (const char* p = info; p < info + sizeof info && *p != isc_info_end && *p != isc_info_truncated;) {
        const char tag = *p++;
        if (tag == isc_info_sql_bind || tag == isc_info_sql_select)
            continue; // opens a group, carries no value
        const short size = static_cast<short>(fb.vaxInteger(p, 2));
        const int value = static_cast<int>(fb.vaxInteger(p + 2, size));
        p += 2 + size;
        if (tag == isc_info_sql_stmt_type)
            m_statementType = value;
        else if (tag == isc_info_sql_describe_vars)
            markers = value;
    }

    m_in->sqld = 0;
    if (markers > 0) {
        if (m_in->sqln < markers)
            m_in.grow(static_cast<short>(markers));
        if (fb.describeBind(status, &m_stmt, 1, m_in.get()))
            return fail(dbx::ResultSqlError, fb.statusText(status));
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
    m_needsWrite = false;
    m_prepared = true;
    return dbx::ResultOk;
}

dbx::Result IbCommand::setParameter(std::uint16_t number, std::uint16_t /*childPosition*/, std::int32_t direction,
                                    std::uint16_t type, std::uint16_t /*subType*/, std::int32_t /*precision*/,
                                    std::int32_t scale, std::uint32_t length, const void* buffer, std::int32_t isNull)
{
    if (!m_prepared)
        return fail(dbx::ResultInvalidHandle, "No statement has been prepared");
    if (number < 1 || number > m_params.size())
        return fail(dbx::ResultOutOfRange, "Parameter number " + std::to_string(number) + " is out of range: the statement has "
                                               + std::to_string(m_params.size()));
    if (direction != dbx::ParamIn && direction != 0)
        return fail(dbx::ResultNotSupported, "Only input parameters are supported");
    Param& p = m_params[number - 1u];
    XSQLVAR& var = m_in->sqlvar[number - 1u];
    p.set = false;
    p.blob = false;
    if (isNull || !buffer) {
        if (!isNull)
            return fail(dbx::ResultInvalidParameter, "Parameter " + std::to_string(number) + " has no value buffer");
        p.null = -1;
        var.sqltype = static_cast<short>(p.describedType | 1);
        var.sqlsubtype = p.describedSubType;
        var.sqlscale = p.describedScale;
        var.sqllen = p.describedLength;
        var.sqldata = p.number; // never read with the NULL indicator set
        var.sqlind = &p.null;
        p.set = true;
        return dbx::ResultOk;
    }
    (void)scale;
    const dbx::Result r = bindValue(number, p, var, type, length, buffer);
    if (r == dbx::ResultOk)
        p.set = true;
    return r;
}

dbx::Result IbCommand::bindValue(std::uint16_t number, Param& p, XSQLVAR& var, std::uint16_t type,
                                 std::uint32_t length, const void* buffer)
{
    p.null = 0;
    var.sqlind = &p.null;
    var.sqlscale = 0;
    var.sqlsubtype = 0;
    auto numeric = [&](short sqlType, const void* value, std::size_t size) {
        std::memcpy(p.number, value, size);
        var.sqltype = static_cast<short>(sqlType | 1);
        var.sqllen = static_cast<short>(size);
        var.sqldata = p.number;
        return dbx::ResultOk;
    };
    const std::string which = "Parameter " + std::to_string(number);
    switch (type) {
    case dbx::FieldZString:
    case dbx::FieldBytes:
    case dbx::FieldBlob: {
        const char* bytes = static_cast<const char*>(buffer);
        // Text is zero-terminated: its bytes end at the first zero within the
        // length given (which counts that zero).
        const std::size_t size = type == dbx::FieldZString ? ::strnlen(bytes, length ? length : maxInlineText + 1)
                                                           : length;
        p.bytes.assign(bytes, size);
        if (p.describedType == SQL_BLOB) {
            p.blob = true;
            var.sqltype = SQL_BLOB | 1;
            var.sqlsubtype = p.describedSubType;
            var.sqllen = sizeof(ISC_QUAD);
            var.sqldata = reinterpret_cast<char*>(&p.blobId);
            return dbx::ResultOk;
        }
        if (size > maxInlineText)
            return fail(dbx::ResultInvalidParameter, which + " is longer than 32767 bytes");
        var.sqltype = SQL_TEXT | 1;
        // Text keeps the marker's own character set, so its bytes are taken as
        // they are; other markers read it as plain text and convert it.
        var.sqlsubtype = isTextType(p.describedType) ? p.describedSubType : 0;
        var.sqllen = static_cast<short>(size);
        var.sqldata = p.bytes.data();
        return dbx::ResultOk;
    }
    case dbx::FieldInt16: {
        std::int16_t v;
        std::memcpy(&v, buffer, 2);
        return numeric(SQL_SHORT, &v, 2);
    }
    case dbx::FieldBool: {
        std::int16_t v = 0;
        std::memcpy(&v, buffer, length >= 2 ? 2 : 1);
        const FB_BOOLEAN b = v ? FB_TRUE : FB_FALSE;
        return numeric(SQL_BOOLEAN, &b, 1);
    }
    case dbx::FieldInt32: return numeric(SQL_LONG, buffer, 4);
    case dbx::FieldInt64: return numeric(SQL_INT64, buffer, 8);
    case dbx::FieldFloat: return numeric(SQL_DOUBLE, buffer, 8);
    case dbx::FieldBcd: {
        dbx::Bcd bcd;
        std::memcpy(&bcd, buffer, sizeof bcd);
        if (bcd.scale < 0 || bcd.scale > 18)
            return fail(dbx::ResultInvalidParameter, which + " has a scale outside 0 to 18");
        numeric(SQL_INT64, &bcd.unscaled, 8);
        var.sqlscale = static_cast<short>(-bcd.scale);
        return dbx::ResultOk;
    }
    case dbx::FieldDate: {
        dbx::Date d;
        std::memcpy(&d, buffer, sizeof d);
        if (!validDate(d))
            return fail(6, which + " is not a valid date");
        const ISC_DATE v = encodeDate(d);
        return numeric(SQL_TYPE_DATE, &v, sizeof v);
    }
    case dbx::FieldTime: {
        dbx::Time t;
        std::memcpy(&t, buffer, sizeof t);
        if (!validTime(t))
            return fail(6, which + " is not a valid time");
        const ISC_TIME v = encodeTime(t);
        return numeric(SQL_TYPE_TIME, &v, sizeof v);
    }
    case dbx::FieldTimeStamp: {
        dbx::TimeStamp ts;
        std::memcpy(&ts, buffer, sizeof ts);
        if (!validDate(ts.date) || !validTime(ts.time))
            return fail(6, which + " is not a valid timestamp");
        const ISC_TIMESTAMP v {encodeDate(ts.date), encodeTime(ts.time)};
        return numeric(SQL_TIMESTAMP, &v, sizeof v);
    }
    default:
        return fail(dbx::ResultInvalidFieldType, which + " has a value type the driver cannot bind: " + std::to_string(type));
    }
}

ISC_STATUS IbCommand::writeBlobs(ISC_STATUS* status)
{
    const FbClient& fb = m_connection->client();
    for (Param& p : m_params) {
        if (!p.blob || p.null)
            continue;
        isc_blob_handle blob = 0;
        if (fb.createBlob(status, m_connection->database(), &m_tr, &blob, &p.blobId, 0, nullptr))
            return status[1];
        for (std::size_t at = 0; at < p.bytes.size();) {
            const std::size_t n = std::min<std::size_t>(p.bytes.size() - at, 32768);
            if (fb.putSegment(status, &blob, static_cast<unsigned short>(n), p.bytes.data() + at)) {
                ISC_STATUS_ARRAY ignored {};
                fb.closeBlob(ignored, &blob);
                return status[1];
            }
            at += n;
        }
        if (fb.closeBlob(status, &blob))
            return status[1];
    }
    return 0;
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
    const bool query = m_statementType == isc_info_sql_stmt_select || m_statementType == isc_info_sql_stmt_select_for_upd;
    const bool singleton = !query && m_out->sqld > 0; // EXECUTE PROCEDURE, ... RETURNING
    if ((query || singleton) && !cursor)
        return fail(dbx::ResultInvalidParameter, "The statement returns rows but no place for a cursor was given");

    const FbClient& fb = m_connection->client();
    ISC_STATUS_ARRAY status {};
    XSQLDA* out = nullptr;
    if (singleton) {
        m_blockRows = 1;
        m_block.resize(m_layout.rowBytes);
        pointAtSlot(m_out.get(), m_layout, m_block.data(), 0);
        out = m_out.get();
    }
    if (startRun(out, status) && !(rerunForWrite(status) && !startRun(out, status)))
        return fail(dbx::ResultSqlError, fb.statusText(status));
    if (query) {
        m_cursorOpen = true;
        // Only a read-only run reads ahead: locking and positioned updates need the
        // server's cursor on the row the caller is at.
        m_blockRows = m_readOnlyRun ? m_rowsetSize : 1;
        m_block.resize(m_blockRows * m_layout.rowBytes);
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
    if (m_connection->endStatement(&m_tr, m_retained, true, status))
        return fail(dbx::ResultSqlError, fb.statusText(status));
    return dbx::ResultOk;
}

ISC_STATUS IbCommand::startRun(XSQLDA* out, ISC_STATUS* status)
{
    m_readOnlyRun = m_statementType == isc_info_sql_stmt_select && !m_needsWrite;
    m_delivered = false;
    if (m_connection->beginStatement(m_readOnlyRun, &m_tr, &m_retained, status))
        return status[1];
    XSQLDA* in = m_in->sqld > 0 ? m_in.get() : nullptr;
    if (writeBlobs(status) || m_connection->client().execute2(status, &m_tr, &m_stmt, 1, in, out)) {
        ISC_STATUS_ARRAY ignored {};
        m_connection->endStatement(&m_tr, m_retained, false, ignored);
        return status[1];
    }
    return 0;
}

bool IbCommand::rerunForWrite(const ISC_STATUS* status)
{
    // The server reports a SELECT ... WITH LOCK, or a selectable procedure that
    // writes, as a plain SELECT; only running it shows that it writes. Until a row
    // has left, running it again read-write changes nothing the caller has seen.
    if (!m_readOnlyRun || m_delivered || status[1] != isc_read_only_trans)
        return false;
    m_needsWrite = true;
    ISC_STATUS_ARRAY ignored {};
    if (m_cursorOpen) {
        m_cursorOpen = false;
        m_connection->client().freeStatement(ignored, &m_stmt, DSQL_close);
    }
    m_connection->endStatement(&m_tr, m_retained, false, ignored);
    return true;
}

std::uint32_t IbCommand::countRows(ISC_STATUS* status)
{
    if (m_statementType != isc_info_sql_stmt_insert && m_statementType != isc_info_sql_stmt_update
        && m_statementType != isc_info_sql_stmt_delete && m_statementType != isc_info_sql_stmt_exec_procedure)
        return 0;
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
    for (; n < m_blockRows; ++n) {
        // Each row is fetched straight into its own slot: reading ahead costs
        // no copy.
        pointAtSlot(m_out.get(), m_layout, m_block.data(), n);
        const ISC_STATUS rc = fb.fetch(status, &m_stmt, 1, m_out.get());
        if (rc == 100) {
            *atEnd = true;
            break;
        }
        if (rc) {
            if (n == 0 && rerunForWrite(status)) {
                m_blockRows = 1;
                if (!startRun(nullptr, status)) {
                    m_cursorOpen = true;
                    return fetchBlock(atEnd, error);
                }
            }
            *error = fb.statusText(status);
            break;
        }
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
    const FbClient& fb = m_connection->client();
    ISC_STATUS_ARRAY status {};
    if (m_cursorOpen) {
        m_cursorOpen = false;
        fb.freeStatement(status, &m_stmt, DSQL_close);
    }
    if (m_tr && m_connection->endStatement(&m_tr, m_retained, commit, status))
        return fail(dbx::ResultSqlError, fb.statusText(status));
    return dbx::ResultOk;
}

void IbCommand::dropStatement()
{
    if (m_stmt) {
        ISC_STATUS_ARRAY status {};
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

} // namespace didu::ib
