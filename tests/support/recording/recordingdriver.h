// The recording driver: a driver plugin (build/bin/libdbxrecording.so, entry
// getSQLDriverINTERBASE) that writes down every call made on it and answers what
// a test has scripted. A test reaches the plugin's control object through the C
// entry recordingDriverControl of the same loaded library; recordingsetup.h does
// that, and writes configuration files that point SQLConnection at the plugin.
//
// THE CALL LOG. Every call on any object the plugin hands out, and the entry call
// itself, becomes one text line, in call order:
//
//     <Object>.<operation>(<arguments>)
//
// <Object> is Driver, Connection, MetaData, Command or Cursor (the entry call is
// logged as `getSQLDriverINTERBASE("libfbclient.so.2", "")`, without an object).
// callsWithIds() gives the same lines with the object's serial number, counted
// per kind from 1 since the last reset: `Command#2.prepare("...", 0)`.
//
// Arguments are the values passed in, separated by ", "; output pointers are left
// out. Numbers are decimal. Texts are in double quotes: printable ASCII and every
// byte from 0x80 up stand as they are, `"` and `\` get a backslash, CR LF TAB are
// \r \n \t, other control bytes \xHH; a null text pointer is `null`. Examples:
//
//     Connection.setOption(3, "RoleName")        text options (3 10 15 23 26 31)
//     Connection.setOption(4, 1)                 integer options
//     Connection.getOption(14, 4)                option, buffer length
//     Connection.connect("/db/t.fdb", "sysdba", "quietfern")
//     MetaData.setOption(1, "sysdba")            metadata options 0 and 1 are text
//     MetaData.getIndices("CUSTOMER", 0)
//     Command.setOption(0, 200)
//     Command.prepare("SELECT * FROM MEMBER WHERE MEMBER_ID = ?\r\n", 1)
//     Command.setParameter(1, 0, 1, 1, 0, 5, 0, 6, "ABCDE", 0)
//     Command.setParameter(2, 0, 1, 5, 0, 0, 0, 2, [05 00], 0)
//     Command.execute()   Command.getRowsAffected()   Command.close()
//     Cursor.getColumnCount()   Cursor.getColumnName(1)   Cursor.next()   Cursor.getString(3)
//     Connection.getErrorMessageLen()   Connection.getErrorMessage()   Command.release()
//
// setParameter prints the `length` bytes of its buffer: for type 1 (text) as a
// quoted text without its final zero byte (a zero elsewhere shows as \x00), for
// every other type as hex bytes in brackets; `null` for a null buffer, and
// `(unread)` when the null flag is set (the buffer must not be read then).
//
// SCRIPTING. An operation is named "<Object>.<operation>", e.g. "Connection.connect",
// "Command.prepare", "Cursor.next", or "getSQLDriverINTERBASE" for the entry. A
// script gives the operation's result and, when not empty, the message the object
// then answers through getErrorMessageLen/getErrorMessage. "Next" scripts are used
// once each, in the order added, before any "always" script of the same operation.
// A failed factory call (getSQLConnection, getSQLCommand, execute, ...) hands out
// no object. Unscripted calls succeed.
//
// Defaults after reset(): statement limit (connection option 14) 0, quote
// character (metadata option 11) '"', rows affected 0; connection options 27 28 29
// answer "", "" and the name last set with option 26; other getOption calls answer
// 5 (not supported). Command.execute hands out a cursor only when rows are
// scripted for the exact prepared text; getIndices always hands out one, with the
// rows scripted for the table name or none.
#pragma once

#include "db/connection/dbxdriver.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace didu::recording {

/// One result column of a scripted cursor.
struct Column {
    std::string name;
    std::uint16_t type = dbx::FieldZString;
    std::uint16_t subType = dbx::SubTypeNone;
    /// getColumnLength's answer; 0 means the longest text value + 1 (at least 2).
    std::uint32_t length = 0;
    std::int16_t precision = 0;
    std::int16_t scale = 0;
    bool nullable = true;
    bool readOnly = false;
};

