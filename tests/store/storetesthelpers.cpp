#include "tests/store/storetesthelpers.h"

#include "db/statements/storeloader.h"

#include <gtest/gtest.h>

namespace didu::test {

std::unique_ptr<store::IDataPacket> packRows(const std::vector<PackedColumn>& columns,
                                             const std::vector<std::vector<Cell>>& rows,
                                             const std::vector<store::KeyColumn>& order)
{
    auto writer = StoreLoader::make<store::IPacketWriter>(store::PacketWriterClassId);
    for (const auto& column : columns)
        EXPECT_EQ(writer->addColumn(column.name.data(), static_cast<std::uint32_t>(column.name.size()), column.type, 0),
                  store::StatusOk);
    if (!order.empty()) {
        EXPECT_EQ(writer->addKey(store::KeyKind::DefaultOrder, order.data(), static_cast<std::uint16_t>(order.size())),
                  store::StatusOk);
    }
    for (const auto& row : rows) {
        writer->beginRow();
        for (const auto& cell : row) {
            if (std::holds_alternative<std::monostate>(cell))
                writer->putNull();
            else if (const auto* text = std::get_if<std::string>(&cell))
                writer->putText(text->data(), static_cast<std::uint32_t>(text->size()));
            else
                writer->putInt32(static_cast<std::int32_t>(std::get<std::int64_t>(cell)));
        }
        writer->endRow();
    }
    store::IDataPacket* packet = nullptr;
    EXPECT_EQ(writer->finish(&packet), store::StatusOk) << writer->lastError();
    return std::unique_ptr<store::IDataPacket>(packet);
}

LoadedStore loadPacket(std::unique_ptr<store::IDataPacket> packet)
{
    LoadedStore loaded;
    loaded.store = StoreLoader::make<store::IRowStore>(store::RowStoreClassId);
    EXPECT_EQ(loaded.store->load(packet.release()), store::StatusOk) << loaded.store->lastError();
    loaded.cursor = StoreLoader::make<store::IStoreCursor>(store::StoreCursorClassId);
    EXPECT_EQ(loaded.cursor->attach(loaded.store.get()), store::StatusOk);
    return loaded;
}

std::vector<std::string> columnInOrder(LoadedStore& loaded, std::uint16_t column)
{
    std::vector<std::string> out;
    for (loaded.cursor->first(); !loaded.cursor->eof(); loaded.cursor->next()) {
        store::Value value{};
        EXPECT_EQ(loaded.cursor->value(column, &value), store::StatusOk);
        if (value.isNull)
            out.push_back("<null>");
        else if (value.type == store::ColumnType::Text || value.type == store::ColumnType::Bytes)
            out.emplace_back(value.bytes, value.length);
        else
            out.push_back(std::to_string(value.integer));
    }
    return out;
}

} // namespace didu::test
