#include "db/statements/columnreader.h"

#include <cstring>

namespace didu {

namespace {

std::int64_t dateValue(const dbx::Date& d)
{
    return std::int64_t(d.year) * 10000 + d.month * 100 + d.day;
}

std::int64_t timeValue(const dbx::Time& t)
{
    return std::int64_t(t.hour) * 36000000 + std::int64_t(t.minute) * 600000 + std::int64_t(t.second) * 10000
           + t.fraction;
}

// Reads one fixed-size value with `getter` and keeps what `keep` makes of it.
template <typename T, typename Getter, typename Keep>
dbx::Result readFixed(dbx::ISQLCursor& cursor, std::uint16_t column, ColumnValue& value, Getter getter, Keep keep)
{
    T read{};
    std::int32_t blank = 0;
    const dbx::Result result = (cursor.*getter)(column, &read, &blank);
    value.null = blank != 0;
    if (result == dbx::ResultOk && !blank)
        keep(read);
    return result;
}

dbx::Result readText(dbx::ISQLCursor& cursor, std::uint16_t column, ColumnKind kind, ColumnValue& value, char* room,
                     std::uint32_t size)
{
    std::int32_t blank = 0;
    dbx::Result result;
    if (kind == ColumnKind::String) {
        result = cursor.getString(column, room, &blank);
        value.length = result == dbx::ResultOk ? static_cast<std::uint32_t>(strnlen(room, size)) : 0;
    } else {
        value.length = size;
        result = cursor.getBytes(column, reinterpret_cast<std::uint8_t*>(room), &value.length, &blank);
    }
    value.null = blank != 0;
    return result;
}

} // namespace

ColumnKind columnKind(std::uint16_t type, std::uint16_t subType)
{
    switch (type) {
    case dbx::FieldZString: return ColumnKind::String;
    case dbx::FieldBlob: return subType == dbx::SubTypeMemo ? ColumnKind::Memo : ColumnKind::Blob;
    case dbx::FieldBytes: return ColumnKind::Bytes;
    case dbx::FieldInt16: return ColumnKind::Short;
    case dbx::FieldBool: return ColumnKind::Bool;
    case dbx::FieldInt32: return ColumnKind::Long;
    case dbx::FieldInt64: return ColumnKind::Int64;
    case dbx::FieldFloat: return ColumnKind::Double;
    case dbx::FieldBcd: return ColumnKind::Bcd;
    case dbx::FieldDate: return ColumnKind::Date;
    case dbx::FieldTime: return ColumnKind::Time;
    case dbx::FieldTimeStamp: return ColumnKind::TimeStamp;
    default: return ColumnKind::None;
    }
}

dbx::Result readColumn(dbx::ISQLCursor& cursor, std::uint16_t column, ColumnKind kind, ColumnValue& value,
                       char* room, std::uint32_t size)
{
    using C = dbx::ISQLCursor;
    auto integer = [&value](auto v) { value.integer = v; };
    switch (kind) {
    case ColumnKind::None:
        value.null = true;
        return dbx::ResultOk;
    case ColumnKind::String:
    case ColumnKind::Bytes:
        return readText(cursor, column, kind, value, room, size);
    case ColumnKind::Memo:
    case ColumnKind::Blob: {
        std::int32_t blank = 0;
        const dbx::Result result = cursor.getBlobSize(column, &value.length, &blank);
        value.null = blank != 0;
        return result;
    }
    case ColumnKind::Short:
        return readFixed<std::int16_t>(cursor, column, value, &C::getShort, integer);
    case ColumnKind::Bool:
        return readFixed<std::int16_t>(cursor, column, value, &C::getShort,
                                       [&value](std::int16_t v) { value.integer = v != 0; });
    case ColumnKind::Long:
        return readFixed<std::int32_t>(cursor, column, value, &C::getLong, integer);
    case ColumnKind::Int64:
        return readFixed<std::int64_t>(cursor, column, value, &C::getInt64, integer);
    case ColumnKind::Double:
        return readFixed<double>(cursor, column, value, &C::getDouble, [&value](double v) { value.real = v; });
    case ColumnKind::Bcd:
        return readFixed<dbx::Bcd>(cursor, column, value, &C::getBcd, [&value](dbx::Bcd v) { value.bcd = v; });
    case ColumnKind::Date:
        return readFixed<dbx::Date>(cursor, column, value, &C::getDate,
                                    [&value](const dbx::Date& v) { value.integer = dateValue(v); });
    case ColumnKind::Time:
        return readFixed<dbx::Time>(cursor, column, value, &C::getTime,
                                    [&value](const dbx::Time& v) { value.integer = timeValue(v); });
    case ColumnKind::TimeStamp:
        return readFixed<dbx::TimeStamp>(cursor, column, value, &C::getTimeStamp, [&value](const dbx::TimeStamp& v) {
            value.integer = dateValue(v.date) * 864000000 + timeValue(v.time);
        });
    }
    value.null = true;
    return dbx::ResultOk;
}

dbx::Result readBlob(dbx::ISQLCursor& cursor, std::uint16_t column, ColumnKind kind, ColumnValue& value, char* room,
                     std::uint32_t size)
{
    std::int32_t blank = 0;
    const dbx::Result result = cursor.getBlob(column, room, &blank, size);
    value.null = blank != 0;
    // A text blob ends at its first zero byte, like every text value.
    value.length = kind == ColumnKind::Memo && result == dbx::ResultOk ? static_cast<std::uint32_t>(strnlen(room, size))
                                                                        : size;
    return result;
}

} // namespace didu
