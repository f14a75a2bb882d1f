// The store plugin's own classes behind the contract.
#pragma once

#include "db/statements/storecontract.h"
#include "store/packetformat.h"

#include <cstdint>
#include <string>
#include <vector>

namespace didu::store {

/// A finished packet: owns its malloc'd buffer.
class DataPacket final : public IDataPacket {
public:
    DataPacket(std::uint8_t* bytes, std::uint64_t size, std::uint32_t rows)
        : m_bytes(bytes), m_size(size), m_rows(rows) {}
    ~DataPacket() override;

    const char* lastError() const override { return ""; }
    const std::uint8_t* data() const override { return m_bytes; }
    std::uint64_t size() const override { return m_size; }
    std::uint32_t rowCount() const override { return m_rows; }

private:
    std::uint8_t* m_bytes;
    std::uint64_t m_size;
    std::uint32_t m_rows;
};

/// Packs rows into one growing buffer laid out as in packetformat.h.
class PacketWriter final : public IPacketWriter {
public:
    PacketWriter();
    ~PacketWriter() override;

    const char* lastError() const override { return m_error.c_str(); }
    Status addColumn(const char* name, std::uint32_t nameLength, ColumnType type, std::uint32_t width) override;
    Status addKey(KeyKind kind, const KeyColumn* columns, std::uint16_t count) override;
    Status setAttribute(const char* name, std::int32_t value) override;
    void beginRow() override;
    void putNull() override;
    void putText(const char* bytes, std::uint32_t length) override;
    char* reserveValue(std::uint32_t capacity) override;
    void commitValue(std::uint32_t length) override;
    void putInt32(std::int32_t value) override;
    void putInt64(std::int64_t value) override;
    void putFloat(double value) override;
    void putBcd(std::int64_t unscaled, std::int16_t scale) override;
    void endRow() override;
    Status finish(IDataPacket** packet) override;

private:
    bool grow(std::size_t more);
    /// Checks that the next value is for a column of one of the given kinds.
    bool expect(ColumnType a, ColumnType b);
    std::uint8_t* appendFixed(std::size_t size);
    void fail(Status status, const char* message);

    std::uint8_t* m_bytes = nullptr;
    std::size_t m_size = 0;
    std::size_t m_capacity = 0;
    std::vector<packet::Column> m_columns;
    std::vector<packet::Key> m_keys;
    std::vector<packet::Attribute> m_attributes;
    std::uint32_t m_rows = 0;
    std::size_t m_rowStart = 0;
    std::size_t m_column = 0;
    bool m_inRow = false;
    bool m_finished = false;
    std::size_t m_reservedAt = 0;
    std::uint32_t m_reservedCapacity = 0;
    bool m_reserved = false;
    Status m_status = StatusOk;
    std::string m_error;
};

/// Holds a packet's rows in place and an index of where each row starts, in
/// the held order.
class RowStore final : public IRowStore {
public:
    RowStore() = default;
    ~RowStore() override;

    const char* lastError() const override { return m_error.c_str(); }
    Status load(IDataPacket* packet) override;
    std::uint16_t columnCount() const override { return static_cast<std::uint16_t>(m_columns.size()); }
    Status column(std::uint16_t number, ColumnInfo* info) const override;
    std::uint32_t rowCount() const override { return static_cast<std::uint32_t>(m_rowOffsets.size()); }
    Status attribute(const char* name, std::int32_t* value) const override;
    const KeyColumn* order(std::uint16_t* count) const override;

    // For the cursor.
    const std::vector<packet::Column>& columns() const { return m_columns; }
    /// Start and end of row `index` of the held order.
    const std::uint8_t* rowStart(std::uint32_t index) const { return m_base + m_rowOffsets[index]; }
    const std::uint8_t* rowsEnd() const { return m_rowsEnd; }

private:
    Status parseTrailer(const std::uint8_t* at, const std::uint8_t* end);
    Status indexRows(std::uint32_t rows);
    void sortRows(const std::vector<const std::uint8_t*>& keyValues);
    Status fail(Status status, const std::string& message);

    IDataPacket* m_packet = nullptr;
    const std::uint8_t* m_base = nullptr;
    const std::uint8_t* m_rowsEnd = nullptr;
    std::vector<packet::Column> m_columns;
    std::vector<packet::Key> m_keys;
    std::vector<packet::Attribute> m_attributes;
    std::vector<KeyColumn> m_order;
    // Offsets of the rows from the packet's start, in held order.
    std::vector<std::uint64_t> m_rowOffsets;
    std::string m_error;
};

/// A position in a row store, with the current row's values located once per move.
class StoreCursor final : public IStoreCursor {
public:
    const char* lastError() const override { return m_error.c_str(); }
    Status attach(const IRowStore* store) override;
    void first() override;
    void next() override;
    bool eof() const override { return !m_store || m_position >= m_store->rowCount(); }
    std::uint32_t position() const override { return m_position; }
    Status value(std::uint16_t number, Value* value) const override;

private:
    void decodeCurrent();

    const RowStore* m_store = nullptr;
    std::uint32_t m_position = 0;
    // Where each column's value starts in the current row (null: NULL).
    std::vector<const std::uint8_t*> m_values;
    std::string m_error;
};

} // namespace didu::store
