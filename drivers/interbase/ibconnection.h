// A connection to one Firebird database, and the owner of the transaction scheme
// every statement of the driver follows.
//
// Commit per statement. The contract offers no transaction calls, so each
// statement's work is committed when the statement completes, and nothing that
// a statement did waits for a later call to become visible:
//   - statements are prepared, and plain SELECTs run, in the connection's read
//     transaction: read-only, read committed, so each statement sees every row
//     committed before it, the connection's own inserts included. It is kept
//     between statements because starting and committing one per lookup would
//     double a lookup's round trips through a server;
//   - a SELECT under repeatable read (option 6), and one with blob parameters
//     (whose temporary blobs live as long as the transaction they were made in),
//     runs in a read-only transaction of its own, committed when its cursor is
//     released: its snapshot is the statement's, never older;
//   - every other statement runs in a read-write transaction of its own,
//     committed right after it completes (rolled back when it failed), with the
//     isolation and lock waiting of options 6 and 4 (a SELECT that is refused a
//     write, such as one WITH LOCK, is run again read-write if no row has left
//     yet). With option 5 (commit retaining) they share one kept read-write
//     transaction instead and end with isc_commit_retaining, which commits the
//     same way but keeps the context, open cursors included.
// A transaction that stays between statements holds back garbage collection on
// Firebird 4 (which runs read committed as read consistency), and under commit
// retaining on every version, for as long as it lives. So a kept transaction is
// renewed, once nothing runs in it, when it has lived longer than
// kKeptTransactionLife, and it ends when the caller says its unit of work is
// over (option 42) and at disconnect: an idle connection holds back nothing.
//
// What each statement costs through a server is measured, and the reasons for
// each round trip are given, by bench/transfer (transfer_bench --server).
//
// Options that act: 3 role, 4 lock waiting, 5 commit retaining, 6 isolation,
// 10 host name and 23 port (prefixed to the database), 15 connection character
// set, 16 SQL dialect, 25 trimming of fixed-length text, 32 connect timeout,
// 26 a name to split into 27/28/29, 41 the link check, 42 the end of a unit of
// work. Options 0, 1, 2, 20, 22 and 31 are accepted and change nothing.
// Option 14 answers 0: no limit of statements per connection.
#pragma once

#include "drivers/interbase/fbclient.h"
#include "drivers/interbase/objectbase.h"

#include <chrono>
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
    /// A transaction the connection keeps between statements: the read
    /// transaction, or the read-write one of commit retaining.
    struct KeptTransaction {
        isc_tr_handle handle = 0;
        std::chrono::steady_clock::time_point started;
        int runs = 0; // statements running in it now
    };
    /// The read transaction, for a prepare or a plain SELECT's run: started or
    /// renewed as needed; the caller leaves it with leave(). Null (with `status`
    /// set) when it cannot start.
    isc_tr_handle* enterRead(ISC_STATUS* status) { return enter(m_read, m_readTpb, status); }
    /// The kept read-write transaction of commit retaining, for one statement's run.
    isc_tr_handle* enterRetained(ISC_STATUS* status) { return enter(m_retained, m_writeTpb, status); }
    void leaveRead() { --m_read.runs; }
    /// The kept transactions' handles, for a statement running in one (its blobs).
    isc_tr_handle* readHandle() { return &m_read.handle; }
    isc_tr_handle* retainedHandle() { return &m_retained.handle; }
    void leaveRetained() { --m_retained.runs; }
    /// True when a plain SELECT runs in the read transaction: not so under
    /// repeatable read, which needs a snapshot of the statement's own.
    bool selectsShareReadTransaction() const { return m_isolation != dbx::IsoRepeatableRead; }
    /// True when statements that write share the kept transaction and commit retaining.
    bool commitRetaining() const { return m_commitRetain; }
    /// Starts a statement's own transaction in `*tr`.
    ISC_STATUS beginOwn(bool readOnly, isc_tr_handle* tr, ISC_STATUS* status);
    /// Commits (or rolls back) a statement's own transaction; `*tr` is 0 afterwards.
    ISC_STATUS endOwn(isc_tr_handle* tr, bool commit, ISC_STATUS* status);
    /// Commits the work of a statement that ran in the kept read-write transaction.
    ISC_STATUS commitRetained(ISC_STATUS* status);
    /// Commands register so that a disconnect can end their work first.
    void attach(IbCommand* command) { m_commands.push_back(command); }
    void detach(IbCommand* command);

private:
    ~IbConnection() override;
    std::string databaseName(const std::string& database) const;
    /// True when `database` reaches a server ("host:path", "host/port:path").
    static bool namesServer(const std::string& database);
    /// Opens a plain path: embedded, or through the machine's own server when
    /// the engine may not open the file; false, the failure recorded, when
    /// neither opens it.
    bool attachLocal(const std::string& path, const std::vector<char>& dpb, isc_db_handle* db);
    void buildTransactionBlocks();
    ISC_STATUS startTransaction(const std::vector<char>& tpb, isc_tr_handle* tr, ISC_STATUS* status);
    isc_tr_handle* enter(KeptTransaction& kept, const std::vector<char>& tpb, ISC_STATUS* status);
    /// Ends a kept transaction (commit; rollback when that fails), whatever the link says.
    void finish(KeptTransaction& kept);
    /// The caller's unit of work is over: statements still running in a kept
    /// transaction end, and the kept transactions commit.
    void endWork();
    /// True when the server still answers a ping.
    bool linkAnswers();

    std::shared_ptr<const FbClient> m_client;
    dbx::ISQLDriver* m_driver;
    isc_db_handle m_db = 0;
    bool m_lost = false;
    KeptTransaction m_read;
    KeptTransaction m_retained;
    std::vector<IbCommand*> m_commands;
    std::vector<char> m_readTpb;      // the read transaction
    std::vector<char> m_ownReadTpb;   // a SELECT's own, at the isolation asked for
    std::vector<char> m_writeTpb;

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
