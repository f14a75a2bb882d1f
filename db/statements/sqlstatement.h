// The statement object with named parameters. SQLQuery1 is one directly; the
// result set's SQLDataSet1 derives from it. The SQL is held as lines joined with
// CR LF; markers (a colon and a name) become "?" for the driver and parameters
// bound by position. Statements prepare lazily and keep the prepared command
// until their text changes; closing releases only the cursor.
//
// The transfer builds, prepares and runs one or two statements per customer, so
// the path add line / scan / bind reuses its buffers instead of allocating anew.
#pragma once

#include "db/connection/dbxdriver.h"
#include "db/connection/driverhandle.h"
#include "db/connection/sqlconnection.h"
#include "db/statements/columnreader.h"
#include "db/statements/markerscanner.h"

#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <optional>
#include <ranges>
#include <string>
#include <string_view>
#include <vector>

namespace didu {

class SQLStatement;
class SQLParam;

/// What carryOverByName hands from one parameter to its namesake.
enum class Carry {
    /// A bound value (or NULL), set as a new value under the receiver's own type
    /// rules: the result set's and the provider's parameters.
    Value,
    /// The parameter itself, surviving a change of the lines: its type, value
    /// and direction.
    Whole,
};

/// Each parameter of `from`, in order, reaches the first parameter of `to` with
/// its name (case ignored by the user's locale rules); with a repeated name the
/// last of `from` wins.
void carryOverByName(const std::vector<SQLParam>& from, std::vector<SQLParam>& to, Carry carry,
                     const CodePage& codePage);

/// One named parameter. Its value type is fixed by the first value it is given
/// and kept while the parameter lives, even when later values are of another kind.
class SQLParam {
public:
    enum class ValueType { None, Text, Int16 };
    enum class Kind { Unset, Null, Text, Int };

    /// A fresh parameter: unset, untyped, no direction.
    explicit SQLParam(std::string name) : m_name(std::move(name)) {}

    /// The name as written in the marker.
    const std::string& name() const { return m_name; }
    /// None until the first typed value.
    ValueType valueType() const { return m_type; }
    /// Set once a value other than unset is given.
    bool bound() const { return m_bound; }
    /// Unset or NULL.
    bool isNull() const { return m_kind == Kind::Unset || m_kind == Kind::Null; }
    /// What the value is now.
    Kind kind() const { return m_kind; }
    /// The text value (when kind() is Text).
    const std::string& text() const { return m_text; }
    /// The integer value (when kind() is Int).
    std::int16_t integer() const { return m_integer; }
    /// 0 until bound for the first time, then dbx::ParamIn.
    std::int32_t direction() const { return m_direction; }

    /// A text value (bytes as they are); an untyped parameter becomes a text one.
    void setValue(std::string_view text);
    /// An integer; an untyped parameter becomes a 16-bit signed integer one.
    void setValue(std::int16_t value);
    /// 8-bit integers are 16-bit signed integers to the driver.
    void setValue(std::int8_t value) { setValue(static_cast<std::int16_t>(value)); }
    /// The transfer's zero comes as an unsigned 8-bit integer.
    void setValue(std::uint8_t value) { setValue(static_cast<std::int16_t>(value)); }
    /// NULL: bound, but fixes no type.
    void setNull();
    /// Back to unset (the type stays).
    void clear();

private:
    friend class SQLStatement;
    friend void carryOverByName(const std::vector<SQLParam>&, std::vector<SQLParam>&, Carry, const CodePage&);

    /// Makes this object a fresh, unset, untyped parameter named `name` (reuse).
    void reset(std::string_view name);
    /// Takes over what a parameter of the previous text carried (change of the lines).
    void takeOver(const SQLParam& old);

    std::string m_name;
    ValueType m_type = ValueType::None;
    Kind m_kind = Kind::Unset;
    bool m_bound = false;
    std::int32_t m_direction = 0; // 0: not yet set; made input when bound
    std::string m_text;
    std::int16_t m_integer = 0;
};

/// One result column of an open query, as the driver describes it. A field
/// belongs to its statement's open result; the next open describes its own
/// column in the same place, or leaves it detached when it has fewer columns.
class SQLField {
public:
    std::string name;
    std::uint16_t number = 0; // from 1
    std::uint16_t type = 0;
    std::uint16_t subType = 0;
    ColumnKind kind = ColumnKind::None; // how the value is read, from type and subType
    std::uint32_t length = 0;
    std::int16_t precision = 0;
    std::int16_t scale = 0;
    bool nullable = true;
    bool readOnly = false;

    /// True when the current row's value is NULL, or the query is at end of data
    /// (then the driver is not asked). Fails on a closed query.
    bool isNull() const;

private:
    friend class SQLStatement;
    SQLStatement* m_statement = nullptr;
};

/// The fields of an open result, in column order.
using FieldList = std::ranges::subrange<std::deque<SQLField>::const_iterator>;

class SQLStatement : public ConnectionClient {
public:
    /// A closed, unprepared statement without lines over `connection` (not null),
    /// which must outlive it.
    SQLStatement(std::string name, SQLConnection* connection);
    /// Closes and releases the command before the connection can go.
    ~SQLStatement() override;
    SQLStatement(const SQLStatement&) = delete;
    SQLStatement& operator=(const SQLStatement&) = delete;

    /// The object's name, the prefix of its messages ("SQLQuery1").
    const std::string& name() const { return m_name; }
    /// The connection it was made with (SQLConnection1).
    SQLConnection* connection() const { return m_connection; }

