// Binding values to a prepared command's markers. The caller's buffer is only
// lent for the call, so each value is kept in the command's own parameter slot,
// whose storage is reused from one execute to the next.
#include "drivers/interbase/ibcommand.h"

#include <algorithm>
#include <cstring>

namespace didu::ib {

namespace {

/// Longest text a SQL_TEXT value can carry; longer values need a blob marker.
constexpr std::size_t maxInlineText = 32767;

bool isTextType(short type) { return type == SQL_TEXT || type == SQL_VARYING; }

} // namespace

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

dbx::Result IbCommand::bindBytes(const std::string& which, Param& p, XSQLVAR& var, std::uint16_t type,
                                 std::uint32_t length, const void* buffer)
{
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
    case dbx::FieldBlob: return bindBytes(which, p, var, type, length, buffer);
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

ISC_STATUS IbCommand::writeBlobs(isc_tr_handle* tr, ISC_STATUS* status)
{
    const FbClient& fb = m_connection->client();
    for (Param& p : m_params) {
        if (!p.blob || p.null)
            continue;
        // Round trips: one to create, one per segment, none to close (it
        // travels with the next request).
        isc_blob_handle blob = 0;
        if (fb.createBlob(status, m_connection->database(), tr, &blob, &p.blobId, 0, nullptr))
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

} // namespace didu::ib
