// Reading one column of a driver cursor's current row by the column's driver
// type: the one place that knows which getter serves which of the twelve types.
// The statement's NULL test, the provider's packing and the index listing all
// read through it.
#pragma once

#include "db/connection/dbxdriver.h"

#include <cstdint>

namespace didu {

/// How a column is read, from its driver type (and, for blobs, its subtype).
enum class ColumnKind : std::uint8_t {
    None,      // a type without a getter: reads as NULL
    String,
    Memo,      // text blob
    Blob,      // binary blob
    Bytes,
    Short,
    Bool,
    Long,
    Int64,
    Double,
    Bcd,
    Date,
    Time,
    TimeStamp,
};

ColumnKind columnKind(std::uint16_t type, std::uint16_t subType);

/// Text, bytes and blobs: values read into room the caller provides.
constexpr bool readsIntoRoom(ColumnKind kind)
{
    return kind == ColumnKind::String || kind == ColumnKind::Bytes || kind == ColumnKind::Memo
           || kind == ColumnKind::Blob;
}

/// One value of the current row.
struct ColumnValue {
    bool null = true;
    /// Short, Long and Int64 as they are; Bool as 0 or 1; Date as yyyymmdd;
    /// Time in 1/10000 s of the day; TimeStamp as date * 864000000 + time.
    std::int64_t integer = 0;
    double real = 0;
    dbx::Bcd bcd{0, 0};
    /// Bytes read into the room: text up to its first zero byte; for a blob
    /// asked by readColumn, its size.
    std::uint32_t length = 0;
};

/// Reads `column` (from 1) of `kind` into `value`. Text and bytes go into
/// `room` of `size` bytes (the driver writes at most the column's announced
/// length, text with its zero byte); for blobs only the size and NULL are
/// read, the blob itself by readBlob. None reads as NULL without a call.
/// Answers the driver's result; `value` is meaningful only for ResultOk.
dbx::Result readColumn(dbx::ISQLCursor& cursor, std::uint16_t column, ColumnKind kind, ColumnValue& value,
                       char* room = nullptr, std::uint32_t size = 0);

/// Reads `size` bytes of the blob in `column` into `room`; a text blob ends at
/// its first zero byte.
dbx::Result readBlob(dbx::ISQLCursor& cursor, std::uint16_t column, ColumnKind kind, ColumnValue& value,
                     char* room, std::uint32_t size);

} // namespace didu
