#include "db/statements/datasetprovider.h"

#include "db/statements/querytext.h"
#include "db/statements/sqldataset.h"
#include "db/statements/storeloader.h"
#include "platform/errors.h"
#include "platform/locale.h"


namespace didu {

namespace {

store::ColumnType storeType(ColumnKind kind)
{
    switch (kind) {
    case ColumnKind::None:
    case ColumnKind::String:
    case ColumnKind::Memo: return store::ColumnType::Text;
    case ColumnKind::Blob:
    case ColumnKind::Bytes: return store::ColumnType::Bytes;
    case ColumnKind::Short:
    case ColumnKind::Long: return store::ColumnType::Int32;
    case ColumnKind::Bool: return store::ColumnType::Bool;
    case ColumnKind::Int64: return store::ColumnType::Int64;
    case ColumnKind::Double: return store::ColumnType::Float;
    case ColumnKind::Bcd: return store::ColumnType::Bcd;
    case ColumnKind::Date: return store::ColumnType::Date;
    case ColumnKind::Time: return store::ColumnType::Time;
    case ColumnKind::TimeStamp: return store::ColumnType::TimeStamp;
    }
    return store::ColumnType::Text;
}

/// Hands one value that is not read into packet room to the writer.
void putValue(store::IPacketWriter& writer, ColumnKind kind, const ColumnValue& value)
{
    if (value.null) {
        writer.putNull();
        return;
    }
    switch (kind) {
    case ColumnKind::Int64:
    case ColumnKind::TimeStamp: writer.putInt64(value.integer); break;
    case ColumnKind::Double: writer.putFloat(value.real); break;
    case ColumnKind::Bcd: writer.putBcd(value.bcd.unscaled, value.bcd.scale); break;
    default: writer.putInt32(static_cast<std::int32_t>(value.integer)); break;
    }
}

/// Result column number (from 0) named `name` ignoring case; -1 when none.
int columnNamed(const FieldList& fields, std::string_view name, const CodePage& codePage)
{
    for (std::size_t i = 0; i < fields.size(); ++i)
        if (sameTextIgnoreCase(fields[i].name, name, codePage))
            return static_cast<int>(i);
    return -1;
}

/// The key over `index`'s columns; empty when a column is not in the result.
std::vector<store::KeyColumn> keyOf(const IndexDefinition& index, const FieldList& fields, const CodePage& codePage)
{
    std::vector<store::KeyColumn> key;
    for (const auto& column : index.columns()) {
        const int number = columnNamed(fields, column, codePage);
        if (number < 0)
            return {};
        key.push_back({static_cast<std::uint16_t>(number), index.descending});
    }
    return key;
}

} // namespace

DataSetProvider::DataSetProvider(SQLDataSet* dataSet, std::string name)
    : m_name(std::move(name)), m_dataSet(dataSet)
{
}

DataSetProvider::~DataSetProvider()
{
    try {
        reset();
    } catch (...) {
        // Going away: a statement that cannot close now is closed by its connection.
    }
}

void DataSetProvider::reset()
{
    if (m_openedDataSet && m_dataSet && m_dataSet->isOpen())
        m_dataSet->close();
    m_openedDataSet = false;
}

void DataSetProvider::takeCommandText(const std::string& commandText)
{
    if (!(m_options & poAllowCommandText))
        throw DatabaseError("CommandText changes are not allowed");
    m_dataSet->setCommandText(commandText);
}

std::unique_ptr<store::IDataPacket> DataSetProvider::getRecords(std::int32_t count, const std::string& commandText,
                                                                const std::vector<SQLParam>& params)
{
    if (!m_dataSet)
        return nullptr;
    try {
        if (!commandText.empty())
            takeCommandText(commandText);
        carryOverByName(params, m_dataSet->params(), Carry::Value, m_dataSet->connection()->codePage());
        if (!m_dataSet->isOpen()) {
            m_dataSet->open();
            m_openedDataSet = true;
        }
        auto packet = pack(count);
        // Fewer rows than asked for (always so for "all rows") means the result
        // is exhausted, and SQLDataSet1 is not needed open any longer.
        if (count < 0 || packet->rowCount() != static_cast<std::uint32_t>(count))
            reset();
        return packet;
    } catch (...) {
        try {
            reset();
        } catch (...) {
            // The first failure is the one the operator needs to read.
        }
        throw;
    }
}

std::unique_ptr<store::IDataPacket> DataSetProvider::pack(std::int32_t count)
{
    auto writer = StoreLoader::make<store::IPacketWriter>(store::PacketWriterClassId);
    describeColumns(*writer);
    handOverKeys(*writer);
    if (writer->setAttribute("LCID", localeCode()) != store::StatusOk)
        throw std::bad_alloc();
    packRows(*writer, count);
    store::IDataPacket* finished = nullptr;
    const store::Status status = writer->finish(&finished);
    if (status == store::StatusNoMemory)
        throw std::bad_alloc();
    if (status != store::StatusOk || !finished)
        throw DatabaseError(writer->lastError());
    return std::unique_ptr<store::IDataPacket>(finished);
}

void DataSetProvider::describeColumns(store::IPacketWriter& writer)
{
    for (const SQLField& field : m_dataSet->fields()) {
        const store::Status status = writer.addColumn(field.name.data(), static_cast<std::uint32_t>(field.name.size()),
                                                      storeType(field.kind), field.length);
        if (status != store::StatusOk)
            throw DatabaseError(writer.lastError());
    }
}

void DataSetProvider::handOverKeys(store::IPacketWriter& writer)
{
    const auto& fields = m_dataSet->fields();
    const auto& indices = m_dataSet->indexDefinitions();
    const CodePage& codePage = m_dataSet->connection()->codePage();

    std::vector<store::KeyColumn> order;
    const auto items = orderByItems(m_dataSet->driverText());
    if (!items.empty()) {
        // The ORDER BY clause is the default order; an item that names no
        // result column (an expression) leaves the rows in the server's order,
        // which that clause has already fixed.
        for (const auto& item : items) {
            int number = -1;
            if (item.plain && item.position > 0 && item.position <= static_cast<int>(fields.size()))
                number = item.position - 1;
            else if (item.plain && !item.name.empty())
                number = columnNamed(fields, item.name, codePage);
            if (number < 0) {
                order.clear();
                break;
            }
            order.push_back({static_cast<std::uint16_t>(number), item.descending});
        }
    } else {
        for (const auto& index : indices)
            if (index.primary && !(order = keyOf(index, fields, codePage)).empty())
                break;
    }
    auto add = [&](store::KeyKind kind, const std::vector<store::KeyColumn>& key) {
        if (key.empty())
            return;
        const store::Status status = writer.addKey(kind, key.data(), static_cast<std::uint16_t>(key.size()));
        if (status != store::StatusOk)
            throw DatabaseError(writer.lastError());
    };
    if (!(m_options & poRetainServerOrder))
        add(store::KeyKind::DefaultOrder, order);
    for (const auto& index : indices) {
        if (index.primary)
            add(store::KeyKind::Primary, keyOf(index, fields, codePage));
        else if (index.unique)
            add(store::KeyKind::Unique, keyOf(index, fields, codePage));
    }
}

std::int32_t DataSetProvider::localeCode() const
{
    SQLConnection* connection = m_dataSet->connection();
    const std::string text = connection ? connection->params().value("LocaleCode") : std::string();
    if (text.empty())
        return 0;
    // Read as a hexadecimal number, as the locale codes are written ("0404").
    std::uint64_t value = 0;
    for (const char c : text) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            throw ConvertError("'" + text + "' is not a valid integer value");
        value = value * 16 + static_cast<std::uint64_t>(digit);
        if (value > 0xFFFFFFFFull)
            throw ConvertError("'" + text + "' is not a valid integer value");
    }
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

void DataSetProvider::packRows(store::IPacketWriter& writer, std::int32_t count)
{
    const auto& fields = m_dataSet->fields();
    std::int32_t rows = 0;
    while (!m_dataSet->eof() && (count < 0 || rows < count)) {
        writer.beginRow();
        for (std::size_t i = 0; i < fields.size(); ++i)
            packValue(writer, i, fields[i]);
        writer.endRow();
        ++rows;
        m_dataSet->next();
    }
}

void DataSetProvider::packValue(store::IPacketWriter& writer, std::size_t index, const SQLField& field)
{
    ColumnValue value;
    if (!readsIntoRoom(field.kind)) {
        m_dataSet->readValue(index, value);
        putValue(writer, field.kind, value);
        return;
    }
    // Text and bytes are read straight into the packet: the driver writes at
    // most the column's announced length (text with its zero byte). A blob's
    // room is its size.
    std::uint32_t room = field.length ? field.length : 1;
    const bool blob = field.kind == ColumnKind::Memo || field.kind == ColumnKind::Blob;
    if (blob) {
        m_dataSet->readValue(index, value);
        if (value.null) {
            writer.putNull();
            return;
        }
        room = value.length;
    }
    char* into = writer.reserveValue(room);
    if (!into) {
        writer.putNull();
        return;
    }
    // A value read into reserved room ends in one of three ways: a failed read
    // gives the room back before its error goes up, NULL gives it back,
    // anything else keeps its length of it.
    try {
        if (blob)
            m_dataSet->readBlobValue(index, value, into, room);
        else
            m_dataSet->readValue(index, value, into, room);
    } catch (...) {
        writer.putNull();
        throw;
    }
    if (value.null)
        writer.putNull();
    else
        writer.commitValue(value.length);
}

} // namespace didu
