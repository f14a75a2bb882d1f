#include "store/storeobjects.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace didu::store {

namespace {
// The buffer starts at 1 MiB and grows by half: large blocks come from mmap, and
// glibc's realloc moves them by remapping pages instead of copying, so growing
// costs neither time nor a second copy of the rows.
constexpr std::size_t InitialCapacity = std::size_t(1) << 20;

void putU16(std::vector<std::uint8_t>& out, std::uint16_t v)
{
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void putU32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void putName(std::vector<std::uint8_t>& out, const std::string& name)
{
    putU16(out, static_cast<std::uint16_t>(name.size()));
    out.insert(out.end(), name.begin(), name.end());
}
} // namespace

DataPacket::~DataPacket()
{
    std::free(m_bytes);
}

PacketWriter::PacketWriter()
{
    if (grow(InitialCapacity)) {
        std::memcpy(m_bytes, packet::Magic, sizeof packet::Magic);
        std::memset(m_bytes + sizeof packet::Magic, 0, packet::HeaderSize - sizeof packet::Magic);
        m_size = packet::HeaderSize;
    }
}

PacketWriter::~PacketWriter()
{
    std::free(m_bytes);
}

void PacketWriter::fail(Status status, const char* message)
{
    if (m_status == StatusOk) {
        m_status = status;
        m_error = message;
    }
}

bool PacketWriter::grow(std::size_t more)
{
    if (m_size + more <= m_capacity)
        return true;
    if (m_status == StatusNoMemory)
        return false;
    std::size_t capacity = m_capacity ? m_capacity : InitialCapacity;
    while (capacity < m_size + more)
        capacity += capacity / 2;
    auto* bytes = static_cast<std::uint8_t*>(std::realloc(m_bytes, capacity));
    if (!bytes) {
        fail(StatusNoMemory, "Insufficient memory for the data packet");
        return false;
    }
    m_bytes = bytes;
    m_capacity = capacity;
    return true;
}

Status PacketWriter::addColumn(const char* name, std::uint32_t nameLength, ColumnType type, std::uint32_t width)
{
    if (m_rows || m_inRow || m_finished)
        return StatusWrongState;
    if (!packet::validType(static_cast<std::uint8_t>(type)) || nameLength > 0xFFFF || m_columns.size() >= 0xFFFF)
        return StatusBadArgument;
    try {
        m_columns.push_back({std::string(name, nameLength), type, width});
    } catch (const std::bad_alloc&) {
        return StatusNoMemory;
    }
    return StatusOk;
}

Status PacketWriter::addKey(KeyKind kind, const KeyColumn* columns, std::uint16_t count)
{
    if (m_finished)
        return StatusWrongState;
    for (std::uint16_t i = 0; i < count; ++i)
        if (columns[i].column >= m_columns.size())
            return StatusBadArgument;
    try {
        if (kind == KeyKind::DefaultOrder)
            for (const auto& key : m_keys)
                if (key.kind == KeyKind::DefaultOrder)
                    return StatusWrongState;
        m_keys.push_back({kind, std::vector<KeyColumn>(columns, columns + count)});
    } catch (const std::bad_alloc&) {
        return StatusNoMemory;
    }
    return StatusOk;
}

Status PacketWriter::setAttribute(const char* name, std::int32_t value)
{
    if (m_finished)
        return StatusWrongState;
    try {
        for (auto& attribute : m_attributes)
            if (attribute.name == name) {
                attribute.value = value;
                return StatusOk;
            }
        m_attributes.push_back({name, value});
    } catch (const std::bad_alloc&) {
        return StatusNoMemory;
    }
    return StatusOk;
}

void PacketWriter::beginRow()
{
    if (m_inRow || m_finished) {
        fail(StatusWrongState, "A row was begun inside another row");
        return;
    }
    const std::size_t bitmap = (m_columns.size() + 7) / 8;
    m_inRow = true;
    m_column = 0;
    if (!grow(bitmap))
        return;
    m_rowStart = m_size;
    std::memset(m_bytes + m_size, 0, bitmap);
    m_size += bitmap;
}

bool PacketWriter::expect(ColumnType a, ColumnType b)
{
    if (!m_inRow || m_reserved || m_column >= m_columns.size()) {
        fail(StatusWrongState, "A value does not belong to any column");
        return false;
    }
    const ColumnType type = m_columns[m_column].type;
    if (type != a && type != b) {
        fail(StatusBadArgument, "A value does not match the type of its column");
        return false;
    }
    return true;
}

void PacketWriter::putNull()
{
    // NULL after reserveValue drops the reserved room: nothing was advanced yet.
    m_reserved = false;
    if (!m_inRow || m_column >= m_columns.size()) {
        fail(StatusWrongState, "A value does not belong to any column");
        return;
    }
    if (m_status != StatusNoMemory)
        m_bytes[m_rowStart + m_column / 8] |= static_cast<std::uint8_t>(1u << (m_column % 8));
    ++m_column;
}

void PacketWriter::putText(const char* bytes, std::uint32_t length)
{
    if (!expect(ColumnType::Text, ColumnType::Bytes))
        return;
    ++m_column;
    if (!grow(packet::varintSize(length) + length))
        return;
    std::uint8_t* at = packet::putVarint(m_bytes + m_size, length);
    if (length)
        std::memcpy(at, bytes, length);
    m_size = static_cast<std::size_t>(at - m_bytes) + length;
}

char* PacketWriter::reserveValue(std::uint32_t capacity)
{
    if (!expect(ColumnType::Text, ColumnType::Bytes))
        return nullptr;
    const std::size_t prefix = packet::varintSize(capacity);
    if (!grow(prefix + capacity))
        return nullptr;
    m_reserved = true;
    m_reservedAt = m_size;
    m_reservedCapacity = capacity;
    return reinterpret_cast<char*>(m_bytes + m_size + prefix);
}

void PacketWriter::commitValue(std::uint32_t length)
{
    if (!m_reserved) {
        fail(StatusWrongState, "No value was reserved");
        return;
    }
    m_reserved = false;
    ++m_column;
    if (length > m_reservedCapacity) {
        fail(StatusBadArgument, "A value is longer than the room reserved for it");
        return;
    }
    // The value was written after a length prefix sized for the capacity; a
    // shorter actual length may need fewer prefix bytes, so close the gap.
    const std::size_t wide = packet::varintSize(m_reservedCapacity);
    const std::size_t narrow = packet::varintSize(length);
    std::uint8_t* at = m_bytes + m_reservedAt;
    if (narrow < wide && length)
        std::memmove(at + narrow, at + wide, length);
    packet::putVarint(at, length);
    m_size = m_reservedAt + narrow + length;
}

std::uint8_t* PacketWriter::appendFixed(std::size_t size)
{
    ++m_column;
    if (!grow(size))
        return nullptr;
    std::uint8_t* at = m_bytes + m_size;
    m_size += size;
    return at;
}

void PacketWriter::putInt32(std::int32_t value)
{
    const ColumnType type = m_column < m_columns.size() ? m_columns[m_column].type : ColumnType::Int32;
    const bool fits = type == ColumnType::Int32 || type == ColumnType::Bool || type == ColumnType::Date
                      || type == ColumnType::Time;
    if (!expect(type, type))
        return;
    if (!fits) {
        fail(StatusBadArgument, "A value does not match the type of its column");
        return;
    }
    if (std::uint8_t* at = appendFixed(4))
        std::memcpy(at, &value, 4);
}

void PacketWriter::putInt64(std::int64_t value)
{
    if (!expect(ColumnType::Int64, ColumnType::TimeStamp))
        return;
    if (std::uint8_t* at = appendFixed(8))
        std::memcpy(at, &value, 8);
}

void PacketWriter::putFloat(double value)
{
    if (!expect(ColumnType::Float, ColumnType::Float))
        return;
    if (std::uint8_t* at = appendFixed(8))
        std::memcpy(at, &value, 8);
}

void PacketWriter::putBcd(std::int64_t unscaled, std::int16_t scale)
{
    if (!expect(ColumnType::Bcd, ColumnType::Bcd))
        return;
    if (std::uint8_t* at = appendFixed(10)) {
        std::memcpy(at, &unscaled, 8);
        std::memcpy(at + 8, &scale, 2);
    }
}

void PacketWriter::endRow()
{
    if (!m_inRow || m_reserved || m_column != m_columns.size()) {
        fail(StatusWrongState, "A row does not hold one value for every column");
        m_inRow = false;
        return;
    }
    m_inRow = false;
    ++m_rows;
}

Status PacketWriter::finish(IDataPacket** result)
{
    *result = nullptr;
    if (m_finished)
        return StatusWrongState;
    if (m_inRow)
        fail(StatusWrongState, "The last row was not ended");
    if (!m_bytes)
        fail(StatusNoMemory, "Insufficient memory for the data packet");
    if (m_status != StatusOk)
        return m_status;
    std::vector<std::uint8_t> trailer;
    try {
        putU16(trailer, static_cast<std::uint16_t>(m_columns.size()));
        for (const auto& column : m_columns) {
            trailer.push_back(static_cast<std::uint8_t>(column.type));
            putU32(trailer, column.width);
            putName(trailer, column.name);
        }
        putU16(trailer, static_cast<std::uint16_t>(m_keys.size()));
        for (const auto& key : m_keys) {
            trailer.push_back(static_cast<std::uint8_t>(key.kind));
            putU16(trailer, static_cast<std::uint16_t>(key.columns.size()));
            for (const auto& column : key.columns) {
                putU16(trailer, column.column);
                trailer.push_back(column.descending ? 1 : 0);
            }
        }
        putU16(trailer, static_cast<std::uint16_t>(m_attributes.size()));
        for (const auto& attribute : m_attributes) {
            putName(trailer, attribute.name);
            putU32(trailer, static_cast<std::uint32_t>(attribute.value));
        }
    } catch (const std::bad_alloc&) {
        fail(StatusNoMemory, "Insufficient memory for the data packet");
        return m_status;
    }
    if (!grow(trailer.size()))
        return m_status;
    const std::uint64_t trailerAt = m_size;
    std::memcpy(m_bytes + m_size, trailer.data(), trailer.size());
    m_size += trailer.size();
    std::memcpy(m_bytes + packet::TrailerOffsetAt, &trailerAt, 8);
    std::memcpy(m_bytes + packet::RowCountAt, &m_rows, 4);
    // Hand back the unused tail of the buffer; for a remapped block this only
    // unmaps pages.
    if (auto* shrunk = static_cast<std::uint8_t*>(std::realloc(m_bytes, m_size)))
        m_bytes = shrunk;
    try {
        *result = new DataPacket(m_bytes, m_size, m_rows);
    } catch (const std::bad_alloc&) {
        fail(StatusNoMemory, "Insufficient memory for the data packet");
        return m_status;
    }
    m_bytes = nullptr;
    m_size = m_capacity = 0;
    m_finished = true;
    return StatusOk;
}

} // namespace didu::store
