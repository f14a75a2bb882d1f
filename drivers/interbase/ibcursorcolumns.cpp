// What a cursor tells of its columns, from the description made at prepare.
#include "drivers/interbase/ibcursor.h"

#include <cstring>

namespace didu::ib {

const ColumnInfo* IbCursor::describe(std::uint16_t column, dbx::Result* failure)
{
    if (column < 1 || column > m_layout.columns.size()) {
        *failure = fail(dbx::ResultOutOfRange, "Column " + std::to_string(column) + " is out of range: the result has "
                                                   + std::to_string(m_layout.columns.size()));
        return nullptr;
    }
    return &m_layout.columns[column - 1u];
}

dbx::Result IbCursor::getColumnCount(std::uint16_t* count)
{
    *count = static_cast<std::uint16_t>(m_layout.columns.size());
    return dbx::ResultOk;
}

dbx::Result IbCursor::getColumnNameLength(std::uint16_t column, std::uint16_t* length)
{
    dbx::Result r = dbx::ResultOk;
    if (const ColumnInfo* c = describe(column, &r))
        *length = static_cast<std::uint16_t>(c->name.size());
    return r;
}

dbx::Result IbCursor::getColumnName(std::uint16_t column, char* name)
{
    dbx::Result r = dbx::ResultOk;
    if (const ColumnInfo* c = describe(column, &r))
        std::memcpy(name, c->name.c_str(), c->name.size() + 1);
    return r;
}

dbx::Result IbCursor::getColumnType(std::uint16_t column, std::uint16_t* type, std::uint16_t* subType)
{
    dbx::Result r = dbx::ResultOk;
    if (const ColumnInfo* c = describe(column, &r)) {
        *type = c->fieldType;
        if (subType)
            *subType = c->fieldSubType;
    }
    return r;
}

dbx::Result IbCursor::getColumnLength(std::uint16_t column, std::uint32_t* length)
{
    dbx::Result r = dbx::ResultOk;
    const ColumnInfo* c = describe(column, &r);
    if (!c)
        return r;
    switch (c->fieldType) {
    case dbx::FieldZString: *length = static_cast<std::uint32_t>(c->sqlLength) + 1; break;
    case dbx::FieldBcd: *length = sizeof(dbx::Bcd); break;
    case dbx::FieldFloat: *length = sizeof(double); break;
    case dbx::FieldDate: *length = sizeof(dbx::Date); break;
    case dbx::FieldTime: *length = sizeof(dbx::Time); break;
    case dbx::FieldTimeStamp: *length = sizeof(dbx::TimeStamp); break;
    case dbx::FieldBool: *length = sizeof(std::int16_t); break;
    default: *length = static_cast<std::uint32_t>(c->sqlLength); break;
    }
    return r;
}

dbx::Result IbCursor::getColumnPrecision(std::uint16_t column, std::int16_t* precision)
{
    dbx::Result r = dbx::ResultOk;
    const ColumnInfo* c = describe(column, &r);
    if (!c)
        return r;
    switch (c->sqlType) {
    // Digits the storage holds: the declared precision is not part of a row's
    // description.
    case SQL_SHORT: *precision = 4; break;
    case SQL_LONG: *precision = 9; break;
    case SQL_INT64: *precision = 18; break;
    case SQL_FLOAT: *precision = 7; break;
    case SQL_DOUBLE:
    case SQL_D_FLOAT: *precision = 15; break;
    case SQL_TEXT:
    case SQL_VARYING: *precision = c->sqlLength; break;
    default: *precision = 0; break;
    }
    return r;
}

dbx::Result IbCursor::getColumnScale(std::uint16_t column, std::int16_t* scale)
{
    dbx::Result r = dbx::ResultOk;
    if (const ColumnInfo* c = describe(column, &r))
        *scale = static_cast<std::int16_t>(-c->sqlScale);
    return r;
}

dbx::Result IbCursor::isNullable(std::uint16_t column, std::int32_t* nullable)
{
    dbx::Result r = dbx::ResultOk;
    if (const ColumnInfo* c = describe(column, &r))
        *nullable = c->nullable;
    return r;
}

dbx::Result IbCursor::isReadOnly(std::uint16_t column, std::int32_t* readOnly)
{
    dbx::Result r = dbx::ResultOk;
    if (const ColumnInfo* c = describe(column, &r))
        *readOnly = c->readOnly;
    return r;
}

} // namespace didu::ib
