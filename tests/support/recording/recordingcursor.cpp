// The recorded cursor: walks scripted rows and converts each text value to the
// type its getter asks for.
#include "tests/support/recording/recordingobject.h"

#include <cstdio>
#include <cstdlib>

namespace didu::recording {

namespace {

std::string column(std::uint16_t c)
{
    return std::to_string(c);
}

class Cursor final : public Recorded<dbx::ISQLCursor> {
public:
    explicit Cursor(Rows rows) : Recorded("Cursor"), m_rows(std::move(rows)) {}

    dbx::Result getColumnCount(std::uint16_t* count) override
    {
        if (const dbx::Result r = call("getColumnCount", ""))
            return r;
        *count = static_cast<std::uint16_t>(m_rows.columns.size());
        return dbx::ResultOk;
    }

    dbx::Result getColumnNameLength(std::uint16_t c, std::uint16_t* length) override
    {
        return describe("getColumnNameLength", c, length, [](const Column& col) { return col.name.size(); });
    }

    dbx::Result getColumnName(std::uint16_t c, char* name) override
    {
        const Column* col = nullptr;
        if (const dbx::Result r = described("getColumnName", c, &col))
            return r;
        std::memcpy(name, col->name.c_str(), col->name.size() + 1);
        return dbx::ResultOk;
    }

    dbx::Result getColumnType(std::uint16_t c, std::uint16_t* type, std::uint16_t* subType) override
    {
        const Column* col = nullptr;
        if (const dbx::Result r = described("getColumnType", c, &col))
            return r;
        *type = col->type;
        *subType = col->subType;
        return dbx::ResultOk;
    }

    dbx::Result getColumnLength(std::uint16_t c, std::uint32_t* length) override
    {
        const Column* col = nullptr;
        if (const dbx::Result r = described("getColumnLength", c, &col))
            return r;
        if (col->length) {
            *length = col->length;
            return dbx::ResultOk;
        }
        std::size_t longest = 1;
        for (const Row& row : m_rows.rows)
            if (c - 1u < row.size() && row[c - 1u] && row[c - 1u]->size() > longest)
                longest = row[c - 1u]->size();
        *length = static_cast<std::uint32_t>(longest + 1);
        return dbx::ResultOk;
    }

    dbx::Result getColumnPrecision(std::uint16_t c, std::int16_t* precision) override
    {
        return describe("getColumnPrecision", c, precision, [](const Column& col) { return col.precision; });
    }

    dbx::Result getColumnScale(std::uint16_t c, std::int16_t* scale) override
    {
        return describe("getColumnScale", c, scale, [](const Column& col) { return col.scale; });
    }

    dbx::Result isNullable(std::uint16_t c, std::int32_t* nullable) override
    {
        return describe("isNullable", c, nullable, [](const Column& col) { return col.nullable ? 1 : 0; });
    }

    dbx::Result isReadOnly(std::uint16_t c, std::int32_t* readOnly) override
    {
        return describe("isReadOnly", c, readOnly, [](const Column& col) { return col.readOnly ? 1 : 0; });
    }

    dbx::Result next() override
    {
        if (const dbx::Result r = call("next", ""))
            return r;
        if (m_current + 1 >= static_cast<long>(m_rows.rows.size())) {
            m_current = static_cast<long>(m_rows.rows.size());
            return dbx::ResultEndOfData;
        }
        ++m_current;
        return dbx::ResultOk;
    }

    dbx::Result getString(std::uint16_t c, char* value, std::int32_t* isBlank) override
    {
        const Value* v = nullptr;
        if (const dbx::Result r = current("getString", c, &v, isBlank))
            return r;
        std::string text = *v ? **v : std::string();
        const std::uint32_t declared = m_rows.columns[c - 1u].length;
        if (declared && text.size() + 1 > declared)
            text.resize(declared - 1);
        std::memcpy(value, text.c_str(), text.size() + 1);
        return dbx::ResultOk;
    }

    dbx::Result getShort(std::uint16_t c, std::int16_t* value, std::int32_t* isBlank) override
    {
        return number("getShort", c, value, isBlank);
    }
    dbx::Result getLong(std::uint16_t c, std::int32_t* value, std::int32_t* isBlank) override
    {
        return number("getLong", c, value, isBlank);
    }
    dbx::Result getInt64(std::uint16_t c, std::int64_t* value, std::int32_t* isBlank) override
    {
        return number("getInt64", c, value, isBlank);
    }

    dbx::Result getDouble(std::uint16_t c, double* value, std::int32_t* isBlank) override
    {
        return read("getDouble", c, value, isBlank,
                    [](const std::string& t) { return std::strtod(t.c_str(), nullptr); });
    }

    dbx::Result getBcd(std::uint16_t c, dbx::Bcd* value, std::int32_t* isBlank) override
    {
        const Value* v = nullptr;
        if (const dbx::Result r = current("getBcd", c, &v, isBlank))
            return r;
        *value = {0, 0};
        if (!*v)
            return dbx::ResultOk;
        const std::string& t = **v;
        const auto dot = t.find('.');
        const std::string digits = dot == std::string::npos ? t : t.substr(0, dot) + t.substr(dot + 1);
        value->unscaled = std::strtoll(digits.c_str(), nullptr, 10);
        value->scale = static_cast<std::int16_t>(dot == std::string::npos ? 0 : t.size() - dot - 1);
        return dbx::ResultOk;
    }

