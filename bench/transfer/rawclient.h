// Just enough of Firebird's client library for the benchmark's plain loops and
// its data generator: attach, transactions, statements and one-row buffers.
#pragma once

#include <ibase.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace didu::bench {

/// Raises std::runtime_error with Firebird's text when `status` holds an error.
void check(const ISC_STATUS* status, const char* what);

/// One attachment, detached on destruction.
class RawDatabase {
public:
    /// `path` a file (embedded) or "host/port:path" (a server, which wants `password`).
    explicit RawDatabase(const std::string& path, const std::string& password = {});
    ~RawDatabase();
    RawDatabase(const RawDatabase&) = delete;
    RawDatabase& operator=(const RawDatabase&) = delete;

    isc_db_handle* handle() { return &m_db; }
    /// Whether the database writes its pages through to the disk at once.
    bool forcedWrites();

private:
    isc_db_handle m_db = 0;
};

/// A transaction started with `tpb` (empty: the library's default, a read-write
/// snapshot that waits on locks).
class RawTransaction {
public:
    RawTransaction(RawDatabase& db, const std::vector<char>& tpb);
    ~RawTransaction(); // rolls back what was not committed
    RawTransaction(const RawTransaction&) = delete;
    RawTransaction& operator=(const RawTransaction&) = delete;

    isc_tr_handle* handle() { return &m_tr; }
    void commit();

private:
    isc_tr_handle m_tr = 0;
};

/// Room for the values of one statement's markers or columns.
class RawRow {
public:
    explicit RawRow(short count = 1);
    XSQLDA* sqlda() { return reinterpret_cast<XSQLDA*>(m_storage.data()); }
    /// Sizes the buffers for what the server described.
    void allocate();
    /// Binds `value` as text to marker `index` (never NULL).
    void setText(int index, const std::string& value);
    /// Binds a 16-bit integer to marker `index`.
    void setShort(int index, short value);
    /// Column `index` as text, nullopt for NULL.
    std::optional<std::string> text(int index);

private:
    std::vector<char> m_storage;
    std::vector<std::vector<char>> m_buffers;
    std::vector<short> m_nulls;
};

/// A statement handle, dropped on destruction.
class RawStatement {
public:
    explicit RawStatement(RawDatabase& db);
    ~RawStatement();
    RawStatement(const RawStatement&) = delete;
    RawStatement& operator=(const RawStatement&) = delete;

    /// Prepares `sql` in `tr`, describing its columns into `out` (may be null).
    void prepare(RawTransaction& tr, const std::string& sql, RawRow* out);
    /// Prepares in a bare transaction handle (the drivers' long-lived one).
    void prepare(isc_tr_handle* tr, const std::string& sql, RawRow* out);
    /// The statement type, which the client answers from what came with the prepare.
    int info();
    /// Describes the markers into `in`.
    void describeBind(RawRow& in);
    void execute(isc_tr_handle* tr, RawRow* in);
    /// Fetches into `out`; false at the end.
    bool fetch(RawRow& out);
    /// The rows inserted, updated or deleted by the last execute.
    unsigned rowsAffected();
    void closeCursor();

private:
    isc_stmt_handle m_stmt = 0;
};

} // namespace didu::bench
