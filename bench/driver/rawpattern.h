// The driver's per-statement scheme written out with plain isc_* calls: the
// yardstick the plugin is measured against.
#pragma once

#include <ibase.h>

#include <string>

namespace didu::bench {

/// One attachment doing lookups, inserts and fetches the way the driver does.
class RawPattern {
public:
    explicit RawPattern(const std::string& database);
    ~RawPattern();

    /// Prepare (in the kept read-only transaction), statement type, read-only
    /// transaction, execute, fetch the first row, close, commit, drop. True when
    /// a row was found.
    bool lookup(const std::string& sql);
    /// Prepare, statement type and markers, describe the markers, read-write
    /// transaction, execute with the text values, rows affected, commit, drop.
    void insert(const std::string& sql, const std::string values[], int count);
    /// Executes a query in a read-only transaction and fetches every row; gives
    /// the number of rows.
    long fetchAll(const std::string& sql);

private:
    isc_db_handle m_db = 0;
    isc_tr_handle m_prepareTr = 0;
};

} // namespace didu::bench
