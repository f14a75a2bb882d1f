// Packing rows with the plugin's writer and reading them back: every value kind,
// NULL in every position, values written in place, and damaged packets.
#include "db/statements/storeloader.h"
#include "tests/store/storetesthelpers.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <atomic>
#include <thread>

using namespace didu;
using namespace didu::store;
using didu::test::Cell;
using didu::test::columnInOrder;
using didu::test::loadPacket;
using didu::test::packRows;

namespace {

std::unique_ptr<IPacketWriter> newWriter()
{
    return StoreLoader::make<IPacketWriter>(PacketWriterClassId);
}

void addColumn(IPacketWriter& writer, const std::string& name, ColumnType type, std::uint32_t width = 0)
{
    ASSERT_EQ(writer.addColumn(name.data(), static_cast<std::uint32_t>(name.size()), type, width), StatusOk);
}

std::unique_ptr<IDataPacket> finish(IPacketWriter& writer, Status expected = StatusOk)
{
    IDataPacket* packet = nullptr;
    EXPECT_EQ(writer.finish(&packet), expected) << writer.lastError();
    return std::unique_ptr<IDataPacket>(packet);
}

Value valueOf(const IStoreCursor& cursor, std::uint16_t column)
{
    Value value{};
    EXPECT_EQ(cursor.value(column, &value), StatusOk);
    return value;
}

/// A packet made of arbitrary bytes, for damaged input.
class RawPacket final : public IDataPacket {
public:
    explicit RawPacket(std::vector<std::uint8_t> bytes) : m_bytes(std::move(bytes)) {}
    const char* lastError() const override { return ""; }
    const std::uint8_t* data() const override { return m_bytes.data(); }
    std::uint64_t size() const override { return m_bytes.size(); }
    std::uint32_t rowCount() const override { return 0; }

private:
    std::vector<std::uint8_t> m_bytes;
};

} // namespace

TEST(PacketRoundTrip, EveryKindComesBackAsPutWithNullInEveryPosition)
{
    // Ten columns, so that the NULL bitmap spans two bytes.
    const std::vector<std::pair<std::string, ColumnType>> columns = {
        {"T", ColumnType::Text},   {"I", ColumnType::Int32},    {"L", ColumnType::Int64},
        {"F", ColumnType::Float},  {"B", ColumnType::Bcd},      {"D", ColumnType::Date},
        {"H", ColumnType::Time},   {"S", ColumnType::TimeStamp}, {"Y", ColumnType::Bytes},
        {"O", ColumnType::Bool}};
    auto writer = newWriter();
    for (const auto& [name, type] : columns)
        addColumn(*writer, name, type);
    auto putAll = [&](int nullAt) {
        writer->beginRow();
        for (int c = 0; c < 10; ++c) {
            if (c == nullAt) {
                writer->putNull();
                continue;
            }
            switch (columns[static_cast<std::size_t>(c)].second) {
            case ColumnType::Text: writer->putText("ab  ", 4); break;
            case ColumnType::Int32: writer->putInt32(std::numeric_limits<std::int32_t>::min()); break;
            case ColumnType::Int64: writer->putInt64(std::numeric_limits<std::int64_t>::max()); break;
            case ColumnType::Float: writer->putFloat(-1.25); break;
            case ColumnType::Bcd: writer->putBcd(-12345, 2); break;
            case ColumnType::Date: writer->putInt32(20240229); break;
            case ColumnType::Time: writer->putInt32(235959 * 100); break;
            case ColumnType::TimeStamp: writer->putInt64(20240229LL * 864000000 + 1); break;
            case ColumnType::Bytes: writer->putText("\0\1\2", 3); break;
            case ColumnType::Bool: writer->putInt32(1); break;
            }
        }
        writer->endRow();
    };
    for (int nullAt = -1; nullAt < 10; ++nullAt)
        putAll(nullAt);
    auto loaded = loadPacket(finish(*writer));
    ASSERT_EQ(loaded.store->rowCount(), 11u);
    ASSERT_EQ(loaded.store->columnCount(), 10);

    for (int row = 0; row < 11; ++row, loaded.cursor->next()) {
        const int nullAt = row - 1;
        SCOPED_TRACE("NULL in column " + std::to_string(nullAt));
        for (std::uint16_t c = 0; c < 10; ++c) {
            const Value v = valueOf(*loaded.cursor, c);
            EXPECT_EQ(v.type, columns[c].second);
            EXPECT_EQ(v.isNull, c == nullAt) << "column " << c;
            if (v.isNull)
                continue;
            switch (v.type) {
            case ColumnType::Text: EXPECT_EQ(std::string(v.bytes, v.length), "ab  "); break;
            case ColumnType::Int32: EXPECT_EQ(v.integer, std::numeric_limits<std::int32_t>::min()); break;
            case ColumnType::Int64: EXPECT_EQ(v.integer, std::numeric_limits<std::int64_t>::max()); break;
            case ColumnType::Float: EXPECT_EQ(v.real, -1.25); break;
            case ColumnType::Bcd: EXPECT_EQ(v.integer, -12345); EXPECT_EQ(v.scale, 2); break;
            case ColumnType::Date: EXPECT_EQ(v.integer, 20240229); break;
            case ColumnType::Time: EXPECT_EQ(v.integer, 235959 * 100); break;
            case ColumnType::TimeStamp: EXPECT_EQ(v.integer, 20240229LL * 864000000 + 1); break;
            case ColumnType::Bytes: EXPECT_EQ(std::string(v.bytes, v.length), std::string("\0\1\2", 3)); break;
            case ColumnType::Bool: EXPECT_EQ(v.integer, 1); break;
            }
        }
    }
    EXPECT_TRUE(loaded.cursor->eof());
    Value v{};
    EXPECT_EQ(loaded.cursor->value(0, &v), StatusWrongState);
}

