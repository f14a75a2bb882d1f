// The held order: the row store sorts by the packet's default order, ascending
// unless a column is marked descending, NULL before every value, and keeps the
// delivered order among equal keys and when there is no default order.
#include "db/statements/storeloader.h"
#include "tests/store/storetesthelpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>

using namespace didu;
using namespace didu::store;
using didu::test::Cell;
using didu::test::columnInOrder;
using didu::test::loadPacket;
using didu::test::packRows;

namespace {

Cell t(const char* text) { return std::string(text); }
Cell n(std::int64_t value) { return value; }
const Cell null{};

} // namespace

TEST(StoreOrder, RowsAreHeldInTheDefaultOrder)
{
    // Columns: K1 (text), K2 (integer), TAG (text, names the row as delivered).
    const std::vector<didu::test::PackedColumn> columns = {
        {"K1", ColumnType::Text}, {"K2", ColumnType::Int32}, {"TAG", ColumnType::Text}};
    struct Case {
        const char* what;
        std::vector<std::vector<Cell>> rows;
        std::vector<KeyColumn> order;
        std::vector<std::string> tags;
    };
    const std::vector<Case> cases = {
        {"no default order keeps the delivered order",
         {{t("C3"), n(0), t("a")}, {t("C1"), n(0), t("b")}, {t("C2"), n(0), t("c")}}, {}, {"a", "b", "c"}},
        {"text key ascending",
         {{t("C3"), n(0), t("a")}, {t("C1"), n(0), t("b")}, {t("C2"), n(0), t("c")}}, {{0, false}}, {"b", "c", "a"}},
        {"text key descending",
         {{t("C3"), n(0), t("a")}, {t("C1"), n(0), t("b")}, {t("C2"), n(0), t("c")}}, {{0, true}}, {"a", "c", "b"}},
        {"a prefix sorts before the longer text, bytes compare unsigned",
         {{t("AB"), n(0), t("a")}, {t("A"), n(0), t("b")}, {t("\xA4\x40"), n(0), t("c")}, {t("B"), n(0), t("d")}},
         {{0, false}}, {"b", "a", "d", "c"}},
        {"trailing blanks count",
         {{t("A "), n(0), t("a")}, {t("A"), n(0), t("b")}}, {{0, false}}, {"b", "a"}},
        {"integers compare as numbers, not as bytes",
         {{t(""), n(10), t("a")}, {t(""), n(-5), t("b")}, {t(""), n(2), t("c")}, {t(""), n(256), t("d")}},
         {{1, false}}, {"b", "c", "a", "d"}},
        {"NULL before every value ascending, after them descending",
         {{t("B"), n(0), t("a")}, {null, n(0), t("b")}, {t("A"), n(0), t("c")}}, {{0, false}}, {"b", "c", "a"}},
        {"NULL last when descending",
         {{t("B"), n(0), t("a")}, {null, n(0), t("b")}, {t("A"), n(0), t("c")}}, {{0, true}}, {"a", "c", "b"}},
        {"two-column key: the first column first",
         {{t("X"), n(2), t("a")}, {t("W"), n(9), t("b")}, {t("X"), n(1), t("c")}, {t("W"), n(3), t("d")}},
         {{0, false}, {1, false}}, {"d", "b", "c", "a"}},
        {"two-column key with the second descending",
         {{t("X"), n(2), t("a")}, {t("W"), n(9), t("b")}, {t("X"), n(1), t("c")}, {t("W"), n(3), t("d")}},
         {{0, false}, {1, true}}, {"b", "d", "a", "c"}},
        {"equal keys keep the delivered order",
         {{t("K"), n(0), t("a")}, {t("J"), n(0), t("b")}, {t("K"), n(0), t("c")}, {t("K"), n(0), t("d")}},
         {{0, false}}, {"b", "a", "c", "d"}},
        {"already in order",
         {{t("A"), n(0), t("a")}, {t("B"), n(0), t("b")}, {t("C"), n(0), t("c")}}, {{0, false}}, {"a", "b", "c"}},
        {"one row", {{t("A"), n(0), t("a")}}, {{0, false}}, {"a"}},
        {"no rows", {}, {{0, false}}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto loaded = loadPacket(packRows(columns, c.rows, c.order));
        EXPECT_EQ(loaded.store->rowCount(), c.rows.size());
        EXPECT_EQ(columnInOrder(loaded, 2), c.tags);
        std::uint16_t count = 0;
        loaded.store->order(&count);
        EXPECT_EQ(count, c.order.size());
    }
}

TEST(StoreOrder, FixedPointValuesOfAnyScalesCompareExactly)
{
    // (unscaled, scale, tag): the value is unscaled / 10^scale. Far-apart
    // scales and the largest unscaled values must neither overflow nor lose a
    // digit; the tags spell the ascending order.
    const struct {
        std::int64_t unscaled;
        std::int16_t scale;
        const char* tag;
    } values[] = {
        {INT64_MAX, 0, "7"},   {1, 30, "4"},          {-INT64_MAX, 0, "1"},
        {5, -20, "8"},         {0, 400, "3"},         {-3, 25, "2"},
        {INT64_MAX, 18, "5"},  {922337203685477581, 17, "6"},
    };
    auto writer = StoreLoader::make<IPacketWriter>(PacketWriterClassId);
    writer->addColumn("AMOUNT", 6, ColumnType::Bcd, 0);
    writer->addColumn("TAG", 3, ColumnType::Text, 0);
    const KeyColumn order{0, false};
    writer->addKey(KeyKind::DefaultOrder, &order, 1);
    for (const auto& v : values) {
        writer->beginRow();
        writer->putBcd(v.unscaled, v.scale);
        writer->putText(v.tag, 1);
        writer->endRow();
    }
    IDataPacket* packet = nullptr;
    ASSERT_EQ(writer->finish(&packet), StatusOk) << writer->lastError();
    auto loaded = loadPacket(std::unique_ptr<IDataPacket>(packet));
    EXPECT_EQ(columnInOrder(loaded, 1), (std::vector<std::string>{"1", "2", "3", "4", "5", "6", "7", "8"}));
}

TEST(StoreOrder, ManyShuffledRowsComeOutSortedAndWhole)
{
    // Enough rows for the sort itself to matter, with duplicate keys whose
    // delivered order must survive.
    std::vector<std::vector<Cell>> rows;
    std::vector<std::pair<std::string, int>> expected;
    std::mt19937 random(7);
    for (int i = 0; i < 20000; ++i) {
        const std::string key = "C" + std::to_string(random() % 5000);
        rows.push_back({key, n(i)});
        expected.emplace_back(key, i);
    }
    std::stable_sort(expected.begin(), expected.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    auto loaded = loadPacket(packRows({{"ID", ColumnType::Text}, {"SEQ", ColumnType::Int32}}, rows, {{0, false}}));
    const auto ids = columnInOrder(loaded, 0);
    const auto seqs = columnInOrder(loaded, 1);
    ASSERT_EQ(ids.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        ASSERT_EQ(ids[i], expected[i].first) << "row " << i;
        ASSERT_EQ(seqs[i], std::to_string(expected[i].second)) << "row " << i;
    }
}
