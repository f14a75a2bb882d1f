// The rows of one run of a command. Rows arrive in blocks of the command's rows
// per fetch; every getter reads straight from the fetched row's slot.
#pragma once

#include "drivers/interbase/objectbase.h"
#include "drivers/interbase/sqlvalues.h"

#include <string>

namespace didu::ib {

class IbCommand;

/// The cursor object handed out by a command's execute.
class IbCursor final : public ObjectBase<dbx::ISQLCursor> {
public:
    /// `singleRow`: the command's row block already holds the one row there is.
    IbCursor(IbCommand* command, bool singleRow);
    /// The command's run has ended (re-executed, closed, disconnected).
    void detach() { m_attached = false; }

    dbx::Result getColumnCount(std::uint16_t* count) override;
    dbx::Result getColumnNameLength(std::uint16_t column, std::uint16_t* length) override;
    dbx::Result getColumnName(std::uint16_t column, char* name) override;
    dbx::Result getColumnType(std::uint16_t column, std::uint16_t* type, std::uint16_t* subType) override;
    dbx::Result getColumnLength(std::uint16_t column, std::uint32_t* length) override;
    dbx::Result getColumnPrecision(std::uint16_t column, std::int16_t* precision) override;
    dbx::Result getColumnScale(std::uint16_t column, std::int16_t* scale) override;
    dbx::Result isNullable(std::uint16_t column, std::int32_t* nullable) override;
    dbx::Result isReadOnly(std::uint16_t column, std::int32_t* readOnly) override;
    dbx::Result next() override;
    dbx::Result getString(std::uint16_t column, char* value, std::int32_t* isBlank) override;
    dbx::Result getShort(std::uint16_t column, std::int16_t* value, std::int32_t* isBlank) override;
    dbx::Result getLong(std::uint16_t column, std::int32_t* value, std::int32_t* isBlank) override;
    dbx::Result getInt64(std::uint16_t column, std::int64_t* value, std::int32_t* isBlank) override;
    dbx::Result getDouble(std::uint16_t column, double* value, std::int32_t* isBlank) override;
    dbx::Result getBcd(std::uint16_t column, dbx::Bcd* value, std::int32_t* isBlank) override;
    dbx::Result getTimeStamp(std::uint16_t column, dbx::TimeStamp* value, std::int32_t* isBlank) override;
    dbx::Result getTime(std::uint16_t column, dbx::Time* value, std::int32_t* isBlank) override;
    dbx::Result getDate(std::uint16_t column, dbx::Date* value, std::int32_t* isBlank) override;
    dbx::Result getBytes(std::uint16_t column, std::uint8_t* value, std::uint32_t* length, std::int32_t* isBlank) override;
    dbx::Result getBlobSize(std::uint16_t column, std::uint32_t* length, std::int32_t* isBlank) override;
    dbx::Result getBlob(std::uint16_t column, void* value, std::int32_t* isBlank, std::uint32_t length) override;

private:
    ~IbCursor() override;
    /// The column's description, or null after recording why not.
    const ColumnInfo* describe(std::uint16_t column, dbx::Result* failure);
    /// The column's value in the current row: sets *data (null for NULL) and
    /// *isBlank; non-zero when there is no current row or no such column.
    dbx::Result value(std::uint16_t column, const ColumnInfo** info, const char** data, std::int32_t* isBlank);
    /// An integer column read as its unscaled value.
    static bool integer(const ColumnInfo& c, const char* data, std::int64_t* value);
    dbx::Result wrongType(std::uint16_t column, const char* wanted);
    dbx::Result openBlob(const char* data, unsigned int* handle);

    IbCommand* m_command;
    const RowLayout& m_layout;
    bool m_attached = true;
    bool m_atEnd = false;
    int m_filled = 0;      // rows in the block
    int m_slot = -1;       // current row within the block
    std::string m_pendingError; // a fetch failure after the rows already in the block
};

} // namespace didu::ib
