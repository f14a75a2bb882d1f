#include "db/statements/datasetprovider.h"

#include "db/statements/querytext.h"
#include "db/statements/sqldataset.h"
#include "db/statements/storeloader.h"
#include "platform/errors.h"
#include "platform/locale.h"

#include <chrono>
#include <cstring>

namespace didu {

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

/// How one column is read from the driver and held in the store.
enum Reader : std::uint16_t {
    ReadNone,      // a type without a reader: held as NULL
    ReadString,
    ReadMemo,      // text blob
    ReadBlob,      // binary blob
    ReadBytes,
    ReadShort,
    ReadBool,
    ReadLong,
    ReadInt64,
    ReadDouble,
    ReadBcd,
    ReadDate,
    ReadTime,
    ReadTimeStamp,
};

Reader readerFor(const SQLField& field)
{
    switch (field.type) {
    case dbx::FieldZString: return ReadString;
    case dbx::FieldBlob: return field.subType == dbx::SubTypeMemo ? ReadMemo : ReadBlob;
    case dbx::FieldBytes: return ReadBytes;
    case dbx::FieldInt16: return ReadShort;
    case dbx::FieldBool: return ReadBool;
    case dbx::FieldInt32: return ReadLong;
    case dbx::FieldInt64: return ReadInt64;
    case dbx::FieldFloat: return ReadDouble;
    case dbx::FieldBcd: return ReadBcd;
    case dbx::FieldDate: return ReadDate;
    case dbx::FieldTime: return ReadTime;
    case dbx::FieldTimeStamp: return ReadTimeStamp;
    default: return ReadNone;
    }
}

store::ColumnType storeType(Reader reader)
{
    switch (reader) {
    case ReadNone:
    case ReadString:
    case ReadMemo: return store::ColumnType::Text;
    case ReadBlob:
    case ReadBytes: return store::ColumnType::Bytes;
    case ReadShort:
    case ReadLong: return store::ColumnType::Int32;
    case ReadBool: return store::ColumnType::Bool;
    case ReadInt64: return store::ColumnType::Int64;
    case ReadDouble: return store::ColumnType::Float;
    case ReadBcd: return store::ColumnType::Bcd;
    case ReadDate: return store::ColumnType::Date;
    case ReadTime: return store::ColumnType::Time;
    case ReadTimeStamp: return store::ColumnType::TimeStamp;
    }
    return store::ColumnType::Text;
}

std::int32_t dateValue(const dbx::Date& d)
{
    return d.year * 10000 + d.month * 100 + d.day;
}

std::int64_t timeValue(const dbx::Time& t)
{
    return std::int64_t(t.hour) * 36000000 + std::int64_t(t.minute) * 600000 + std::int64_t(t.second) * 10000
           + t.fraction;
}

/// Result column number (from 0) named `name` ignoring case; -1 when none.
int columnNamed(const FieldList& fields, std::string_view name)
{
    for (std::size_t i = 0; i < fields.size(); ++i)
        if (sameTextIgnoreCase(fields[i].name, name))
            return static_cast<int>(i);
    return -1;
}

/// The key over `index`'s columns; empty when a column is not in the result.
std::vector<store::KeyColumn> keyOf(const IndexDefinition& index, const FieldList& fields)
{
    std::vector<store::KeyColumn> key;
    for (const auto& column : index.columns()) {
        const int number = columnNamed(fields, column);
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

void DataSetProvider::takeParams(const std::vector<SQLParam>& params)
{
    for (const SQLParam& given : params) {
        if (!given.bound())
            continue;
        for (SQLParam& own : m_dataSet->params()) {
            if (!sameTextIgnoreCase(own.name(), given.name()))
                continue;
            if (given.isNull())
                own.setNull();
            else if (given.valueType() == SQLParam::ValueType::Int16)
                own.setValue(given.integer());
            else
                own.setValue(std::string_view(given.text()));
            break;
        }
    }
}

std::unique_ptr<store::IDataPacket> DataSetProvider::getRecords(std::int32_t count, const std::string& commandText,
                                                                const std::vector<SQLParam>& params)
{
    if (!m_dataSet)
        return nullptr;
    try {
        if (!commandText.empty())
            takeCommandText(commandText);
        takeParams(params);
        m_profile = OpenProfile{};
        const auto started = Clock::now();
        if (!m_dataSet->isOpen()) {
            m_dataSet->open();
            m_openedDataSet = true;
        }
        m_profile.fetch += seconds(Clock::now() - started);
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
    std::unique_ptr<store::IDataPacket> packet(finished);
    m_profile.packetBytes = packet->size();
    return packet;
}

void DataSetProvider::describeColumns(store::IPacketWriter& writer)
{
    m_readers.clear();
    for (const SQLField& field : m_dataSet->fields()) {
        const Reader reader = readerFor(field);
        m_readers.push_back(reader);
        const store::Status status = writer.addColumn(field.name.data(), static_cast<std::uint32_t>(field.name.size()),
                                                      storeType(reader), field.length);
        if (status != store::StatusOk)
            throw DatabaseError(writer.lastError());
    }
}

void DataSetProvider::handOverKeys(store::IPacketWriter& writer)
{
    const auto& fields = m_dataSet->fields();
    const auto& indices = m_dataSet->indexDefinitions();

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
                number = columnNamed(fields, item.name);
            if (number < 0) {
                order.clear();
                break;
            }
            order.push_back({static_cast<std::uint16_t>(number), item.descending});
        }
    } else {
        for (const auto& index : indices)
            if (index.primary && !(order = keyOf(index, fields)).empty())
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
            add(store::KeyKind::Primary, keyOf(index, fields));
        else if (index.unique)
            add(store::KeyKind::Unique, keyOf(index, fields));
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
    const auto started = Clock::now();
    Clock::duration fetching{};
    std::uint64_t textBytes = 0;
    const auto& fields = m_dataSet->fields();
    const std::size_t columns = fields.size();
    std::int32_t rows = 0;
    // A value read straight into reserved packet room ends in one of three ways:
    // a failed read gives the room back before its error goes up, NULL gives it
    // back, anything else keeps `length` bytes of it.
    auto endReservedValue = [&](dbx::Result result, dbx::ISQLCursor* cursor, std::int32_t blank,
                                std::uint32_t length) {
        if (result != dbx::ResultOk) {
            writer.putNull();
            m_dataSet->check(result, cursor);
        }
        if (blank) {
            writer.putNull();
        } else {
            writer.commitValue(length);
            textBytes += length;
        }
    };
    while (!m_dataSet->eof() && (count < 0 || rows < count)) {
        // The cursor is asked afresh each row: it belongs to the statement.
        dbx::ISQLCursor* cursor = m_dataSet->cursor();
        writer.beginRow();
        for (std::size_t i = 0; i < columns; ++i) {
            const auto column = static_cast<std::uint16_t>(fields[i].number ? fields[i].number : i + 1);
            std::int32_t blank = 0;
            switch (m_readers[i]) {
            case ReadNone:
                writer.putNull();
                break;
            case ReadString:
            case ReadBytes: {
                // Read straight into the packet: the driver writes at most the
                // column's announced length (text with its zero byte).
                const std::uint32_t room = fields[i].length ? fields[i].length : 1;
                char* into = writer.reserveValue(room);
                if (!into) {
                    writer.putNull();
                    break;
                }
                std::uint32_t length = 0;
                dbx::Result result;
                if (m_readers[i] == ReadString) {
                    result = cursor->getString(column, into, &blank);
                    length = static_cast<std::uint32_t>(strnlen(into, room));
                } else {
                    length = room;
                    result = cursor->getBytes(column, reinterpret_cast<std::uint8_t*>(into), &length, &blank);
                }
                endReservedValue(result, cursor, blank, length);
                break;
            }
            case ReadMemo:
            case ReadBlob: {
                std::uint32_t size = 0;
                m_dataSet->check(cursor->getBlobSize(column, &size, &blank), cursor);
                if (blank) {
                    writer.putNull();
                    break;
                }
                const std::int32_t limit = m_dataSet->maxBlobSize();
                if (limit >= 0 && size > static_cast<std::uint32_t>(limit))
                    size = static_cast<std::uint32_t>(limit);
                char* into = writer.reserveValue(size);
                if (!into) {
                    writer.putNull();
                    break;
                }
                const dbx::Result result = cursor->getBlob(column, into, &blank, size);
                // A text blob ends at its first zero byte, like every text value.
                const bool text = m_readers[i] == ReadMemo && result == dbx::ResultOk;
                endReservedValue(result, cursor, blank, text ? static_cast<std::uint32_t>(strnlen(into, size)) : size);
                break;
            }
            case ReadShort:
            case ReadBool: {
                std::int16_t v = 0;
                m_dataSet->check(cursor->getShort(column, &v, &blank), cursor);
                if (blank)
                    writer.putNull();
                else
                    writer.putInt32(m_readers[i] == ReadBool ? (v != 0) : v);
                break;
            }
            case ReadLong: {
                std::int32_t v = 0;
                m_dataSet->check(cursor->getLong(column, &v, &blank), cursor);
                blank ? writer.putNull() : writer.putInt32(v);
                break;
            }
            case ReadInt64: {
                std::int64_t v = 0;
                m_dataSet->check(cursor->getInt64(column, &v, &blank), cursor);
                blank ? writer.putNull() : writer.putInt64(v);
                break;
            }
            case ReadDouble: {
                double v = 0;
                m_dataSet->check(cursor->getDouble(column, &v, &blank), cursor);
                blank ? writer.putNull() : writer.putFloat(v);
                break;
            }
            case ReadBcd: {
                dbx::Bcd v{0, 0};
                m_dataSet->check(cursor->getBcd(column, &v, &blank), cursor);
                blank ? writer.putNull() : writer.putBcd(v.unscaled, v.scale);
                break;
            }
            case ReadDate: {
                dbx::Date v{0, 0, 0};
                m_dataSet->check(cursor->getDate(column, &v, &blank), cursor);
                blank ? writer.putNull() : writer.putInt32(dateValue(v));
                break;
            }
            case ReadTime: {
                dbx::Time v{0, 0, 0, 0};
                m_dataSet->check(cursor->getTime(column, &v, &blank), cursor);
                blank ? writer.putNull() : writer.putInt32(static_cast<std::int32_t>(timeValue(v)));
                break;
            }
            case ReadTimeStamp: {
                dbx::TimeStamp v{{0, 0, 0}, {0, 0, 0, 0}};
                m_dataSet->check(cursor->getTimeStamp(column, &v, &blank), cursor);
                blank ? writer.putNull() : writer.putInt64(std::int64_t(dateValue(v.date)) * 864000000 + timeValue(v.time));
                break;
            }
            }
        }
        writer.endRow();
        ++rows;
        const auto before = Clock::now();
        m_dataSet->next();
        fetching += Clock::now() - before;
    }
    const double total = seconds(Clock::now() - started);
    m_profile.fetch += seconds(fetching);
    m_profile.pack = total - seconds(fetching);
    m_profile.textBytes = textBytes;
}

} // namespace didu