/// One value as text; nullopt is NULL. Typed getters convert the text: numbers
/// as decimal ("12", "-3", "1.25" for Bcd and Float), dates "YYYY-MM-DD", times
/// "HH:MM:SS", timestamps "YYYY-MM-DD HH:MM:SS"; bytes and blobs are the raw text.
using Value = std::optional<std::string>;
using Row = std::vector<Value>;

/// What one cursor returns.
struct Rows {
    std::vector<Column> columns;
    std::vector<Row> rows;
};

/// The columns of an index listing: INDEX_NAME, COLUMN_NAME, INDEX_TYPE (Int32,
/// dbx::IndexTypeBits) and SORT_ORDER ("A" or "D").
inline std::vector<Column> indexColumns()
{
    return {{"INDEX_NAME", dbx::FieldZString, 0, 32},
            {"COLUMN_NAME", dbx::FieldZString, 0, 32},
            {"INDEX_TYPE", dbx::FieldInt32, 0, 4},
            {"SORT_ORDER", dbx::FieldZString, 0, 2}};
}

/// The control object of the loaded plugin. One per process.
class Control {
public:
    /// Every call since the last clear, one line each, in order.
    virtual std::vector<std::string> calls() const = 0;
    /// The same lines with object serial numbers ("Command#2.close()").
    virtual std::vector<std::string> callsWithIds() const = 0;
    /// Forgets the log; scripts stay.
    virtual void clearCalls() = 0;
    /// Forgets the log, every script and the object serial numbers.
    virtual void reset() = 0;

    /// Queues a result and message for one later call of `operation`: each call
    /// takes the oldest queued script, so two scriptNext script the next two calls.
    virtual void scriptNext(const std::string& operation, dbx::Result result, const std::string& message = {}) = 0;
    /// Scripts the result and message of every later call of `operation`.
    virtual void scriptAlways(const std::string& operation, dbx::Result result, const std::string& message = {}) = 0;
    /// Removes the scripts of `operation`.
    virtual void clearScript(const std::string& operation) = 0;

    /// Every execute of a command prepared with exactly `text` hands out a cursor over `rows`.
    virtual void setRows(const std::string& text, Rows rows) = 0;
    /// The next execute of `text` hands out `rows` (queued, used once each, before setRows's).
    virtual void queueRows(const std::string& text, Rows rows) = 0;
    /// getIndices for `table` (exact name) lists `rows` (columns: indexColumns()).
    virtual void setIndices(const std::string& table, Rows rows) = 0;

    /// getOption(`option`) on every object of kind `object` ("Connection",
    /// "MetaData", "Command") answers `bytes` (as many as the buffer holds).
    virtual void setOptionAnswer(const std::string& object, std::int32_t option, std::string bytes) = 0;
    /// getRowsAffected answers `rows`.
    virtual void setRowsAffected(std::uint32_t rows) = 0;

    /// Objects of `kind` ("Driver", "Connection", ...) handed out and not yet freed.
    virtual int liveObjects(const std::string& kind) const = 0;

    /// Connection option 14: statements per connection.
    void setStatementLimit(std::int32_t limit)
    {
        setOptionAnswer("Connection", dbx::ConnMaxStmtsPerConn,
                        std::string(reinterpret_cast<const char*>(&limit), sizeof limit));
    }
    /// Metadata option 11; '\0' answers "no quote character".
    void setQuoteChar(char quote) { setOptionAnswer("MetaData", dbx::MetaObjectQuoteChar, std::string(1, quote)); }
    /// The logged lines that start with `prefix` ("Connection.setOption", "Command.").
    std::vector<std::string> callsStartingWith(std::string_view prefix) const
    {
        std::vector<std::string> out;
        for (const std::string& line : calls())
            if (std::string_view(line).substr(0, prefix.size()) == prefix)
                out.push_back(line);
        return out;
    }

protected:
    Control() = default;
    virtual ~Control() = default;
};

} // namespace didu::recording

/// Name of the plugin's control entry: `didu::recording::Control* (*)()`.
#define DIDU_RECORDING_CONTROL_ENTRY "recordingDriverControl"

extern "C" {
typedef didu::recording::Control* (*RecordingDriverControlFunc)();
}
