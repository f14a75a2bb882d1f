#include "store/storeobjects.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace didu::store {

namespace {

using packet::load;

__extension__ typedef __int128 Wide;

/// Compares two non-NULL values of one column: below, equal or above zero.
int compareValues(const packet::Column& column, const std::uint8_t* a, const std::uint8_t* b)
{
    switch (column.type) {
    case ColumnType::Text:
    case ColumnType::Bytes: {
        // Byte order: the text is carried as the database delivered it, in the
        // code page of the operator's locale, so no collation is applied here.
        std::uint32_t la = 0, lb = 0;
        const std::uint8_t* pa = packet::getVarint(a, a + 5, &la);
        const std::uint8_t* pb = packet::getVarint(b, b + 5, &lb);
        const int c = std::memcmp(pa, pb, std::min(la, lb));
        if (c != 0)
            return c;
        return la < lb ? -1 : (la > lb ? 1 : 0);
    }
    case ColumnType::Int32:
    case ColumnType::Bool:
    case ColumnType::Date:
    case ColumnType::Time: {
        const auto x = load<std::int32_t>(a), y = load<std::int32_t>(b);
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    case ColumnType::Int64:
    case ColumnType::TimeStamp: {
        const auto x = load<std::int64_t>(a), y = load<std::int64_t>(b);
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    case ColumnType::Float: {
        const auto x = load<double>(a), y = load<double>(b);
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    case ColumnType::Bcd: {
        // Bring the value of the smaller scale up to the larger one. A value
        // that is not zero, moved up by 19 places or more, is larger in size
        // than any 64-bit unscaled value, so its sign alone decides; up to 18
        // places the product stays well inside 128 bits.
        Wide x = load<std::int64_t>(a), y = load<std::int64_t>(b);
        const int sa = load<std::int16_t>(a + 8), sb = load<std::int16_t>(b + 8);
        Wide& smaller = sa < sb ? x : y;
        const int places = sa < sb ? sb - sa : sa - sb;
        if (smaller != 0 && places > 18) {
            const int sign = smaller < 0 ? -1 : 1;
            return sa < sb ? sign : -sign;
        }
        for (int i = 0; i < places && smaller != 0; ++i)
            smaller *= 10;
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    }
    return 0;
}

struct Reader {
    const std::uint8_t* at;
    const std::uint8_t* end;
    bool ok = true;

    bool need(std::size_t n)
    {
        if (!ok || static_cast<std::size_t>(end - at) < n)
            ok = false;
        return ok;
    }
    std::uint8_t u8()
    {
        if (!need(1))
            return 0;
        return *at++;
    }
    std::uint16_t u16()
    {
        if (!need(2))
            return 0;
        const auto v = load<std::uint16_t>(at);
        at += 2;
        return v;
    }
    std::uint32_t u32()
    {
        if (!need(4))
            return 0;
        const auto v = load<std::uint32_t>(at);
        at += 4;
        return v;
    }
    std::string name()
    {
        const std::uint16_t n = u16();
        if (!need(n))
            return {};
        std::string s(reinterpret_cast<const char*>(at), n);
        at += n;
        return s;
    }
};

} // namespace

RowStore::~RowStore()
{
    delete m_packet;
}

Status RowStore::fail(Status status, const std::string& message)
{
    m_error = message;
    m_columns.clear();
    m_keys.clear();
    m_attributes.clear();
    m_order.clear();
    m_rowOffsets.clear();
    m_rowOffsets.shrink_to_fit();
    delete m_packet;
    m_packet = nullptr;
    m_base = m_rowsEnd = nullptr;
    return status;
}

Status RowStore::parseTrailer(const std::uint8_t* at, const std::uint8_t* end)
{
    Reader in{at, end};
    const std::uint16_t columns = in.u16();
    for (std::uint16_t i = 0; i < columns && in.ok; ++i) {
        const std::uint8_t type = in.u8();
        const std::uint32_t width = in.u32();
        std::string name = in.name();
        if (!packet::validType(type))
            in.ok = false;
        m_columns.push_back({std::move(name), static_cast<ColumnType>(type), width});
    }
    const std::uint16_t keys = in.u16();
    for (std::uint16_t i = 0; i < keys && in.ok; ++i) {
        packet::Key key{static_cast<KeyKind>(in.u8()), {}};
        const std::uint16_t count = in.u16();
        for (std::uint16_t j = 0; j < count && in.ok; ++j) {
            const std::uint16_t column = in.u16();
            const bool descending = in.u8() != 0;
            if (column >= m_columns.size())
                in.ok = false;
            key.columns.push_back({column, descending});
        }
        if (key.kind == KeyKind::DefaultOrder && m_order.empty())
            m_order = key.columns;
        m_keys.push_back(std::move(key));
    }
    const std::uint16_t attributes = in.u16();
    for (std::uint16_t i = 0; i < attributes && in.ok; ++i) {
        std::string name = in.name();
        const auto value = static_cast<std::int32_t>(in.u32());
        m_attributes.push_back({std::move(name), value});
    }
    return in.ok && in.at == end ? StatusOk : StatusBadPacket;
}

Status RowStore::load(IDataPacket* packet)
{
    fail(StatusOk, "");
    m_packet = packet;
    if (!packet)
        return fail(StatusBadArgument, "No data packet");
    const std::uint8_t* data = packet->data();
    const std::uint64_t size = packet->size();
    if (!data || size < packet::HeaderSize || std::memcmp(data, packet::Magic, sizeof packet::Magic) != 0)
        return fail(StatusBadPacket, "Not a data packet");
    const auto trailerAt = packet::load<std::uint64_t>(data + packet::TrailerOffsetAt);
    const auto rows = packet::load<std::uint32_t>(data + packet::RowCountAt);
    if (trailerAt < packet::HeaderSize || trailerAt > size)
        return fail(StatusBadPacket, "Data packet is damaged");
    m_base = data;
    m_rowsEnd = data + trailerAt;
    try {
        if (parseTrailer(m_rowsEnd, data + size) != StatusOk)
            return fail(StatusBadPacket, "Data packet is damaged");
        return indexRows(rows);
    } catch (const std::bad_alloc&) {
        return fail(StatusNoMemory, "Insufficient memory for the rows");
    }
}

Status RowStore::indexRows(std::uint32_t rows)
{
    // One pass finds where every row starts (checking that each lies wholly
    // inside the packet) and, for sorting, where each default-order value starts.
    const std::size_t count = m_columns.size();
    const std::size_t keyCount = m_order.size();
    std::vector<const std::uint8_t*> values(count);
    std::vector<const std::uint8_t*> keyValues;
    // Every row holds at least its NULL bitmap, so a row count that the rows'
    // bytes cannot hold is damage, refused before anything is reserved for it.
    const std::size_t rowBytes = (count + 7) / 8;
    const auto available = static_cast<std::size_t>(m_rowsEnd - (m_base + packet::HeaderSize));
    if (rows > 0 && (rowBytes == 0 || rows > available / rowBytes))
        return fail(StatusBadPacket, "Data packet is damaged");
    m_rowOffsets.reserve(rows);
    if (keyCount && rows > 1)
        keyValues.reserve(std::size_t(rows) * keyCount);
    const std::uint8_t* at = m_base + packet::HeaderSize;
    for (std::uint32_t r = 0; r < rows; ++r) {
        const std::uint8_t* end = packet::decodeRow(at, m_rowsEnd, m_columns.data(), count, values.data());
        if (!end)
            return fail(StatusBadPacket, "Data packet is damaged");
        m_rowOffsets.push_back(static_cast<std::uint64_t>(at - m_base));
        if (keyValues.capacity())
            for (const auto& key : m_order)
                keyValues.push_back(values[key.column]);
        at = end;
    }
    if (at != m_rowsEnd)
        return fail(StatusBadPacket, "Data packet is damaged");
    if (!keyValues.empty())
        sortRows(keyValues);
    return StatusOk;
}

void RowStore::sortRows(const std::vector<const std::uint8_t*>& keyValues)
{
    const std::size_t keyCount = m_order.size();
    auto compare = [&](std::uint32_t a, std::uint32_t b) {
        const std::uint8_t* const* ka = keyValues.data() + std::size_t(a) * keyCount;
        const std::uint8_t* const* kb = keyValues.data() + std::size_t(b) * keyCount;
        for (std::size_t k = 0; k < keyCount; ++k) {
            int c;
            if (!ka[k] || !kb[k])
                c = (ka[k] ? 1 : 0) - (kb[k] ? 1 : 0); // NULL before every value
            else
                c = compareValues(m_columns[m_order[k].column], ka[k], kb[k]);
            if (c != 0)
                return m_order[k].descending ? c > 0 : c < 0;
        }
        return false;
    };
    const auto rows = static_cast<std::uint32_t>(m_rowOffsets.size());
    // A server often delivers a table in key order already; one linear check
    // then spares the sort.
    bool sorted = true;
    for (std::uint32_t r = 1; r < rows && sorted; ++r)
        sorted = !compare(r, r - 1);
    if (sorted)
        return;
    std::vector<std::uint32_t> order(rows);
    for (std::uint32_t r = 0; r < rows; ++r)
        order[r] = r;
    std::stable_sort(order.begin(), order.end(), compare);
    std::vector<std::uint64_t> offsets(rows);
    for (std::uint32_t r = 0; r < rows; ++r)
        offsets[r] = m_rowOffsets[order[r]];
    m_rowOffsets.swap(offsets);
}

Status RowStore::column(std::uint16_t number, ColumnInfo* info) const
{
    if (number >= m_columns.size())
        return StatusBadArgument;
    const auto& column = m_columns[number];
    *info = ColumnInfo{column.name.data(), static_cast<std::uint32_t>(column.name.size()), column.type, column.width};
    return StatusOk;
}

Status RowStore::attribute(const char* name, std::int32_t* value) const
{
    for (const auto& attribute : m_attributes)
        if (attribute.name == name) {
            *value = attribute.value;
            return StatusOk;
        }
    return StatusBadArgument;
}

const KeyColumn* RowStore::order(std::uint16_t* count) const
{
    *count = static_cast<std::uint16_t>(m_order.size());
    return m_order.data();
}

} // namespace didu::store
