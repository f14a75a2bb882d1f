// DataSetProvider1: runs the result set's command text on SQLDataSet1 and hands
// over every row, packed by the store plugin, with the default order worked out
// from the query's ORDER BY clause or the table's primary key.
#pragma once

#include "db/statements/sqlstatement.h"
#include "db/statements/storecontract.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace didu {

class SQLDataSet;

class DataSetProvider {
public:
    enum Option : std::uint32_t {
        poAllowCommandText = 1u << 0, // the result set may send a command text
        poRetainServerOrder = 1u << 1 // hold rows in the order the server sent them
    };

    /// The provider over `dataSet`, with only poAllowCommandText set.
    explicit DataSetProvider(SQLDataSet* dataSet, std::string name = "DataSetProvider1");
    /// Closes SQLDataSet1 if the provider opened it and it is still open.
    ~DataSetProvider();
    DataSetProvider(const DataSetProvider&) = delete;
    DataSetProvider& operator=(const DataSetProvider&) = delete;

    const std::string& name() const { return m_name; }
    SQLDataSet* dataSet() const { return m_dataSet; }
    std::uint32_t options() const { return m_options; }
    void setOptions(std::uint32_t options) { m_options = options; }

    /// One rows request of `count` rows (-1: all): takes the command text and
    /// the parameters, opens SQLDataSet1 if needed and packs its rows. Null when
    /// nothing is handed over. After a request for all rows, and after every
    /// failure, the provider has reset itself.
    std::unique_ptr<store::IDataPacket> getRecords(std::int32_t count, const std::string& commandText,
                                                   const std::vector<SQLParam>& params);
    /// The reset request: closes SQLDataSet1 if the provider opened it and it is
    /// still open; nothing else reaches the database.
    void reset();

    /// Whether the provider is holding SQLDataSet1 open.
    bool openedDataSet() const { return m_openedDataSet; }

private:
    void takeCommandText(const std::string& commandText);
    std::unique_ptr<store::IDataPacket> pack(std::int32_t count);
    void describeColumns(store::IPacketWriter& writer);
    void handOverKeys(store::IPacketWriter& writer);
    void packRows(store::IPacketWriter& writer, std::int32_t count);
    void packValue(store::IPacketWriter& writer, std::size_t index, const SQLField& field);
    std::int32_t localeCode() const;

    std::string m_name;
    SQLDataSet* m_dataSet;
    std::uint32_t m_options = poAllowCommandText;
    bool m_openedDataSet = false;
};

} // namespace didu
