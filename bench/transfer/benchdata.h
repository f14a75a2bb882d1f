// The sales database the transfer benchmark runs on: CUSTOMER rows of realistic
// width, and MEMBER rows for a given share of them.
#pragma once

#include <cstddef>
#include <string>

namespace didu::bench {

/// CREATE TABLE statements for CUSTOMER and MEMBER, separated by ";".
std::string salesSchema();

/// Inserts `customers` customers into the database at `path`, every
/// `memberEvery`-th of them (from the first) also as a member; 0 makes none.
void fillSalesData(const std::string& path, std::size_t customers, std::size_t memberEvery);

} // namespace didu::bench
