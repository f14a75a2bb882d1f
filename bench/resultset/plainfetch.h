// The yardstick: every row of a query fetched through Firebird's client library
// straight into a vector, one text per value, with no layer in between.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace didu::bench {

/// One fetched row: every column's bytes (numbers in their raw bytes), nullopt for NULL.
using PlainRow = std::vector<std::optional<std::string>>;

struct PlainFetch {
    std::vector<PlainRow> rows;
    std::uint64_t textBytes = 0; // bytes of the text values
};

/// Attaches to `database` as SYSDBA, runs `sql` and fetches every row.
PlainFetch fetchAll(const std::string& database, const std::string& sql);

} // namespace didu::bench
