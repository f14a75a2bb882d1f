#include "drivers/interbase/ibcursor.h"

#include "drivers/interbase/ibcommand.h"

#include <cmath>
#include <cstring>

namespace didu::ib {

IbCursor::IbCursor(IbCommand* command, bool singleRow) : m_command(command), m_layout(command->layout())
{
    m_command->addRef();
    if (singleRow) {
        m_filled = 1;
        m_atEnd = true;
    }
}

IbCursor::~IbCursor()
{
    // Releasing the cursor completes its statement: the command commits.
    if (m_attached)
        m_command->cursorReleased(this);
    m_command->release();
}

dbx::Result IbCursor::next()
{
    if (!m_attached)
        return fail(dbx::ResultInvalidHandle, "The statement of this cursor has ended");
    if (m_slot + 1 < m_filled) {
        ++m_slot;
        return dbx::ResultOk;
    }
    if (!m_pendingError.empty()) {
        m_filled = 0;
        m_slot = -1;
        m_atEnd = true;
        return fail(dbx::ResultSqlError, std::move(m_pendingError));
    }
    if (m_atEnd) {
        m_filled = 0;
        m_slot = -1;
        return dbx::ResultEndOfData;
    }
    m_filled = m_command->fetchBlock(&m_atEnd, &m_pendingError);
    m_slot = -1;
    return next();
}

dbx::Result IbCursor::value(std::uint16_t column, const ColumnInfo** info, const char** data, std::int32_t* isBlank)
{
    dbx::Result r = dbx::ResultOk;
    const ColumnInfo* c = describe(column, &r);
    if (!c)
        return r;
    if (!m_attached)
        return fail(dbx::ResultInvalidHandle, "The statement of this cursor has ended");
    if (m_slot < 0)
        return fail(dbx::ResultEndOfData, "The cursor is not on a row");
    const char* row = m_command->row(static_cast<std::size_t>(m_slot));
    short indicator = 0;
    std::memcpy(&indicator, row + c->nullOffset, sizeof indicator);
    const bool isNull = c->nullable && indicator < 0;
    *info = c;
    *data = isNull ? nullptr : row + c->offset;
    if (isBlank)
        *isBlank = isNull;
    return dbx::ResultOk;
}

dbx::Result IbCursor::wrongType(std::uint16_t column, const char* wanted)
{
    return fail(dbx::ResultInvalidFieldType, "Column " + std::to_string(column) + " cannot be read as " + wanted);
}

bool IbCursor::integer(const ColumnInfo& c, const char* data, std::int64_t* value)
{
    switch (c.sqlType) {
    case SQL_SHORT: { std::int16_t v; std::memcpy(&v, data, 2); *value = v; return true; }
    case SQL_LONG: { std::int32_t v; std::memcpy(&v, data, 4); *value = v; return true; }
    case SQL_INT64: { std::int64_t v; std::memcpy(&v, data, 8); *value = v; return true; }
    default: return false;
    }
}

dbx::Result IbCursor::getString(std::uint16_t column, char* out, std::int32_t* isBlank)
{
    const ColumnInfo* c;
    const char* data;
    if (dbx::Result r = value(column, &c, &data, isBlank))
        return r;
    if (c->fieldType != dbx::FieldZString)
        return wrongType(column, "text");
    if (!data) {
        out[0] = '\0';
        return dbx::ResultOk;
    }
    std::size_t n;
    if (c->sqlType == SQL_VARYING) {
        short length;
        std::memcpy(&length, data, sizeof length);
        n = static_cast<std::size_t>(length);
        data += sizeof length;
    } else {
        n = static_cast<std::size_t>(c->sqlLength);
        if (m_command->connection().trimChar())
            while (n > 0 && data[n - 1] == ' ')
                --n;
    }
    std::memcpy(out, data, n);
    out[n] = '\0';
    return dbx::ResultOk;
}

dbx::Result IbCursor::getShort(std::uint16_t column, std::int16_t* out, std::int32_t* isBlank)
{
    const ColumnInfo* c;
    const char* data;
    if (dbx::Result r = value(column, &c, &data, isBlank))
        return r;
    if (c->sqlType == SQL_BOOLEAN) {
        *out = data && *data ? 1 : 0;
        return dbx::ResultOk;
    }
    if (c->sqlType != SQL_SHORT || c->sqlScale)
        return wrongType(column, "a 16-bit integer");
    *out = 0;
    if (data)
        std::memcpy(out, data, 2);
    return dbx::ResultOk;
}

dbx::Result IbCursor::getLong(std::uint16_t column, std::int32_t* out, std::int32_t* isBlank)
{
    const ColumnInfo* c;
    const char* data;
    if (dbx::Result r = value(column, &c, &data, isBlank))
        return r;
    std::int64_t v = 0;
    if ((c->sqlType != SQL_SHORT && c->sqlType != SQL_LONG) || c->sqlScale)
        return wrongType(column, "a 32-bit integer");
    if (data)
        integer(*c, data, &v);
    *out = static_cast<std::int32_t>(v);
    return dbx::ResultOk;
}

dbx::Result IbCursor::getInt64(std::uint16_t column, std::int64_t* out, std::int32_t* isBlank)
{
    const ColumnInfo* c;
    const char* data;
    if (dbx::Result r = value(column, &c, &data, isBlank))
        return r;
    std::int64_t v = 0;
    if (c->sqlScale || (c->sqlType != SQL_SHORT && c->sqlType != SQL_LONG && c->sqlType != SQL_INT64))
        return wrongType(column, "a 64-bit integer");
    if (data)
        integer(*c, data, &v);
    *out = v;
    return dbx::ResultOk;
}

dbx::Result IbCursor::getDouble(std::uint16_t column, double* out, std::int32_t* isBlank)
{
    const ColumnInfo* c;
    const char* data;
    if (dbx::Result r = value(column, &c, &data, isBlank))
        return r;
    *out = 0;
    std::int64_t v;
    if (c->sqlType == SQL_FLOAT) {
        float f = 0;
        if (data)
            std::memcpy(&f, data, sizeof f);
        *out = f;
    } else if (c->sqlType == SQL_DOUBLE || c->sqlType == SQL_D_FLOAT) {
        if (data)
            std::memcpy(out, data, sizeof(double));
    } else if (integer(*c, data ? data : "\0\0\0\0\0\0\0\0", &v)) {
        *out = data ? static_cast<double>(v) * std::pow(10.0, c->sqlScale) : 0.0;
    } else {
        return wrongType(column, "a floating-point number");
    }
    return dbx::ResultOk;
}

dbx::Result IbCursor::getBcd(std::uint16_t column, dbx::Bcd* out, std::int32_t* isBlank)
{
    const ColumnInfo* c;
    const char* data;
    if (dbx::Result r = value(column, &c, &data, isBlank))
        return r;
    std::int64_t v = 0;
    if (c->sqlType != SQL_SHORT && c->sqlType != SQL_LONG && c->sqlType != SQL_INT64)
        return wrongType(column, "a scaled decimal");
    if (data)
        integer(*c, data, &v);
    *out = dbx::Bcd {v, static_cast<std::int16_t>(-c->sqlScale)};
    return dbx::ResultOk;
}

dbx::Result IbCursor::getDate(std::uint16_t column, dbx::Date* out, std::int32_t* isBlank)
{
    const ColumnInfo* c;
    const char* data;
    if (dbx::Result r = value(column, &c, &data, isBlank))
        return r;
    if (c->sqlType != SQL_TYPE_DATE && c->sqlType != SQL_TIMESTAMP)
        return wrongType(column, "a date");
    ISC_DATE d = 0;
    if (data)
        std::memcpy(&d, data, sizeof d); // a timestamp starts with its date
    *out = data ? decodeDate(d) : dbx::Date {};
    return dbx::ResultOk;
}

dbx::Result IbCursor::getTime(std::uint16_t column, dbx::Time* out, std::int32_t* isBlank)
{
    const ColumnInfo* c;
    const char* data;
    if (dbx::Result r = value(column, &c, &data, isBlank))
        return r;
    if (c->sqlType != SQL_TYPE_TIME && c->sqlType != SQL_TIMESTAMP)
        return wrongType(column, "a time");
    ISC_TIME t = 0;
    if (data)
        std::memcpy(&t, data + (c->sqlType == SQL_TIMESTAMP ? sizeof(ISC_DATE) : 0), sizeof t);
    *out = decodeTime(t);
    return dbx::ResultOk;
}

dbx::Result IbCursor::getTimeStamp(std::uint16_t column, dbx::TimeStamp* out, std::int32_t* isBlank)
{
    const ColumnInfo* c;
    const char* data;
    if (dbx::Result r = value(column, &c, &data, isBlank))
        return r;
    if (c->sqlType != SQL_TIMESTAMP && c->sqlType != SQL_TYPE_DATE)
        return wrongType(column, "a timestamp");
    ISC_TIMESTAMP ts {0, 0};
    if (data)
        std::memcpy(&ts, data, c->sqlType == SQL_TIMESTAMP ? sizeof ts : sizeof(ISC_DATE));
    *out = data ? dbx::TimeStamp {decodeDate(ts.timestamp_date), decodeTime(ts.timestamp_time)} : dbx::TimeStamp {};
    return dbx::ResultOk;
}

dbx::Result IbCursor::getBytes(std::uint16_t column, std::uint8_t* out, std::uint32_t* length, std::int32_t* isBlank)
{
    const ColumnInfo* c;
    const char* data;
    if (dbx::Result r = value(column, &c, &data, isBlank))
        return r;
    if (c->sqlType != SQL_TEXT && c->sqlType != SQL_VARYING)
        return wrongType(column, "bytes");
    std::size_t n = 0;
    if (data && c->sqlType == SQL_VARYING) {
        short size;
        std::memcpy(&size, data, sizeof size);
        n = static_cast<std::size_t>(size);
        data += sizeof size;
    } else if (data) {
        n = static_cast<std::size_t>(c->sqlLength);
    }
    if (n)
        std::memcpy(out, data, n);
    *length = static_cast<std::uint32_t>(n);
    return dbx::ResultOk;
}

dbx::Result IbCursor::openBlob(const char* data, unsigned int* handle)
{
    IbConnection& connection = m_command->connection();
    const FbClient& fb = connection.client();
    ISC_QUAD id;
    std::memcpy(&id, data, sizeof id);
    ISC_STATUS_ARRAY status {};
    // One round trip; closing travels with the next request.
    if (fb.openBlob(status, connection.database(), m_command->transaction(), handle, &id, 0, nullptr))
        return fail(dbx::ResultSqlError, connection.statusText(status));
    return dbx::ResultOk;
}

dbx::Result IbCursor::getBlobSize(std::uint16_t column, std::uint32_t* length, std::int32_t* isBlank)
{
    const ColumnInfo* c;
    const char* data;
    if (dbx::Result r = value(column, &c, &data, isBlank))
        return r;
    if (c->sqlType != SQL_BLOB)
        return wrongType(column, "a blob");
    *length = 0;
    if (!data)
        return dbx::ResultOk;
    isc_blob_handle blob = 0;
    if (dbx::Result r = openBlob(data, &blob))
        return r;
    const FbClient& fb = m_command->connection().client();
    ISC_STATUS_ARRAY status {};
    static const char items[] = {isc_info_blob_total_length}; // one round trip
    char info[32];
    const ISC_STATUS rc = fb.blobInfo(status, &blob, sizeof items, items, sizeof info, info);
    const std::string text = rc ? m_command->connection().statusText(status) : std::string();
    fb.closeBlob(status, &blob);
    if (rc)
        return fail(dbx::ResultSqlError, text);
    if (info[0] == isc_info_blob_total_length) {
        const short size = static_cast<short>(fb.vaxInteger(info + 1, 2));
        *length = static_cast<std::uint32_t>(fb.vaxInteger(info + 3, size));
    }
    return dbx::ResultOk;
}

dbx::Result IbCursor::getBlob(std::uint16_t column, void* out, std::int32_t* isBlank, std::uint32_t length)
{
    const ColumnInfo* c;
    const char* data;
    if (dbx::Result r = value(column, &c, &data, isBlank))
        return r;
    if (c->sqlType != SQL_BLOB)
        return wrongType(column, "a blob");
    if (!data)
        return dbx::ResultOk;
    isc_blob_handle blob = 0;
    if (dbx::Result r = openBlob(data, &blob))
        return r;
    const FbClient& fb = m_command->connection().client();
    ISC_STATUS_ARRAY status {};
    char* at = static_cast<char*>(out);
    std::uint32_t left = length;
    std::string error;
    while (left > 0) {
        unsigned short got = 0;
        const unsigned short ask = static_cast<unsigned short>(left > 65535 ? 65535 : left);
        // A round trip each time the client's buffer of the blob runs dry.
        const ISC_STATUS rc = fb.getSegment(status, &blob, &got, ask, at);
        if (rc && rc != isc_segment) {
            if (rc != isc_segstr_eof)
                error = m_command->connection().statusText(status);
            break;
        }
        at += got;
        left -= got;
    }
    fb.closeBlob(status, &blob);
    return error.empty() ? dbx::ResultOk : fail(dbx::ResultSqlError, error);
}

} // namespace didu::ib
