// The store's data-packet reader. Half the inputs are taken as a packet as they
// stand (damaged in every way the fuzzer finds); the other half are a recipe for
// the packet writer: the packet it makes must load and give back every value
// put, and the same packet with one byte changed must load or be refused, never
// read outside itself.
#include "store/storeobjects.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace didu::store;

void check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "property broken: %s\n", what);
        std::abort();
    }
}

IDataPacket* copyPacket(const std::uint8_t* data, std::size_t size)
{
    auto* bytes = static_cast<std::uint8_t*>(std::malloc(size ? size : 1));
    if (size)
        std::memcpy(bytes, data, size);
    return new DataPacket(bytes, size, 0);
}

// Loads a packet and reads every value of every row, touching each byte.
bool loadAndWalk(IDataPacket* packet, std::vector<std::vector<std::string>>* rows)
{
    RowStore store;
    if (store.load(packet) != StatusOk)
        return false;
    for (std::uint16_t c = 0; c < store.columnCount(); ++c) {
        ColumnInfo info {};
        check(store.column(c, &info) == StatusOk, "a held column cannot be described");
    }
    StoreCursor cursor;
    check(cursor.attach(&store) == StatusOk, "cannot attach to a loaded store");
    std::uint32_t seen = 0;
    for (; !cursor.eof(); cursor.next(), ++seen) {
        std::vector<std::string> row;
        for (std::uint16_t c = 0; c < store.columnCount(); ++c) {
            Value value {};
            check(cursor.value(c, &value) == StatusOk, "a held value cannot be read");
            std::string text = value.isNull ? "<null>" : std::to_string(value.integer) + "/" + std::to_string(value.scale);
            if (!value.isNull && (value.type == ColumnType::Text || value.type == ColumnType::Bytes))
                text = std::string(value.bytes, value.length);
            if (!value.isNull && value.type == ColumnType::Float)
                text = std::to_string(value.real);
            row.push_back(std::move(text));
        }
        if (rows)
            rows->push_back(std::move(row));
    }
    check(seen == store.rowCount(), "the cursor met another number of rows than the store holds");
    return true;
}

struct Recipe {
    const std::uint8_t* at;
    const std::uint8_t* end;
    std::uint8_t byte() { return at < end ? *at++ : 0; }
    std::int64_t number()
    {
        std::int64_t v = 0;
        for (int i = 0; i < 8; ++i)
            v = (v << 8) | byte();
        return v;
    }
};

// Puts one value of `type` (or NULL) as the recipe says; answers how it reads back.
std::string putValue(PacketWriter& writer, Recipe& in, ColumnType type)
{
    const std::uint8_t how = in.byte();
    if (how % 5 == 0) {
        writer.putNull();
        return "<null>";
    }
    switch (type) {
    case ColumnType::Text:
    case ColumnType::Bytes: {
        std::string bytes;
        for (int n = how % 40; n > 0; --n)
            bytes += static_cast<char>(in.byte());
        writer.putText(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
        return bytes;
    }
    case ColumnType::Float: {
        const double v = static_cast<double>(in.number() % 1000000) / 8;
        writer.putFloat(v);
        return std::to_string(v);
    }
    case ColumnType::Bcd: {
        const std::int64_t v = in.number();
        const auto scale = static_cast<std::int16_t>(in.byte() % 5);
        writer.putBcd(v, scale);
        return std::to_string(v) + "/" + std::to_string(scale);
    }
    case ColumnType::Int64:
    case ColumnType::TimeStamp: {
        const std::int64_t v = in.number();
        writer.putInt64(v);
        return std::to_string(v) + "/0";
    }
    default: {
        const auto v = static_cast<std::int32_t>(in.number());
        writer.putInt32(v);
        return std::to_string(v) + "/0";
    }
    }
}

void fromRecipe(const std::uint8_t* data, std::size_t size)
{
    Recipe in {data, data + size};
    static const ColumnType kinds[] = {ColumnType::Text,  ColumnType::Int32,     ColumnType::Int64,
                                       ColumnType::Float, ColumnType::Bcd,       ColumnType::Date,
                                       ColumnType::Time,  ColumnType::TimeStamp, ColumnType::Bytes,
                                       ColumnType::Bool};
    PacketWriter writer;
    const int columns = 1 + in.byte() % 5;
    std::vector<ColumnType> types;
    for (int c = 0; c < columns; ++c) {
        types.push_back(kinds[in.byte() % 10]);
        const std::string name = "C" + std::to_string(c);
        check(writer.addColumn(name.data(), static_cast<std::uint32_t>(name.size()), types.back(), in.byte()) == StatusOk,
              "addColumn");
    }
    check(writer.setAttribute("LCID", static_cast<std::int32_t>(in.number())) == StatusOk, "setAttribute");
    std::vector<std::vector<std::string>> expected;
    const int rows = in.byte() % 16;
    for (int r = 0; r < rows; ++r) {
        writer.beginRow();
        std::vector<std::string> row;
        for (const ColumnType type : types)
            row.push_back(putValue(writer, in, type));
        writer.endRow();
        expected.push_back(std::move(row));
    }
    IDataPacket* packet = nullptr;
    check(writer.finish(&packet) == StatusOk && packet, "finish");
    // One byte of the finished packet changed, at a place the input chooses.
    const std::size_t damageAt = static_cast<std::size_t>(in.number() & 0x7fffffff) % packet->size();
    const std::uint8_t damage = in.byte();
    std::vector<std::uint8_t> damaged(packet->data(), packet->data() + packet->size());
    damaged[damageAt] ^= damage;

    std::vector<std::vector<std::string>> held;
    check(loadAndWalk(packet, &held), "a packet the writer made does not load");
    check(held == expected, "the rows read back differ from the rows put");
    loadAndWalk(copyPacket(damaged.data(), damaged.size()), nullptr);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    if (data[0] & 1)
        fromRecipe(data + 1, size - 1);
    else
        loadAndWalk(copyPacket(data + 1, size - 1), nullptr);
    return 0;
}
