// The store contract: everything the store plugin (libmidas.so) implements and
// everything the result set and its provider may call on it. The plugin includes
// this header and nothing else of the core.
//
// The provider packs a result with a packet writer into one data packet; the
// result set loads that packet into a row store, which keeps the rows in their
// default order, and walks them with a cursor. All three objects are made through
// the plugin's single C entry, DllGetClassObject, by class id. Objects are owned
// by whoever made them and freed with delete (every class has a virtual
// destructor); nothing here throws: operations that can fail answer a Status and
// keep a message for lastError().
#pragma once

#include <cstdint>

namespace didu::store {

/// Result of a store operation; 0 is success.
using Status = std::int32_t;
inline constexpr Status StatusOk = 0;
inline constexpr Status StatusNoMemory = 1;
inline constexpr Status StatusBadPacket = 2;
inline constexpr Status StatusBadArgument = 3;
inline constexpr Status StatusWrongState = 4;
inline constexpr Status StatusUnknownClass = 5;

/// Class ids understood by DllGetClassObject.
inline constexpr const char* PacketWriterClassId = "{3B8E41C2-5D0A-4F6E-9C17-A2D45E0B7F11}";
inline constexpr const char* RowStoreClassId = "{3B8E41C2-5D0A-4F6E-9C17-A2D45E0B7F12}";
inline constexpr const char* StoreCursorClassId = "{3B8E41C2-5D0A-4F6E-9C17-A2D45E0B7F13}";

/// How a column's values are held.
enum class ColumnType : std::uint8_t {
    Text = 1,      // bytes, no terminating zero
    Int32 = 2,
    Int64 = 3,
    Float = 4,     // IEEE double
    Bcd = 5,       // 64-bit unscaled value and a 16-bit scale
    Date = 6,      // year * 10000 + month * 100 + day
    Time = 7,      // in 1/10000 s since midnight
    TimeStamp = 8, // date as above * 864000000 + time as above
    Bytes = 9,     // bytes, binary
    Bool = 10,     // 0 or 1, held as Int32
};

/// Kinds of key handed over with the rows.
enum class KeyKind : std::uint8_t { DefaultOrder = 1, Primary = 2, Unique = 3 };

/// One column of a key: the column number (from 0) and its direction.
struct KeyColumn {
    std::uint16_t column;
    bool descending;
};

/// One column as the store describes it.
struct ColumnInfo {
    const char* name;          // not zero-terminated
    std::uint32_t nameLength;
    ColumnType type;
    std::uint32_t width;       // the widest value the provider announced, in bytes
};

/// One value of the current row. For Text and Bytes, `bytes` and `length` hold
/// it; for the number kinds, `integer` (Int32, Int64, Bcd unscaled, Date, Time,
/// TimeStamp, Bool) or `real` (Float); `scale` for Bcd.
struct Value {
    ColumnType type;
    bool isNull;
    const char* bytes;
    std::uint32_t length;
    std::int64_t integer;
    double real;
    std::int16_t scale;
};

/// Shared by every store object.
class IStoreObject {
public:
    virtual ~IStoreObject() = default;
    /// Text of the last failure, zero-terminated; empty when none.
    virtual const char* lastError() const = 0;

protected:
    IStoreObject() = default;
    IStoreObject(const IStoreObject&) = delete;
    IStoreObject& operator=(const IStoreObject&) = delete;
};

/// A finished data packet: one contiguous buffer holding the column descriptions,
/// the keys, the attributes and every row.
class IDataPacket : public IStoreObject {
public:
    virtual const std::uint8_t* data() const = 0;
    virtual std::uint64_t size() const = 0;
    virtual std::uint32_t rowCount() const = 0;
};

/// The provider's side: packs columns, keys, attributes and rows into a packet.
/// Columns come first; then rows, each begun with beginRow and given exactly one
/// value per column in column order. The per-value calls answer nothing, to stay
/// cheap: a failure among them (memory, a value of the wrong kind) is kept and
/// answered by finish().
class IPacketWriter : public IStoreObject {
public:
    /// Adds a column; `width` is the widest value expected, in bytes (0: unknown).
    virtual Status addColumn(const char* name, std::uint32_t nameLength, ColumnType type,
                             std::uint32_t width) = 0;
    /// Hands over a key: the default order, the primary key or one unique key.
    virtual Status addKey(KeyKind kind, const KeyColumn* columns, std::uint16_t count) = 0;
    /// Hands over an attribute carried with the rows, such as "LCID".
    virtual Status setAttribute(const char* name, std::int32_t value) = 0;

    virtual void beginRow() = 0;
    virtual void putNull() = 0;
    virtual void putText(const char* bytes, std::uint32_t length) = 0;
    /// Room for a text or byte value of at most `capacity` bytes, written in place:
    /// the caller fills it and calls commitValue, or calls putNull to give the
    /// column NULL instead. Null when memory ran out (the failure is kept for
    /// finish, and the caller goes on with putNull).
    virtual char* reserveValue(std::uint32_t capacity) = 0;
    /// Ends the value begun with reserveValue: `length` bytes were written.
    virtual void commitValue(std::uint32_t length) = 0;
    virtual void putInt32(std::int32_t value) = 0;
    virtual void putInt64(std::int64_t value) = 0;
    virtual void putFloat(double value) = 0;
    virtual void putBcd(std::int64_t unscaled, std::int16_t scale) = 0;
    virtual void endRow() = 0;

    /// Ends the packet and hands it over (the caller owns it); the writer is spent.
    virtual Status finish(IDataPacket** packet) = 0;
};

/// The result set's side: holds the rows of one packet in their default order.
class IRowStore : public IStoreObject {
public:
    /// Takes over `packet` (also on failure) and sorts its rows by the packet's
    /// default order; rows with equal keys keep the order they came in.
    virtual Status load(IDataPacket* packet) = 0;
    virtual std::uint16_t columnCount() const = 0;
    virtual Status column(std::uint16_t number, ColumnInfo* info) const = 0;
    virtual std::uint32_t rowCount() const = 0;
    /// The attribute `name`; StatusBadArgument when the packet carries none.
    virtual Status attribute(const char* name, std::int32_t* value) const = 0;
    /// The columns of the held order (the default order), `count` set to their number.
    virtual const KeyColumn* order(std::uint16_t* count) const = 0;
};

/// Walks a row store in its held order.
class IStoreCursor : public IStoreObject {
public:
    /// Attaches to `store` (which must outlive the cursor) and stands on its first row.
    virtual Status attach(const IRowStore* store) = 0;
    virtual void first() = 0;
    /// One row on; from the last row to end of data; at end of data it stays.
    virtual void next() = 0;
    virtual bool eof() const = 0;
    /// Number of the current row in held order, from 0 (rowCount at end of data).
    virtual std::uint32_t position() const = 0;
    /// Column `number` (from 0) of the current row; StatusWrongState at end of data.
    virtual Status value(std::uint16_t number, Value* value) const = 0;
};

} // namespace didu::store

/// Signature of the plugin's single exported entry: makes a new object of the
/// class `classId` (one of the ids above) and hands it to the caller.
extern "C" {
typedef didu::store::Status (*DllGetClassObjectFunc)(const char* classId, didu::store::IStoreObject** object);
}
