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
// A run holds its transaction as a lease from begin() (transactionlease.h), so
// that it is committed or left exactly once on every path, and a kept one is
// never renewed under a run that still stands in it.
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
#include "drivers/interbase/transactionlease.h"

#include <memory>
#include <string>
#include <vector>

namespace didu::ib {

class IbCommand;

/// The connection object handed out by the driver.
class IbConnection final : public ObjectBase<dbx::ISQLConnection> {
public:
    /// `clock` measures the life of the transactions kept between statements.
    IbConnection(std::shared_ptr<const FbClient> client, dbx::ISQLDriver* driver, SteadyClock clock);

    dbx::Result connect(const char* database, const char* userName, const char* password) override;
    dbx::Result disconnect() override;
    dbx::Result getSQLCommand(dbx::ISQLCommand** command) override;
    dbx::Result getSQLMetaData(dbx::ISQLMetaData** metaData) override;
    dbx::Result setOption(std::int32_t option, std::intptr_t value) override;
    dbx::Result getOption(std::int32_t option, void* value, std::int32_t bufferLength, std::int32_t* length) override;

    // What the commands of this connection use.
    const FbClient& client() const { return *m_client; }
    /// Firebird's reading of `status`; remembers when it says the link is gone.
    FbStatus read(const ISC_STATUS* status);
    /// Its text alone.
    std::string statusText(const ISC_STATUS* status);
    bool connected() const { return m_db != 0; }
    isc_db_handle* database() { return &m_db; }
    unsigned short dialect() const { return m_dialect; }
    bool trimChar() const { return m_trimChar; }
    /// Begins the transaction of a statement's run (or of a prepare, in the
    /// read transaction): a kept one is started or renewed as needed, an own one
    /// started. An empty lease (with `status` set) when it cannot start.
    TransactionLease begin(Run run, ISC_STATUS* status);
    /// True when a plain SELECT runs in the read transaction: not so under
    /// repeatable read, which needs a snapshot of the statement's own.
    bool selectsShareReadTransaction() const { return m_isolation != dbx::IsoRepeatableRead; }
    /// True when statements that write share the kept transaction and commit retaining.
    bool commitRetaining() const { return m_commitRetain; }
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
    /// A lease in `kept`, renewed first when it has lived too long and nothing runs in it.
    TransactionLease keep(KeptTransaction& kept, const std::vector<char>& tpb, Run run, ISC_STATUS* status);
    /// Ends a kept transaction (commit; rollback when that fails), whatever the link says.
    void finish(KeptTransaction& kept);
    /// The caller's unit of work is over: statements still running in a kept
    /// transaction end, and the kept transactions commit.
    void endWork();
    /// True when the server still answers a ping.
    bool linkAnswers();

    std::shared_ptr<const FbClient> m_client;
    dbx::ISQLDriver* m_driver;
    SteadyClock m_clock;
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