TEST(PacketRoundTrip, ValuesWrittenInPlaceKeepTheirNeighbours)
{
    // A room of 300 bytes needs a two-byte length; a short value then needs one,
    // and the value must move up to close the gap.
    struct Case {
        std::uint32_t room;
        std::string value; // "<null>" puts NULL after reserving
    };
    const std::vector<Case> cases = {
        {300, "abc"}, {300, std::string(200, 'x')}, {127, std::string(127, 'y')}, {1, ""},
        {20000, std::string(130, 'z')}, {300, "<null>"}, {16, ""}};
    auto writer = newWriter();
    addColumn(*writer, "A", ColumnType::Text, 300);
    addColumn(*writer, "B", ColumnType::Int32);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        writer->beginRow();
        char* room = writer->reserveValue(cases[i].room);
        ASSERT_NE(room, nullptr);
        if (cases[i].value == "<null>") {
            writer->putNull();
        } else {
            std::memcpy(room, cases[i].value.data(), cases[i].value.size());
            writer->commitValue(static_cast<std::uint32_t>(cases[i].value.size()));
        }
        writer->putInt32(static_cast<std::int32_t>(i));
        writer->endRow();
    }
    auto loaded = loadPacket(finish(*writer));
    std::vector<std::string> expectedA, expectedB;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        expectedA.push_back(cases[i].value);
        expectedB.push_back(std::to_string(i));
    }
    EXPECT_EQ(columnInOrder(loaded, 0), expectedA);
    EXPECT_EQ(columnInOrder(loaded, 1), expectedB);
}

TEST(PacketRoundTrip, MisusedWriterFailsAtFinish)
{
    struct Case {
        const char* what;
        void (*misuse)(IPacketWriter&);
        Status expected;
    };
    const Case cases[] = {
        {"row short of a value", [](IPacketWriter& w) { w.beginRow(); w.putInt32(1); w.endRow(); }, StatusWrongState},
        {"row with a value too many",
         [](IPacketWriter& w) { w.beginRow(); w.putInt32(1); w.putText("a", 1); w.putNull(); w.endRow(); },
         StatusWrongState},
        {"text for an integer column", [](IPacketWriter& w) { w.beginRow(); w.putText("a", 1); w.putText("b", 1); w.endRow(); },
         StatusBadArgument},
        {"value longer than its room",
         [](IPacketWriter& w) { w.beginRow(); w.putInt32(1); w.reserveValue(2); w.commitValue(3); w.endRow(); },
         StatusBadArgument},
        {"row never ended", [](IPacketWriter& w) { w.beginRow(); w.putInt32(1); w.putNull(); }, StatusWrongState},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto writer = newWriter();
        addColumn(*writer, "I", ColumnType::Int32);
        addColumn(*writer, "T", ColumnType::Text);
        c.misuse(*writer);
        EXPECT_EQ(finish(*writer, c.expected), nullptr);
        EXPECT_STRNE(writer->lastError(), "");
    }
    // Keys must name existing columns, and columns come before the rows.
    auto writer = newWriter();
    addColumn(*writer, "I", ColumnType::Int32);
    const KeyColumn outside{1, false};
    EXPECT_EQ(writer->addKey(KeyKind::DefaultOrder, &outside, 1), StatusBadArgument);
    writer->beginRow();
    writer->putInt32(1);
    writer->endRow();
    EXPECT_EQ(writer->addColumn("J", 1, ColumnType::Int32, 0), StatusWrongState);
}

