// The driver contract: everything a driver plugin implements and everything the
// connection and statement layers may call on it. Both plugins (the Firebird driver
// and the recording test driver) include this header and nothing else of the core.
//
// Objects are reference counted: a factory call hands out an object holding one
// reference; release() drops one and frees the object at zero. Every operation
// answers a 16-bit result, 0 for success. Every object that can fail answers the
// length of its last error message and then the message itself.
#pragma once

#include <cstdint>

namespace dbx {

/// Result of every driver operation; 0 is success.
using Result = std::uint16_t;

inline constexpr Result ResultOk = 0;
/// The two codes a cursor's next() may answer at the end of the rows.
inline constexpr Result ResultEndOfData = 100;
inline constexpr Result ResultEndOfDataAlt = 10;
/// Codes a driver may answer for its own failures (the connection layer turns
/// each into the operator's text).
inline constexpr Result ResultNoMemory = 2;
inline constexpr Result ResultInvalidFieldType = 3;
inline constexpr Result ResultInvalidHandle = 4;
inline constexpr Result ResultNotSupported = 5;
inline constexpr Result ResultOutOfRange = 8;
inline constexpr Result ResultInvalidParameter = 9;
inline constexpr Result ResultConnectionFailed = 21;
inline constexpr Result ResultDriverInitFailed = 22;
inline constexpr Result ResultSqlError = 101;

/// Field (value) types, as reported for columns and passed for parameters.
enum FieldType : std::uint16_t {
    FieldUnknown = 0,
    FieldZString = 1,     // zero-terminated 8-bit text
    FieldDate = 2,
    FieldBlob = 3,
    FieldBool = 4,
    FieldInt16 = 5,
    FieldInt32 = 6,
    FieldFloat = 7,       // 64-bit IEEE double
    FieldBcd = 8,         // scaled decimal, see Bcd
    FieldBytes = 9,
    FieldTime = 10,
    FieldTimeStamp = 11,
    FieldInt64 = 18,
};

/// Sub types reported with FieldBlob.
enum FieldSubType : std::uint16_t {
    SubTypeNone = 0,
    SubTypeMemo = 22,     // text blob
    SubTypeBinary = 23,   // binary blob
    SubTypeFixedChar = 31 // fixed-length text (CHAR)
};

/// Parameter directions.
enum ParamDirection : std::int32_t { ParamIn = 1, ParamOut = 2, ParamInOut = 3 };

/// Connection options (ISQLConnection::setOption / getOption).
enum ConnectionOption : std::int32_t {
    ConnAutoCommit = 0,
    ConnBlockingMode = 1,
    ConnBlobSize = 2,
    ConnRoleName = 3,
    ConnWaitOnLocks = 4,
    ConnCommitRetain = 5,
    ConnTxnIsoLevel = 6,
    ConnHostName = 10,
    ConnMaxStmtsPerConn = 14,     // get: 4-byte statement limit, 0 = none
    ConnServerCharSet = 15,
    ConnSqlDialect = 16,
    ConnOsAuthentication = 20,
    ConnMultipleTransaction = 22,
    ConnServerPort = 23,
    ConnTrimChar = 25,
    ConnQualifiedName = 26,       // set: a table name to split
    ConnCatalogName = 27,         // get: parts of that name (256-byte buffers)
    ConnSchemaName = 28,
    ConnObjectName = 29,
    ConnCustomInfo = 31,
    ConnTimeout = 32,
    ConnConnectionLost = 40,      // get: 4-byte flag, 1 once a call met a lost connection
    ConnLinkAnswers = 41,         // get: 4-byte flag, 1 when the database still answers (asks it)
    ConnEndOfWork = 42,           // set: the caller's unit of work is over; end what is kept for it
};

/// Isolation levels handed over with ConnTxnIsoLevel.
enum IsolationLevel : std::int32_t { IsoReadCommitted = 0, IsoRepeatableRead = 1, IsoDirtyRead = 2 };

/// Metadata options.
enum MetaDataOption : std::int32_t {
    MetaCatalogName = 0,
    MetaSchemaName = 1,
    MetaObjectQuoteChar = 11,     // get: 1 byte
};

/// Command options.
enum CommandOption : std::int32_t {
    CommandRowsetSize = 0,        // rows per fetch
    CommandStoredProc = 7,        // stored-procedure flag
};

/// Index type bits in the INDEX_TYPE column of an index listing.
enum IndexTypeBits : std::int32_t { IndexNonUnique = 1, IndexUnique = 2, IndexPrimary = 4 };

/// Scaled decimal: value = unscaled / 10^scale.
struct Bcd {
    std::int64_t unscaled;
    std::int16_t scale;
};

struct Date { std::int32_t year; std::uint16_t month; std::uint16_t day; };
struct Time { std::uint16_t hour; std::uint16_t minute; std::uint16_t second; std::uint16_t fraction; /* 1/10000 s */ };
struct TimeStamp { Date date; Time time; };

/// Shared by every object: reference counting and the last error message.
class ISQLObject {
public:
    virtual std::uint32_t addRef() = 0;
    /// Drops one reference; the object is freed when none is left.
    virtual std::uint32_t release() = 0;
    /// Length in bytes of the last error message, without the terminating zero.
    virtual Result getErrorMessageLen(std::uint16_t* length) = 0;
    /// Copies the last error message, zero-terminated, into a buffer of length + 1 bytes.
    virtual Result getErrorMessage(char* buffer) = 0;

protected:
    ISQLObject() = default;
    virtual ~ISQLObject() = default;
    ISQLObject(const ISQLObject&) = delete;
    ISQLObject& operator=(const ISQLObject&) = delete;
};

class ISQLCursor : public ISQLObject {
public:
    virtual Result getColumnCount(std::uint16_t* count) = 0;
    // Columns are numbered from 1.
    virtual Result getColumnNameLength(std::uint16_t column, std::uint16_t* length) = 0;
    /// Copies the name, zero-terminated, into a buffer of length + 1 bytes.
    virtual Result getColumnName(std::uint16_t column, char* name) = 0;
    virtual Result getColumnType(std::uint16_t column, std::uint16_t* type, std::uint16_t* subType) = 0;
    /// Buffer size in bytes that getString / getBytes need for the column (text: with its zero).
    virtual Result getColumnLength(std::uint16_t column, std::uint32_t* length) = 0;
    virtual Result getColumnPrecision(std::uint16_t column, std::int16_t* precision) = 0;
    virtual Result getColumnScale(std::uint16_t column, std::int16_t* scale) = 0;
    virtual Result isNullable(std::uint16_t column, std::int32_t* nullable) = 0;
    virtual Result isReadOnly(std::uint16_t column, std::int32_t* readOnly) = 0;