    // Dates and times are scripted as "YYYY-MM-DD", "HH:MM:SS" or both, blank between.
    dbx::Result getTimeStamp(std::uint16_t c, dbx::TimeStamp* value, std::int32_t* isBlank) override
    {
        return read("getTimeStamp", c, value, isBlank, [](const std::string& t) {
            const auto blank = t.find(' ');
            return dbx::TimeStamp{dateOf(t), blank == std::string::npos ? dbx::Time{} : timeOf(t.substr(blank + 1))};
        });
    }
    dbx::Result getTime(std::uint16_t c, dbx::Time* value, std::int32_t* isBlank) override
    {
        return read("getTime", c, value, isBlank, timeOf);
    }
    dbx::Result getDate(std::uint16_t c, dbx::Date* value, std::int32_t* isBlank) override
    {
        return read("getDate", c, value, isBlank, dateOf);
    }

    dbx::Result getBytes(std::uint16_t c, std::uint8_t* value, std::uint32_t* length, std::int32_t* isBlank) override
    {
        const Value* v = nullptr;
        if (const dbx::Result r = current("getBytes", c, &v, isBlank))
            return r;
        const std::string bytes = *v ? **v : std::string();
        std::memcpy(value, bytes.data(), bytes.size());
        *length = static_cast<std::uint32_t>(bytes.size());
        return dbx::ResultOk;
    }

    dbx::Result getBlobSize(std::uint16_t c, std::uint32_t* length, std::int32_t* isBlank) override
    {
        return read("getBlobSize", c, length, isBlank, [](const std::string& t) { return t.size(); });
    }

    dbx::Result getBlob(std::uint16_t c, void* value, std::int32_t* isBlank, std::uint32_t length) override
    {
        const Value* v = nullptr;
        if (const dbx::Result r = current("getBlob", c, &v, isBlank, ", " + std::to_string(length)))
            return r;
        if (*v)
            std::memcpy(value, (*v)->data(), (*v)->size() < length ? (*v)->size() : length);
        return dbx::ResultOk;
    }

private:
    dbx::Result described(const char* operation, std::uint16_t c, const Column** col)
    {
        if (const dbx::Result r = call(operation, column(c)))
            return r;
        if (c < 1 || c > m_rows.columns.size())
            return dbx::ResultOutOfRange;
        *col = &m_rows.columns[c - 1u];
        return dbx::ResultOk;
    }

    dbx::Result current(const char* operation, std::uint16_t c, const Value** value, std::int32_t* isBlank,
                        const std::string& more = {})
    {
        if (const dbx::Result r = call(operation, column(c) + more))
            return r;
        if (c < 1 || c > m_rows.columns.size())
            return dbx::ResultOutOfRange;
        if (m_current < 0 || m_current >= static_cast<long>(m_rows.rows.size()))
            return 10; // not on a row
        static const Value null;
        const Row& row = m_rows.rows[static_cast<std::size_t>(m_current)];
        *value = c - 1u < row.size() ? &row[c - 1u] : &null;
        if (isBlank)
            *isBlank = **value ? 0 : 1;
        return dbx::ResultOk;
    }

    /// The column's description, converted by `read` into `*out`.
    template <class T, class Read>
    dbx::Result describe(const char* operation, std::uint16_t c, T* out, Read read)
    {
        const Column* col = nullptr;
        if (const dbx::Result r = described(operation, c, &col))
            return r;
        *out = static_cast<T>(read(*col));
        return dbx::ResultOk;
    }

    /// The current row's value converted by `convert` into `*out`; NULL gives T{}.
    template <class T, class Convert>
    dbx::Result read(const char* operation, std::uint16_t c, T* out, std::int32_t* isBlank, Convert convert)
    {
        const Value* v = nullptr;
        if (const dbx::Result r = current(operation, c, &v, isBlank))
            return r;
        *out = *v ? static_cast<T>(convert(**v)) : T{};
        return dbx::ResultOk;
    }

    template <class T>
    dbx::Result number(const char* operation, std::uint16_t c, T* out, std::int32_t* isBlank)
    {
        return read(operation, c, out, isBlank,
                    [](const std::string& t) { return std::strtoll(t.c_str(), nullptr, 10); });
    }

    static dbx::Date dateOf(const std::string& text)
    {
        dbx::Date date{};
        unsigned month = 0, day = 0;
        std::sscanf(text.c_str(), "%d-%u-%u", &date.year, &month, &day);
        date.month = static_cast<std::uint16_t>(month);
        date.day = static_cast<std::uint16_t>(day);
        return date;
    }

    static dbx::Time timeOf(const std::string& text)
    {
        unsigned h = 0, mi = 0, s = 0;
        std::sscanf(text.c_str(), "%u:%u:%u", &h, &mi, &s);
        return {static_cast<std::uint16_t>(h), static_cast<std::uint16_t>(mi), static_cast<std::uint16_t>(s), 0};
    }

    Rows m_rows;
    long m_current = -1;
};

} // namespace

dbx::ISQLCursor* makeCursor(Rows rows)
{
    return new Cursor(std::move(rows));
}

} // namespace didu::recording