TEST(PacketRoundTrip, DamagedPacketsAreRefusedAndHoldNothing)
{
    auto packet = packRows({{"ID", ColumnType::Text}, {"N", ColumnType::Int32}},
                           {{std::string("C1"), std::int64_t(1)}, {std::string("C2"), Cell{}}});
    const std::vector<std::uint8_t> good(packet->data(), packet->data() + packet->size());
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
    };
    std::vector<Case> cases;
    cases.push_back({"empty", {}});
    cases.push_back({"cut by one byte", std::vector<std::uint8_t>(good.begin(), good.end() - 1)});
    cases.push_back({"header only", std::vector<std::uint8_t>(good.begin(), good.begin() + 16)});
    auto wrongMagic = good;
    wrongMagic[0] = 'X';
    cases.push_back({"wrong magic", wrongMagic});
    auto farTrailer = good;
    farTrailer[4] = 0xFF;
    farTrailer[9] = 0x7F;
    cases.push_back({"trailer beyond the end", farTrailer});
    auto moreRows = good;
    moreRows[12] = 3;
    cases.push_back({"more rows announced than held", moreRows});
    auto fewerRows = good;
    fewerRows[12] = 1;
    cases.push_back({"fewer rows announced than held", fewerRows});
    auto longText = good;
    longText[17] = 0x7F; // the first row's text length (after the one-byte bitmap)
    cases.push_back({"text running past its row", longText});

    for (auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto store = StoreLoader::make<IRowStore>(RowStoreClassId);
        EXPECT_EQ(store->load(new RawPacket(c.bytes)), StatusBadPacket);
        EXPECT_STRNE(store->lastError(), "");
        EXPECT_EQ(store->rowCount(), 0u);
        EXPECT_EQ(store->columnCount(), 0);
    }
    auto store = StoreLoader::make<IRowStore>(RowStoreClassId);
    EXPECT_EQ(store->load(new RawPacket(good)), StatusOk);
    EXPECT_EQ(store->rowCount(), 2u);
}

TEST(PacketRoundTrip, AttributesAndColumnsTravelWithTheRows)
{
    auto writer = newWriter();
    addColumn(*writer, "CUST_ID", ColumnType::Text, 11);
    EXPECT_EQ(writer->setAttribute("LCID", 0x0404), StatusOk);
    EXPECT_EQ(writer->setAttribute("LCID", 0x0409), StatusOk); // set again: the later value holds
    auto loaded = loadPacket(finish(*writer));
    std::int32_t lcid = 0;
    EXPECT_EQ(loaded.store->attribute("LCID", &lcid), StatusOk);
    EXPECT_EQ(lcid, 0x0409);
    EXPECT_EQ(loaded.store->attribute("OTHER", &lcid), StatusBadArgument);
    ColumnInfo info{};
    ASSERT_EQ(loaded.store->column(0, &info), StatusOk);
    EXPECT_EQ(std::string(info.name, info.nameLength), "CUST_ID");
    EXPECT_EQ(info.type, ColumnType::Text);
    EXPECT_EQ(info.width, 11u);
    EXPECT_EQ(loaded.store->column(1, &info), StatusBadArgument);
    // No rows: end of data at once, and moving on changes nothing.
    EXPECT_TRUE(loaded.cursor->eof());
    loaded.cursor->next();
    EXPECT_TRUE(loaded.cursor->eof());
    EXPECT_EQ(loaded.cursor->position(), 0u);
}

TEST(PacketRoundTrip, CursorMovesToEndOfDataAndStaysThere)
{
    auto loaded = loadPacket(packRows({{"N", ColumnType::Int32}}, {{std::int64_t(1)}, {std::int64_t(2)}}));
    EXPECT_EQ(loaded.cursor->position(), 0u);
    EXPECT_EQ(valueOf(*loaded.cursor, 0).integer, 1);
    loaded.cursor->next();
    EXPECT_FALSE(loaded.cursor->eof());
    EXPECT_EQ(valueOf(*loaded.cursor, 0).integer, 2);
    loaded.cursor->next();
    EXPECT_TRUE(loaded.cursor->eof());
    loaded.cursor->next();
    EXPECT_TRUE(loaded.cursor->eof());
    EXPECT_EQ(loaded.cursor->position(), 2u);
    loaded.cursor->first();
    EXPECT_EQ(valueOf(*loaded.cursor, 0).integer, 1);
}

TEST(StoreLoading, ManyThreadsAtOnceAllGetWorkingObjects)
{
    // The plugin is loaded under a lock; every thread must get a usable writer.
    std::vector<std::thread> threads;
    std::atomic<int> working{0};
    for (int i = 0; i < 8; ++i)
        threads.emplace_back([&] {
            auto writer = StoreLoader::make<IPacketWriter>(PacketWriterClassId);
            if (writer->addColumn("A", 1, ColumnType::Int32, 4) == StatusOk)
                ++working;
        });
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(working.load(), 8);
    EXPECT_TRUE(StoreLoader::loaded());
}
