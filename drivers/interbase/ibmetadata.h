// Schema questions about one connection: the quote character and the index
// listing, answered from Firebird's own system tables.
#pragma once

#include "drivers/interbase/ibconnection.h"
#include "drivers/interbase/objectbase.h"

#include <string>

namespace didu::ib {

class IbCommand;

/// The metadata object handed out by a connection.
class IbMetaData final : public ObjectBase<dbx::ISQLMetaData> {
public:
    explicit IbMetaData(IbConnection* connection);

    dbx::Result setOption(std::int32_t option, std::intptr_t value) override;
    dbx::Result getOption(std::int32_t option, void* value, std::int32_t bufferLength, std::int32_t* length) override;
    /// One row per index column, in index then column order: RECNO, CATALOG_NAME,
    /// SCHEMA_NAME, TABLE_NAME, INDEX_NAME, PKEY_NAME, COLUMN_NAME,
    /// COLUMN_POSITION, INDEX_TYPE, SORT_ORDER, FILTER. `indexType` 0 lists all,
    /// else only indices sharing a bit with it.
    dbx::Result getIndices(const char* tableName, std::uint32_t indexType, dbx::ISQLCursor** cursor) override;

private:
    ~IbMetaData() override;
    dbx::Result commandFailed(dbx::Result code);

    IbConnection* m_connection;
    IbCommand* m_indexQuery = nullptr; // prepared on first use, kept
    std::string m_catalog;
    std::string m_schema;
};

} // namespace didu::ib
