#include "drivers/interbase/ibmetadata.h"

#include "drivers/interbase/ibcommand.h"
#include "drivers/interbase/objectnames.h"

#include <cstring>

namespace didu::ib {

namespace {

// The primary key's index is unique as well, so it carries both bits (4 | 2).
// Expression indices have no segments and so no rows; inactive ones enforce
// nothing and are left out.
const char indexQuery[] =
    "SELECT CAST(NULL AS INTEGER) AS RECNO,"
    " CAST(NULL AS VARCHAR(1)) AS CATALOG_NAME,"
    " CAST(NULL AS VARCHAR(1)) AS SCHEMA_NAME,"
    " CAST(TRIM(I.RDB$RELATION_NAME) AS VARCHAR(63)) AS TABLE_NAME,"
    " CAST(TRIM(I.RDB$INDEX_NAME) AS VARCHAR(63)) AS INDEX_NAME,"
    " CAST(TRIM(C.RDB$CONSTRAINT_NAME) AS VARCHAR(63)) AS PKEY_NAME,"
    " CAST(TRIM(S.RDB$FIELD_NAME) AS VARCHAR(63)) AS COLUMN_NAME,"
    " CAST(S.RDB$FIELD_POSITION + 1 AS SMALLINT) AS COLUMN_POSITION,"
    " CAST(CASE WHEN C.RDB$CONSTRAINT_NAME IS NOT NULL THEN 6"
    "  WHEN I.RDB$UNIQUE_FLAG = 1 THEN 2 ELSE 1 END AS INTEGER) AS INDEX_TYPE,"
    " CAST(CASE WHEN I.RDB$INDEX_TYPE = 1 THEN 'D' ELSE 'A' END AS VARCHAR(1)) AS SORT_ORDER,"
    " CAST(NULL AS VARCHAR(1)) AS \"FILTER\""
    " FROM RDB$INDICES I"
    " JOIN RDB$INDEX_SEGMENTS S ON S.RDB$INDEX_NAME = I.RDB$INDEX_NAME"
    " LEFT JOIN RDB$RELATION_CONSTRAINTS C ON C.RDB$INDEX_NAME = I.RDB$INDEX_NAME"
    "  AND C.RDB$CONSTRAINT_TYPE = 'PRIMARY KEY'"
    " WHERE I.RDB$RELATION_NAME = ? AND COALESCE(I.RDB$INDEX_INACTIVE, 0) = 0"
    " AND (? = 0 OR BIN_AND(CASE WHEN C.RDB$CONSTRAINT_NAME IS NOT NULL THEN 6"
    "  WHEN I.RDB$UNIQUE_FLAG = 1 THEN 2 ELSE 1 END, ?) <> 0)"
    " ORDER BY I.RDB$INDEX_NAME, S.RDB$FIELD_POSITION";

} // namespace

IbMetaData::IbMetaData(IbConnection* connection) : m_connection(connection)
{
    m_connection->addRef();
}

IbMetaData::~IbMetaData()
{
    if (m_indexQuery)
        m_indexQuery->release();
    m_connection->release();
}

dbx::Result IbMetaData::setOption(std::int32_t option, std::intptr_t value)
{
    // Firebird has neither catalogs nor schemas: both are kept and answered back
    // but narrow nothing.
    switch (option) {
    case dbx::MetaCatalogName: m_catalog = textOption(value); return dbx::ResultOk;
    case dbx::MetaSchemaName: m_schema = textOption(value); return dbx::ResultOk;
    default: return fail(dbx::ResultNotSupported, "Metadata option " + std::to_string(option) + " is not supported");
    }
}

dbx::Result IbMetaData::getOption(std::int32_t option, void* value, std::int32_t bufferLength, std::int32_t* length)
{
    if (!value || bufferLength < 1)
        return fail(dbx::ResultInvalidParameter, "The option buffer is too small");
    auto text = [&](const std::string& t) -> dbx::Result {
        if (bufferLength <= static_cast<std::int32_t>(t.size()))
            return fail(dbx::ResultInvalidParameter, "The option buffer is too small");
        std::memcpy(value, t.c_str(), t.size() + 1);
        if (length)
            *length = static_cast<std::int32_t>(t.size());
        return dbx::ResultOk;
    };
    switch (option) {
    case dbx::MetaObjectQuoteChar:
        // Dialect 1 has no quoted names.
        *static_cast<char*>(value) = m_connection->dialect() >= 3 ? '"' : '\0';
        if (length)
            *length = 1;
        return dbx::ResultOk;
    case dbx::MetaCatalogName: return text(m_catalog);
    case dbx::MetaSchemaName: return text(m_schema);
    default: return fail(dbx::ResultNotSupported, "Metadata option " + std::to_string(option) + " is not supported");
    }
}

dbx::Result IbMetaData::commandFailed(dbx::Result code)
{
    std::uint16_t size = 0;
    m_indexQuery->getErrorMessageLen(&size);
    std::string text(size, '\0');
    m_indexQuery->getErrorMessage(text.data());
    text.resize(size);
    return fail(code, text);
}

dbx::Result IbMetaData::getIndices(const char* tableName, std::uint32_t indexType, dbx::ISQLCursor** cursor)
{
    if (!cursor)
        return fail(dbx::ResultInvalidParameter, "No place for the cursor was given");
    *cursor = nullptr;
    if (!tableName || !*tableName)
        return fail(dbx::ResultInvalidParameter, "No table name was given");
    if (!m_connection->connected())
        return fail(dbx::ResultInvalidHandle, "The connection is not open");
    if (!m_indexQuery) {
        m_indexQuery = new IbCommand(m_connection);
        if (dbx::Result r = m_indexQuery->prepare(indexQuery, 3)) {
            const dbx::Result failed = commandFailed(r);
            m_indexQuery->release();
            m_indexQuery = nullptr;
            return failed;
        }
    }
    const std::string name = storedName(tableName);
    const std::int32_t bits = static_cast<std::int32_t>(indexType);
    dbx::Result r = m_indexQuery->setParameter(1, 0, dbx::ParamIn, dbx::FieldZString, 0,
                                               static_cast<std::int32_t>(name.size()), 0,
                                               static_cast<std::uint32_t>(name.size() + 1), name.c_str(), 0);
    if (!r)
        r = m_indexQuery->setParameter(2, 0, dbx::ParamIn, dbx::FieldInt32, 0, 0, 0, 4, &bits, 0);
    if (!r)
        r = m_indexQuery->setParameter(3, 0, dbx::ParamIn, dbx::FieldInt32, 0, 0, 0, 4, &bits, 0);
    if (!r)
        r = m_indexQuery->execute(cursor);
    return r ? commandFailed(r) : dbx::ResultOk;
}

} // namespace didu::ib
