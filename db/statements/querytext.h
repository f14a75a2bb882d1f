// What the result set's provider needs to know of a query's text: the one table it
// reads, and the columns of its ORDER BY clause. Plain functions on bytes; they
// read the clauses at the query's own level, skipping literals, quoted names,
// comments and parenthesised sub-queries.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace didu {

/// One item of an ORDER BY clause.
struct OrderItem {
    /// The column's name (the last part of a qualified name), or empty when the
    /// item is a position or something other than a plain column.
    std::string name;
    /// Result column number from 1 for an item given by position, else 0.
    int position = 0;
    bool descending = false;
    /// False for an expression, which names no single column.
    bool plain = true;
};

/// The table a query reads when it reads exactly one: the first name after FROM,
/// with no comma and no JOIN in the table list. Unquoted names come back in upper
/// case, as the database stores them; quoted names as written. Empty otherwise.
std::string singleTableName(std::string_view sql);

/// The items of the query's ORDER BY clause, in order; empty when it has none.
std::vector<OrderItem> orderByItems(std::string_view sql);

} // namespace didu