    // Statement lines. Every add, and every clear of a non-empty list, is a change
    // of the lines: close, unprepare, rescan, rebuild the parameters (values of
    // parameters whose names come back are kept).
    /// The statement lines, in order.
    const std::vector<std::string>& lines() const { return m_lines; }
    /// Empties the lines; a change only when there were any.
    void clearLines();
    /// Appends one line; always a change.
    void addLine(std::string line);
    /// The lines joined, each followed by CR LF.
    const std::string& text() const { return m_text; }
    /// The text the driver prepares: every marker replaced by "?".
    const std::string& driverText() const { return m_scan.driverText; }

    /// The parameters in marker order. A change of the lines rebuilds the list,
    /// so references into it last until then.
    std::vector<SQLParam>& params() { return m_params; }
    const std::vector<SQLParam>& params() const { return m_params; }
    /// First parameter named `name` ignoring case; "Parameter '%s' not found" otherwise.
    SQLParam& paramByName(std::string_view name);

    /// Runs the statement as a query and stands on its first row (or end of data).
    /// Prepares first when needed; a held-back prepare failure is raised here.
    /// Does nothing when already open.
    void open();
    /// Releases the cursor and drops the fields; the statement stays prepared, so
    /// the next open runs the same command again. (On a connection that is not
    /// kept open and serves this statement alone, it unprepares as well.)
    void close();
    /// An open result (on a row or at end of data).
    bool isOpen() const { return static_cast<bool>(m_cursor); }
    /// At end of data (also true while closed).
    bool eof() const { return m_eof; }
    /// Fetches the next row; at the end the statement stands at end of data.
    void next();
    /// The fields of the open result, in column order; empty while closed.
    FieldList fields() const;
    /// First field named `name` ignoring case; "Field '%s' not found" otherwise.
    const SQLField& fieldByName(std::string_view name) const;

    /// Reads field `index` (from 0) of the current row by its kind: numbers,
    /// dates and times whole, text and bytes into `room` of `size` bytes, of a
    /// blob only its size (the blob itself through readBlobValue). A driver
    /// failure raises its text. Needs an open statement standing on a row.
    void readValue(std::size_t index, ColumnValue& value, char* room = nullptr, std::uint32_t size = 0);
    /// Reads `size` bytes of the blob in field `index` into `room`.
    void readBlobValue(std::size_t index, ColumnValue& value, char* room, std::uint32_t size);

    /// Prepares if needed, binds every parameter and runs the statement, keeping
    /// no result; answers the rows affected.
    std::uint32_t execute();

    /// A driver command exists for the current text.
    bool prepared() const { return static_cast<bool>(m_command); }
    /// The text of this statement's last driver failure (empty at first).
    const std::string& lastError() const { return m_lastError; }

    /// The connection is disconnecting: close and release the command.
    void connectionClosing() override;
    /// Open statements keep a connection that is not kept open from closing when idle.
    bool isActive() const override { return isOpen(); }

protected:
    /// Replaces all lines by one text at once (a single change of the lines); the
    /// statement text is then `text` itself, without a CR LF added.
    void setText(std::string text);
    /// Called in prepare right after the command is created and its rows-per-fetch
    /// option set. Whatever it raises fails the prepare like a driver failure:
    /// held back, command released, reported by the open or execute that asked.
    virtual void commandCreated(dbx::ISQLCommand* command);
    /// Called whenever the driver command is released.
    virtual void commandReleased() {}
    /// The connection the command runs on (SQLConnection1 or an extra connection).
    SQLConnection* activeConnection() const;

    /// Raises the driver error text for a non-zero `result` with `source`'s
    /// message (source may be null); the text also becomes this statement's last
    /// error text. Does nothing for 0.
    void checkDriver(dbx::Result result, dbx::ISQLObject* source);

private:
    friend class SQLField;

    /// A change of the lines; `appended` when the new text only adds to the old one.
    void linesChanged(bool appended);
    void rebuildParams();
    void prepare();
    void raiseHeldPrepareFailure();
    void unprepare(bool closeConnectionWhenIdle);
    void bindParams();
    void describeColumns();
    void fetchFirst();
    void releaseCursor();
    void releaseCommand();
    /// Builds the driver error text, keeps it as the last error and answers it.
    std::string recordDriverError(dbx::Result result, dbx::ISQLObject* source);
    bool fieldIsNull(const SQLField& field);

    std::string m_name;
    SQLConnection* m_connection;
    std::unique_ptr<SQLConnection> m_extraConnection;
    std::vector<std::string> m_lines;
    bool m_wholeText = false; // set by setText: the text is not joined from lines
    std::string m_text;
    MarkerScan m_scan;
    std::vector<SQLParam> m_params;
    std::vector<SQLParam> m_spareParams; // the previous list, kept for its buffers
    // A field handed out by fieldByName stays a live object as long as the
    // statement: a later open rewrites the fields in place and adds more at the
    // end, where a deque moves none of the others.
    std::deque<SQLField> m_fields;
    std::size_t m_fieldCount = 0; // of the last open
    std::vector<char> m_valueBuffer;
    std::string m_bindText;
    DriverHandle<dbx::ISQLCommand> m_command;
    DriverHandle<dbx::ISQLCursor> m_cursor;
    bool m_commandOpen = false;
    bool m_eof = true;
    bool m_quoteAsked = false;
    std::optional<std::uint32_t> m_rowsAffected;
    std::string m_lastError;
    std::exception_ptr m_heldPrepareFailure;
};

/// SQLQuery1: the transfer's lookup and insert statement.
class SQLQuery : public SQLStatement {
public:
    /// The window's SQLQuery1 over `connection`.
    explicit SQLQuery(SQLConnection* connection, std::string name = "SQLQuery1")
        : SQLStatement(std::move(name), connection) {}
};

} // namespace didu
