// A connection to one Firebird database, and the owner of the transaction scheme
// every statement of the driver follows.
//
// Commit per statement. The contract offers no transaction calls, so each
// statement's work is committed when the statement completes:
//   - the connection keeps one read-only, read-committed transaction for its
//     whole life. Firebird starts such transactions pre-committed: there is
//     nothing to commit, they hold back no garbage collection, and each statement
//     in one sees every row committed before it. Statements are prepared in it,
//     and a plain SELECT (statement type isc_info_sql_stmt_select) runs in it
//     unless option 6 asks for repeatable read, which needs a snapshot of its own;
//   - every other statement starts a transaction of its own at execute:
//     read-only for a SELECT under repeatable read, read-write for everything
//     else (a SELECT that is refused a write, such as one WITH LOCK or one of a
//     writing procedure, is run again read-write if no row has left yet);
//     isolation and lock waiting follow options 6 and 4 (isc_tpb_read_committed +
//     isc_tpb_rec_version, or isc_tpb_concurrency; isc_tpb_wait or isc_tpb_nowait);
//   - a statement without a cursor is committed (isc_commit_transaction) right
//     after isc_dsql_execute2 returns, and rolled back when it failed;
//   - a statement with a cursor of its own transaction is committed when its
//     cursor is released, or at the latest when its command is closed, executed
//     again or released.
// So a row is visible to every other connection as soon as its insert returned.
// With option 5 (commit retaining) on, the connection instead keeps the
// statements' own transactions open (one read-write; one read-only under
// repeatable read) and ends each statement with isc_commit_retaining, which
// commits the same way but keeps the context. Disconnecting ends every kept
// transaction, also when the link is gone (the handles are dropped whatever the
// server answers), so the next connect starts afresh.
//
// Round trips through a server (Firebird 3 client, protocol 13 and later): a
// lookup costs two (prepare; execute and first fetch together), an insert five
// (prepare; start; execute; rows affected; commit). Each call's count stands
// beside it. Frees and allocations travel with the next request.
//
// Options that act: 3 role, 4 lock waiting, 5 commit retaining, 6 isolation,
// 10 host name and 23 port (prefixed to the database), 15 connection character
// set, 16 SQL dialect, 25 trimming of fixed-length text, 32 connect timeout,
// 26 a name to split into 27/28/29. Options 0, 1, 2, 20, 22 and 31 are accepted
// and change nothing. Option 14 answers 0: no limit of statements per connection.
#pragma once

#include "drivers/interbase/fbclient.h"
#include "drivers/interbase/objectbase.h"

#include <memory>
#include <string>
#include <vector>

namespace didu::ib {

class IbCommand;

/// The connection object handed out by the driver.
class IbConnection final : public ObjectBase<dbx::ISQLConnection> {
public:
    IbConnection(std::shared_ptr<const FbClient> client, dbx::ISQLDriver* driver);

    dbx::Result connect(const char* database, const char* userName, const char* password) override;
    dbx::Result disconnect() override;
    dbx::Result getSQLCommand(dbx::ISQLCommand** command) override;
    dbx::Result getSQLMetaData(dbx::ISQLMetaData** metaData) override;
    dbx::Result setOption(std::int32_t option, std::intptr_t value) override;
    dbx::Result getOption(std::int32_t option, void* value, std::int32_t bufferLength, std::int32_t* length) override;

    // What the commands of this connection use.
    const FbClient& client() const { return *m_client; }
    /// Firebird's text for `status`; remembers when it says the link is gone.
    std::string statusText(const ISC_STATUS* status);
    bool connected() const { return m_db != 0; }
    isc_db_handle* database() { return &m_db; }
    unsigned short dialect() const { return m_dialect; }
    bool trimChar() const { return m_trimChar; }
    /// The long-lived read-only transaction that statements are prepared in and
    /// plain SELECTs run in; null (with `status` set) when it cannot start.
    isc_tr_handle* readTransaction(ISC_STATUS* status);
    /// True when a plain SELECT runs in readTransaction(): it sees what each of
    /// its statements should see (not so under repeatable read).
    bool selectsShareReadTransaction() const { return m_isolation != dbx::IsoRepeatableRead; }
    /// Starts (or, retaining, hands out) a statement's own transaction in `*tr`;
    /// `*retained` tells endStatement how to finish it. Non-zero on failure.
    ISC_STATUS beginStatement(bool readOnly, isc_tr_handle* tr, bool* retained, ISC_STATUS* status);
    /// Commits (or rolls back) a statement's own transaction; `*tr` is 0 afterwards.
    ISC_STATUS endStatement(isc_tr_handle* tr, bool retained, bool commit, ISC_STATUS* status);
    /// Commands register so that a disconnect can end their work first.
    void attach(IbCommand* command) { m_commands.push_back(command); }
    void detach(IbCommand* command);

private:
    ~IbConnection() override;
    std::string databaseName(const std::string& database) const;
    void buildTransactionBlocks();
    ISC_STATUS startTransaction(const std::vector<char>& tpb, isc_tr_handle* tr, ISC_STATUS* status);

    std::shared_ptr<const FbClient> m_client;
    dbx::ISQLDriver* m_driver;
    isc_db_handle m_db = 0;
    bool m_lost = false;
    isc_tr_handle m_readTr = 0;
    isc_tr_handle m_retainedRead = 0;
    isc_tr_handle m_retainedWrite = 0;
    std::vector<IbCommand*> m_commands;
    std::vector<char> m_readTpb;
    std::vector<char> m_writeTpb;
    std::vector<char> m_sharedReadTpb;

    std::string m_role;
    std::string m_charSet;
    std::string m_hostName;
    std::string m_serverPort;
    bool m_waitOnLocks = true;
    bool m_commitRetain = false;
    std::int32_t m_isolation = dbx::IsoReadCommitted;
    unsigned short m_dialect = 3;
    bool m_trimChar = false;
    std::int32_t m_timeout = 0;
    std::string m_nameParts[3]; // catalog, schema, object of option 26
};

} // namespace didu::ib
