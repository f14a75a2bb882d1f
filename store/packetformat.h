// The layout of a data packet, shared by the writer and the row store.
//
//   "DPK1"                 magic, 4 bytes
//   trailer offset         8 bytes, native byte order, from the packet's start
//   row count              4 bytes
//   rows ...               one after the other, in the order they were put
//   trailer                columns, keys, attributes (see below)
//
// A row is a bitmap of NULL columns (one bit per column, bit set = NULL), then
// the value of every non-NULL column in column order: text and bytes as a
// LEB128 length and the bytes; Int32, Bool, Date and Time in 4 bytes; Int64,
// TimeStamp and Float in 8; Bcd as 8 bytes unscaled and 2 bytes scale.
//
// The trailer goes last because the row count and the keys are only final when
// the last row is in: the rows are written once and never moved.
//
//   columns:    u16 count, then per column: u8 type, u32 width, u16 name length, name
//   keys:       u16 count, then per key: u8 kind, u16 columns, then per column: u16 number, u8 descending
//   attributes: u16 count, then per attribute: u16 name length, name, i32 value
#pragma once

#include "db/statements/storecontract.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace didu::store::packet {

inline constexpr char Magic[4] = {'D', 'P', 'K', '1'};
inline constexpr std::size_t HeaderSize = 16;
inline constexpr std::size_t TrailerOffsetAt = 4;
inline constexpr std::size_t RowCountAt = 12;

struct Column {
    std::string name;
    ColumnType type;
    std::uint32_t width;
};

struct Key {
    KeyKind kind;
    std::vector<KeyColumn> columns;
};

struct Attribute {
    std::string name;
    std::int32_t value;
};

/// Size in bytes of a fixed-size value, 0 for the length-prefixed kinds.
inline std::size_t fixedSize(ColumnType type)
{
    switch (type) {
    case ColumnType::Int32:
    case ColumnType::Bool:
    case ColumnType::Date:
    case ColumnType::Time:
        return 4;
    case ColumnType::Int64:
    case ColumnType::TimeStamp:
    case ColumnType::Float:
        return 8;
    case ColumnType::Bcd:
        return 10;
    case ColumnType::Text:
    case ColumnType::Bytes:
        return 0;
    }
    return 0;
}

inline bool validType(std::uint8_t type)
{
    return type >= static_cast<std::uint8_t>(ColumnType::Text) && type <= static_cast<std::uint8_t>(ColumnType::Bool);
}

inline std::size_t varintSize(std::uint32_t value)
{
    std::size_t n = 1;
    while (value >= 0x80) {
        value >>= 7;
        ++n;
    }
    return n;
}

inline std::uint8_t* putVarint(std::uint8_t* out, std::uint32_t value)
{
    while (value >= 0x80) {
        *out++ = static_cast<std::uint8_t>(value | 0x80);
        value >>= 7;
    }
    *out++ = static_cast<std::uint8_t>(value);
    return out;
}

/// Reads a LEB128 length; null when it runs past `end` or does not fit 32 bits.
inline const std::uint8_t* getVarint(const std::uint8_t* in, const std::uint8_t* end, std::uint32_t* value)
{
    std::uint32_t result = 0;
    for (int shift = 0; shift < 35; shift += 7) {
        if (in >= end)
            return nullptr;
        const std::uint8_t byte = *in++;
        result |= static_cast<std::uint32_t>(byte & 0x7F) << shift;
        if (!(byte & 0x80)) {
            *value = result;
            return in;
        }
    }
    return nullptr;
}

template <typename T>
inline T load(const std::uint8_t* at)
{
    T value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

/// Walks one row starting at `row`: stores the start of each column's value in
/// `values` (null for NULL) and answers the end of the row, or null when the
/// row runs past `end`.
inline const std::uint8_t* decodeRow(const std::uint8_t* row, const std::uint8_t* end,
                                     const Column* columns, std::size_t count,
                                     const std::uint8_t** values)
{
    const std::size_t bitmapBytes = (count + 7) / 8;
    if (static_cast<std::size_t>(end - row) < bitmapBytes)
        return nullptr;
    const std::uint8_t* bitmap = row;
    const std::uint8_t* at = row + bitmapBytes;
    for (std::size_t i = 0; i < count; ++i) {
        if (bitmap[i / 8] & (1u << (i % 8))) {
            values[i] = nullptr;
            continue;
        }
        values[i] = at;
        const std::size_t fixed = fixedSize(columns[i].type);
        if (fixed) {
            if (static_cast<std::size_t>(end - at) < fixed)
                return nullptr;
            at += fixed;
        } else {
            std::uint32_t length = 0;
            const std::uint8_t* bytes = getVarint(at, end, &length);
            if (!bytes || static_cast<std::size_t>(end - bytes) < length)
                return nullptr;
            at = bytes + length;
        }
    }
    return at;
}

/// Fills `value` from a value start found by decodeRow.
inline void readValue(const Column& column, const std::uint8_t* at, Value* value)
{
    *value = Value{column.type, at == nullptr, nullptr, 0, 0, 0.0, 0};
    if (!at)
        return;
    switch (column.type) {
    case ColumnType::Text:
    case ColumnType::Bytes: {
        std::uint32_t length = 0;
        // decodeRow has already checked the bounds of every value it found.
        const std::uint8_t* bytes = getVarint(at, at + 5, &length);
        value->bytes = reinterpret_cast<const char*>(bytes);
        value->length = length;
        break;
    }
    case ColumnType::Int32:
    case ColumnType::Bool:
    case ColumnType::Date:
    case ColumnType::Time:
        value->integer = load<std::int32_t>(at);
        break;
    case ColumnType::Int64:
    case ColumnType::TimeStamp:
        value->integer = load<std::int64_t>(at);
        break;
    case ColumnType::Float:
        value->real = load<double>(at);
        break;
    case ColumnType::Bcd:
        value->integer = load<std::int64_t>(at);
        value->scale = load<std::int16_t>(at + 8);
        break;
    }
}

} // namespace didu::store::packet
