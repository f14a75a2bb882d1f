// A statement's transaction as one value. Every run of a statement (and every
// prepare) takes part in exactly one transaction, which the connection hands out
// as a lease: begun by IbConnection::begin, ended exactly once, by commit() when
// the statement completed, or by leave() or going out of scope when it did not.
// A moved-from lease is empty and ends nothing.
#pragma once

#include "drivers/interbase/fbclient.h"

#include <chrono>
#include <functional>

namespace didu::ib {

class IbConnection;

/// Where a run of a statement takes place, and so how it ends.
enum class Run {
    SharedRead,    // the connection's kept read transaction: a prepare, a plain SELECT
    OwnRead,       // a read-only transaction of the statement's own
    OwnWrite,      // a read-write transaction of the statement's own
    RetainedWrite, // the connection's kept read-write transaction (commit retaining)
};

/// The time a kept transaction's life is measured on. The driver hands out
/// steady_clock::now; a test passes its own and moves it.
using SteadyClock = std::function<std::chrono::steady_clock::time_point()>;

/// A transaction the connection keeps between statements: the read transaction,
/// or the read-write one of commit retaining.
struct KeptTransaction {
    isc_tr_handle handle = 0;
    std::chrono::steady_clock::time_point started;
    int leases = 0; // leases standing in it now: it is renewed only between them
};

class TransactionLease {
public:
    /// An empty lease: no transaction.
    TransactionLease() = default;
    TransactionLease(TransactionLease&& other) noexcept;
    TransactionLease& operator=(TransactionLease&& other) noexcept;
    TransactionLease(const TransactionLease&) = delete;
    TransactionLease& operator=(const TransactionLease&) = delete;
    ~TransactionLease() { leave(); }

    explicit operator bool() const { return m_connection != nullptr; }
    /// True for a read-only run: only a SELECT ever gets one.
    bool readOnly() const { return m_run == Run::SharedRead || m_run == Run::OwnRead; }
    /// True when the transaction is one the connection keeps between statements.
    bool kept() const { return m_kept != nullptr; }
    /// The transaction's handle, for the statement's calls and its blobs; points
    /// at 0 for an empty lease.
    isc_tr_handle* handle() { return m_kept ? &m_kept->handle : &m_own; }

    /// The statement completed: its work commits (a transaction of its own
    /// commits and ends; the kept read-write one commits retaining; the read
    /// transaction has nothing to commit). The lease is empty afterwards, also
    /// when the commit failed (an own transaction is then rolled back).
    ISC_STATUS commit(ISC_STATUS* status);
    /// The statement did not complete: a transaction of its own rolls back, a
    /// kept one is left as it is (a failed statement has already been undone
    /// by its own savepoint). The lease is empty afterwards.
    void leave() noexcept;

private:
    friend class IbConnection;
    TransactionLease(IbConnection* connection, Run run, KeptTransaction* kept)
        : m_connection(connection), m_run(run), m_kept(kept) {}

    IbConnection* m_connection = nullptr;
    Run m_run = Run::SharedRead;
    KeptTransaction* m_kept = nullptr; // null for a transaction of the statement's own
    isc_tr_handle m_own = 0;
};

} // namespace didu::ib
