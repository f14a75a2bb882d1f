#include "drivers/interbase/sqlvalues.h"

namespace didu::ib {

namespace {

constexpr std::size_t align8(std::size_t n) { return (n + 7) & ~std::size_t(7); }

/// Days from 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
constexpr long long daysFromCivil(long long y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

constexpr long long firebirdEpoch = daysFromCivil(1858, 11, 17);

void mapType(ColumnInfo& c)
{
    const bool octets = (c.sqlSubType & 0xFF) == 1; // character set OCTETS
    switch (c.sqlType) {
    case SQL_TEXT:
        c.fieldType = octets ? dbx::FieldBytes : dbx::FieldZString;
        c.fieldSubType = octets ? dbx::SubTypeNone : dbx::SubTypeFixedChar;
        break;
    case SQL_VARYING:
        c.fieldType = octets ? dbx::FieldBytes : dbx::FieldZString;
        break;
    case SQL_SHORT: c.fieldType = c.sqlScale ? dbx::FieldBcd : dbx::FieldInt16; break;
    case SQL_LONG: c.fieldType = c.sqlScale ? dbx::FieldBcd : dbx::FieldInt32; break;
    case SQL_INT64: c.fieldType = c.sqlScale ? dbx::FieldBcd : dbx::FieldInt64; break;
    case SQL_FLOAT:
    case SQL_DOUBLE:
    case SQL_D_FLOAT: c.fieldType = dbx::FieldFloat; break;
    case SQL_TYPE_DATE: c.fieldType = dbx::FieldDate; break;
    case SQL_TYPE_TIME: c.fieldType = dbx::FieldTime; break;
    case SQL_TIMESTAMP: c.fieldType = dbx::FieldTimeStamp; break;
    case SQL_BOOLEAN: c.fieldType = dbx::FieldBool; break;
    case SQL_BLOB:
        c.fieldType = dbx::FieldBlob;
        c.fieldSubType = c.sqlSubType == 1 ? dbx::SubTypeMemo : dbx::SubTypeBinary;
        break;
    default: c.fieldType = dbx::FieldUnknown; break;
    }
}

} // namespace

RowLayout layoutRow(const XSQLDA* da)
{
    RowLayout layout;
    std::size_t at = 0;
    for (short i = 0; i < da->sqld; ++i) {
        const XSQLVAR& v = da->sqlvar[i];
        ColumnInfo c;
        const short nameLength = v.aliasname_length > 0 ? v.aliasname_length : v.sqlname_length;
        c.name.assign(v.aliasname_length > 0 ? v.aliasname : v.sqlname, static_cast<std::size_t>(nameLength));
        c.sqlType = static_cast<short>(v.sqltype & ~1);
        c.sqlSubType = v.sqlsubtype;
        c.sqlScale = v.sqlscale;
        c.sqlLength = v.sqllen;
        c.nullable = (v.sqltype & 1) != 0;
        // A column of no table is an expression: nothing could be written back.
        c.readOnly = v.relname_length == 0;
        mapType(c);
        const std::size_t size = static_cast<std::size_t>(v.sqllen) + (c.sqlType == SQL_VARYING ? sizeof(short) : 0);
        c.offset = at;
        at = align8(at + size);
        c.nullOffset = at;
        at = align8(at + sizeof(short));
        layout.columns.push_back(std::move(c));
    }
    layout.rowBytes = at;
    return layout;
}

void pointAtSlot(XSQLDA* da, const RowLayout& layout, char* block, std::size_t slot)
{
    char* row = block + slot * layout.rowBytes;
    for (short i = 0; i < da->sqld; ++i) {
        const ColumnInfo& c = layout.columns[static_cast<std::size_t>(i)];
        da->sqlvar[i].sqldata = row + c.offset;
        da->sqlvar[i].sqlind = reinterpret_cast<short*>(row + c.nullOffset);
    }
}

dbx::Date decodeDate(ISC_DATE date)
{
    const long long z0 = date + firebirdEpoch + 719468;
    const long long era = (z0 >= 0 ? z0 : z0 - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z0 - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long y = static_cast<long long>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    return dbx::Date {static_cast<std::int32_t>(y + (m <= 2)), static_cast<std::uint16_t>(m), static_cast<std::uint16_t>(d)};
}

ISC_DATE encodeDate(const dbx::Date& date)
{
    return static_cast<ISC_DATE>(daysFromCivil(date.year, date.month, date.day) - firebirdEpoch);
}

dbx::Time decodeTime(ISC_TIME time)
{
    const ISC_TIME seconds = time / 10000;
    return dbx::Time {static_cast<std::uint16_t>(seconds / 3600), static_cast<std::uint16_t>(seconds / 60 % 60),
                      static_cast<std::uint16_t>(seconds % 60), static_cast<std::uint16_t>(time % 10000)};
}

ISC_TIME encodeTime(const dbx::Time& time)
{
    return ((static_cast<ISC_TIME>(time.hour) * 60 + time.minute) * 60 + time.second) * 10000 + time.fraction;
}

bool validDate(const dbx::Date& date)
{
    static const unsigned lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (date.year < 1 || date.year > 9999 || date.month < 1 || date.month > 12 || date.day < 1)
        return false;
    const bool leap = (date.year % 4 == 0 && date.year % 100 != 0) || date.year % 400 == 0;
    return date.day <= lengths[date.month - 1] + (date.month == 2 && leap ? 1u : 0u);
}

bool validTime(const dbx::Time& time)
{
    return time.hour < 24 && time.minute < 60 && time.second < 60 && time.fraction < 10000;
}

} // namespace didu::ib