    /// Moves to the next row: 0 on a row, ResultEndOfData (or 10) past the last one.
    virtual Result next() = 0;

    // Value getters: buffer for the value, *isBlank set to 1 for NULL.
    virtual Result getString(std::uint16_t column, char* value, std::int32_t* isBlank) = 0;
    virtual Result getShort(std::uint16_t column, std::int16_t* value, std::int32_t* isBlank) = 0;
    virtual Result getLong(std::uint16_t column, std::int32_t* value, std::int32_t* isBlank) = 0;
    virtual Result getInt64(std::uint16_t column, std::int64_t* value, std::int32_t* isBlank) = 0;
    virtual Result getDouble(std::uint16_t column, double* value, std::int32_t* isBlank) = 0;
    virtual Result getBcd(std::uint16_t column, Bcd* value, std::int32_t* isBlank) = 0;
    virtual Result getTimeStamp(std::uint16_t column, TimeStamp* value, std::int32_t* isBlank) = 0;
    virtual Result getTime(std::uint16_t column, Time* value, std::int32_t* isBlank) = 0;
    virtual Result getDate(std::uint16_t column, Date* value, std::int32_t* isBlank) = 0;
    /// Fixed or variable bytes; *length receives the number of bytes written.
    virtual Result getBytes(std::uint16_t column, std::uint8_t* value, std::uint32_t* length, std::int32_t* isBlank) = 0;
    virtual Result getBlobSize(std::uint16_t column, std::uint32_t* length, std::int32_t* isBlank) = 0;
    virtual Result getBlob(std::uint16_t column, void* value, std::int32_t* isBlank, std::uint32_t length) = 0;
};

class ISQLCommand : public ISQLObject {
public:
    virtual Result setOption(std::int32_t option, std::intptr_t value) = 0;
    virtual Result getOption(std::int32_t option, void* value, std::int32_t bufferLength, std::int32_t* length) = 0;
    /// Binds parameter `number` (from 1). `buffer` holds `length` bytes: for
    /// FieldZString the text and its zero byte, for FieldInt16 two bytes, least
    /// significant first. With isNull set no buffer is read.
    virtual Result setParameter(std::uint16_t number, std::uint16_t childPosition, std::int32_t direction,
                                std::uint16_t type, std::uint16_t subType, std::int32_t precision,
                                std::int32_t scale, std::uint32_t length, const void* buffer,
                                std::int32_t isNull) = 0;
    /// Prepares `text` (zero-terminated, "?" for each marker) with `paramCount` markers.
    virtual Result prepare(const char* text, std::uint16_t paramCount) = 0;
    /// Runs the prepared statement; *cursor is set for a statement that returns rows, else null.
    virtual Result execute(ISQLCursor** cursor) = 0;
    virtual Result getRowsAffected(std::uint32_t* rows) = 0;
    /// Ends the statement's current run (a command's own transaction ends here at the latest).
    virtual Result close() = 0;
};

class ISQLMetaData : public ISQLObject {
public:
    virtual Result setOption(std::int32_t option, std::intptr_t value) = 0;
    virtual Result getOption(std::int32_t option, void* value, std::int32_t bufferLength, std::int32_t* length) = 0;
    /// Lists the indices of `tableName`: one row per index column, with the columns
    /// INDEX_NAME, COLUMN_NAME, INDEX_TYPE (IndexTypeBits) and SORT_ORDER ("A" or "D").
    virtual Result getIndices(const char* tableName, std::uint32_t indexType, ISQLCursor** cursor) = 0;
};

class ISQLConnection : public ISQLObject {
public:
    virtual Result connect(const char* database, const char* userName, const char* password) = 0;
    virtual Result disconnect() = 0;
    virtual Result getSQLCommand(ISQLCommand** command) = 0;
    virtual Result getSQLMetaData(ISQLMetaData** metaData) = 0;
    /// Integer options take the value itself; text options a `const char*` cast to intptr_t.
    virtual Result setOption(std::int32_t option, std::intptr_t value) = 0;
    virtual Result getOption(std::int32_t option, void* value, std::int32_t bufferLength, std::int32_t* length) = 0;
};

class ISQLDriver : public ISQLObject {
public:
    virtual Result getSQLConnection(ISQLConnection** connection) = 0;
};

} // namespace dbx

/// Signature of a driver plugin's single exported entry function: client library
/// name and error resource file name in, a driver object out.
extern "C" {
typedef dbx::Result (*GetSQLDriverFunc)(const char* vendorLib, const char* resourceFile, dbx::ISQLDriver** driver);
}
