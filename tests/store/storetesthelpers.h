// Small builders for the store tests: pack rows with the plugin's writer and read
// them back through its row store and cursor.
#pragma once

#include "db/statements/storecontract.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace didu::test {

/// One value to pack: NULL, text, or an integer (for Int32 columns).
using Cell = std::variant<std::monostate, std::string, std::int64_t>;

struct PackedColumn {
    std::string name;
    store::ColumnType type;
};

/// Packs `rows` under `columns` with `order` as the default order.
std::unique_ptr<store::IDataPacket> packRows(const std::vector<PackedColumn>& columns,
                                             const std::vector<std::vector<Cell>>& rows,
                                             const std::vector<store::KeyColumn>& order = {});

/// A loaded store with a cursor over it.
struct LoadedStore {
    std::unique_ptr<store::IRowStore> store;
    std::unique_ptr<store::IStoreCursor> cursor;
};
LoadedStore loadPacket(std::unique_ptr<store::IDataPacket> packet);

/// Column `column` of every row in held order, as text ("<null>" for NULL).
std::vector<std::string> columnInOrder(LoadedStore& loaded, std::uint16_t column);

} // namespace didu::test
