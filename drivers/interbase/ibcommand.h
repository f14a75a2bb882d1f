// A statement: prepared once, executed any number of times; a plain SELECT runs in
// the connection's read transaction, anything else in a transaction of its own
// or, under commit retaining, in the connection's kept one (see ibconnection.h
// for the scheme).
#pragma once

#include "drivers/interbase/ibconnection.h"
#include "drivers/interbase/objectbase.h"
#include "drivers/interbase/sqlarea.h"
#include "drivers/interbase/sqlvalues.h"

#include <string>
#include <vector>

namespace didu::ib {

class IbCursor;

/// The command object handed out by a connection.
class IbCommand final : public ObjectBase<dbx::ISQLCommand> {
public:
    explicit IbCommand(IbConnection* connection);

    dbx::Result setOption(std::int32_t option, std::intptr_t value) override;
    dbx::Result getOption(std::int32_t option, void* value, std::int32_t bufferLength, std::int32_t* length) override;
    dbx::Result setParameter(std::uint16_t number, std::uint16_t childPosition, std::int32_t direction,
                             std::uint16_t type, std::uint16_t subType, std::int32_t precision, std::int32_t scale,
                             std::uint32_t length, const void* buffer, std::int32_t isNull) override;
    dbx::Result prepare(const char* text, std::uint16_t paramCount) override;
    dbx::Result execute(dbx::ISQLCursor** cursor) override;
    dbx::Result getRowsAffected(std::uint32_t* rows) override;
    dbx::Result close() override;

    /// The connection is going away: end the run and drop the statement handle.
    void connectionClosing();
    /// The connection ends its kept transactions: a run in one of them ends first.
    void endKeptRun();

    // What the cursor of the current run uses.
    IbConnection& connection() { return *m_connection; }
    const RowLayout& layout() const { return m_layout; }
    /// Fetches up to the rows-per-fetch count into the row block; gives the
    /// number fetched, sets *atEnd at the end of the rows, and -1 on a failure
    /// (the text is in *error).
    int fetchBlock(bool* atEnd, std::string* error);
    /// Start of row slot `slot` in the row block.
    const char* row(std::size_t slot) const { return m_block.data() + slot * m_layout.rowBytes; }
    /// The transaction of the current run (points at 0 when none stands).
    isc_tr_handle* transaction() { return m_run.handle(); }
    /// A cursor of this command is being freed.
    void cursorReleased(IbCursor* cursor);

private:
    /// A bound value, kept here because the caller's buffer is only lent.
    struct Param {
        bool set = false;
        bool blob = false;     // bytes go into a new blob at execute
        short null = 0;
        short describedType = SQL_TEXT; // as the server described the marker
        short describedSubType = 0;
        short describedScale = 0;
        short describedLength = 0;
        std::string bytes;     // text, bytes, blob contents
        alignas(8) char number[16] {};
        ISC_QUAD blobId {};
    };

    ~IbCommand() override;
    dbx::Result bindValue(std::uint16_t number, Param& p, XSQLVAR& var, std::uint16_t type,
                          std::uint32_t length, const void* buffer);
    /// Text, bytes and blobs: inline text, or a blob made at run time for a blob marker.
    dbx::Result bindBytes(const std::string& which, Param& p, XSQLVAR& var, std::uint16_t type,
                          std::uint32_t length, const void* buffer);
    /// Makes the blobs of the bound values in `tr`, the run's transaction.
    ISC_STATUS writeBlobs(isc_tr_handle* tr, ISC_STATUS* status);
    /// Where the next run takes place: the one place that decides a run's mode.
    Run nextRun() const;
    /// Starts a run: its transaction, then the statement in it, run again
    /// read-write when runAgainReadWrite says so.
    ISC_STATUS startRun(XSQLDA* out, ISC_STATUS* status);
    /// The one place of the rule that only a SELECT is ever run again
    /// read-write: true when `run`, a read-only run, was refused a write
    /// before any row left; the next run is then read-write.
    bool runAgainReadWrite(const TransactionLease& run, const ISC_STATUS* status);
    /// Ends the current run: its cursor object lets go, and finishRun().
    dbx::Result endRun(bool commit);
    /// Ends the run on the server: its cursor closes and its work commits (or not).
    dbx::Result finishRun(bool commit);
    bool isQuery() const;
    void dropStatement();
    std::uint32_t countRows(ISC_STATUS* status);

    IbConnection* m_connection;
    isc_stmt_handle m_stmt = 0;
    bool m_prepared = false;
    int m_statementType = 0;
    SqlArea m_in;
    SqlArea m_out;
    RowLayout m_layout;
    std::vector<Param> m_params;
    std::vector<char> m_block;
    std::size_t m_rowsetSize = 20;
    std::size_t m_blockRows = 1;

    TransactionLease m_run;      // the current run's transaction; empty when none stands
    bool m_delivered = false;    // the current run has handed out rows
    bool m_selectWrites = false; // a SELECT that turned out to write (WITH LOCK, procedures)
    IbCursor* m_cursor = nullptr;
    std::uint32_t m_rowsAffected = 0;
};

} // namespace didu::ib
