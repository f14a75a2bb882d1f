#include "tests/driver/driversession.h"

#include "platform/library.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <memory>

namespace didu::test {

Bind Bind::int16(std::int16_t v)
{
    Bind b {dbx::FieldInt16, std::string(2, '\0'), false};
    std::memcpy(b.bytes.data(), &v, 2);
    return b;
}

Bind Bind::int32(std::int32_t v)
{
    Bind b {dbx::FieldInt32, std::string(4, '\0'), false};
    std::memcpy(b.bytes.data(), &v, 4);
    return b;
}

GetSQLDriverFunc driverEntry()
{
    static std::shared_ptr<LoadedLibrary> library = LoadedLibrary::load(executableDirectory() + "/libdbxint.so");
    if (!library)
        throw std::runtime_error("cannot load libdbxint.so: " + LoadedLibrary::lastLoadError());
    auto entry = reinterpret_cast<GetSQLDriverFunc>(library->symbol("getSQLDriverINTERBASE"));
    if (!entry)
        throw std::runtime_error("libdbxint.so has no getSQLDriverINTERBASE");
    return entry;
}

std::string messageOf(dbx::ISQLObject* object)
{
    std::uint16_t length = 0;
    if (object->getErrorMessageLen(&length) != dbx::ResultOk)
        return "(no message)";
    std::string text(length + 1u, '\0');
    object->getErrorMessage(text.data());
    text.resize(length);
    return text;
}

void check(dbx::Result result, dbx::ISQLObject* object)
{
    if (result != dbx::ResultOk)
        throw DriverFailure(result, object ? messageOf(object) : std::string());
}

namespace {

std::string scaled(std::int64_t value, int decimals)
{
    std::string digits = std::to_string(value < 0 ? -static_cast<unsigned long long>(value)
                                                  : static_cast<unsigned long long>(value));
    if (decimals > 0) {
        const auto d = static_cast<std::size_t>(decimals);
        if (digits.size() <= d)
            digits.insert(0, d - digits.size() + 1, '0');
        digits.insert(digits.size() - d, 1, '.');
    }
    return value < 0 ? "-" + digits : digits;
}

std::string dateText(const dbx::Date& d)
{
    char b[32];
    std::snprintf(b, sizeof b, "%04d-%02u-%02u", d.year, unsigned(d.month), unsigned(d.day));
    return b;
}

std::string timeText(const dbx::Time& t)
{
    char b[32];
    std::snprintf(b, sizeof b, "%02u:%02u:%02u.%04u", unsigned(t.hour), unsigned(t.minute), unsigned(t.second),
                  unsigned(t.fraction));
    return b;
}

} // namespace

namespace {

// A fixed-size value read with `getter`, as text made by `text`.
template <typename T, typename Getter, typename Text>
Value fixedText(dbx::ISQLCursor* c, std::uint16_t column, Getter getter, Text text)
{
    T v{};
    std::int32_t blank = 0;
    check((c->*getter)(column, &v, &blank), c);
    return blank ? Value() : Value(text(v));
}

Value stringText(dbx::ISQLCursor* c, std::uint16_t column)
{
    std::uint32_t length = 0;
    check(c->getColumnLength(column, &length), c);
    std::string buffer(length, '\x7f');
    std::int32_t blank = 0;
    check(c->getString(column, buffer.data(), &blank), c);
    return blank ? Value() : Value(std::string(buffer.c_str()));
}

Value bytesText(dbx::ISQLCursor* c, std::uint16_t column)
{
    std::uint32_t length = 0;
    check(c->getColumnLength(column, &length), c);
    std::string buffer(length, '\0');
    std::uint32_t got = 0;
    std::int32_t blank = 0;
    check(c->getBytes(column, reinterpret_cast<std::uint8_t*>(buffer.data()), &got, &blank), c);
    return blank ? Value() : Value(buffer.substr(0, got));
}

Value blobText(dbx::ISQLCursor* c, std::uint16_t column)
{
    std::uint32_t size = 0;
    std::int32_t blank = 0;
    check(c->getBlobSize(column, &size, &blank), c);
    if (blank)
        return std::nullopt;
    std::string buffer(size, '\0');
    check(c->getBlob(column, buffer.data(), &blank, size), c);
    return buffer;
}

} // namespace

Value cellText(dbx::ISQLCursor* c, std::uint16_t column)
{
    using C = dbx::ISQLCursor;
    std::uint16_t type = 0;
    std::uint16_t subType = 0;
    check(c->getColumnType(column, &type, &subType), c);
    auto decimal = [](auto v) { return std::to_string(v); };
    switch (type) {
    case dbx::FieldZString: return stringText(c, column);
    case dbx::FieldInt16: return fixedText<std::int16_t>(c, column, &C::getShort, decimal);
    case dbx::FieldInt32: return fixedText<std::int32_t>(c, column, &C::getLong, decimal);
    case dbx::FieldInt64: return fixedText<std::int64_t>(c, column, &C::getInt64, decimal);
    case dbx::FieldBcd:
        return fixedText<dbx::Bcd>(c, column, &C::getBcd, [](const dbx::Bcd& v) { return scaled(v.unscaled, v.scale); });
    case dbx::FieldFloat:
        return fixedText<double>(c, column, &C::getDouble, [](double v) {
            char b[64];
            return std::string(b, std::to_chars(b, b + sizeof b, v).ptr);
        });
    case dbx::FieldDate: return fixedText<dbx::Date>(c, column, &C::getDate, dateText);
    case dbx::FieldTime: return fixedText<dbx::Time>(c, column, &C::getTime, timeText);
    case dbx::FieldTimeStamp:
        return fixedText<dbx::TimeStamp>(c, column, &C::getTimeStamp, [](const dbx::TimeStamp& v) {
            return dateText(v.date) + " " + timeText(v.time);
        });
    case dbx::FieldBool:
        return fixedText<std::int16_t>(c, column, &C::getShort,
                                       [](std::int16_t v) { return std::string(v ? "TRUE" : "FALSE"); });
    case dbx::FieldBytes: return bytesText(c, column);
    case dbx::FieldBlob: return blobText(c, column);
    default:
        throw std::runtime_error("column " + std::to_string(column) + " has type " + std::to_string(type));
    }
}

std::vector<Row> readAll(dbx::ISQLCursor* cursor)
{
    std::uint16_t columns = 0;
    check(cursor->getColumnCount(&columns), cursor);
    std::vector<Row> rows;
    for (;;) {
        const dbx::Result r = cursor->next();
        if (r == dbx::ResultEndOfData || r == dbx::ResultEndOfDataAlt)
            return rows;
        check(r, cursor);
        Row row;
        for (std::uint16_t i = 1; i <= columns; ++i)
            row.push_back(cellText(cursor, i));
        rows.push_back(std::move(row));
    }
}

void bindAll(dbx::ISQLCommand* command, const std::vector<Bind>& params)
{
    for (std::size_t i = 0; i < params.size(); ++i) {
        const Bind& b = params[i];
        const std::int32_t precision = b.type == dbx::FieldZString ? static_cast<std::int32_t>(b.bytes.size() - 1) : 0;
        check(command->setParameter(static_cast<std::uint16_t>(i + 1), 0, dbx::ParamIn, b.type, 0, precision, 0,
                                    static_cast<std::uint32_t>(b.bytes.size()), b.null ? nullptr : b.bytes.data(),
                                    b.null),
              command);
    }
}

DriverSession::DriverSession(const TempDatabase& db, const std::vector<std::pair<std::int32_t, std::intptr_t>>& options)
    : DriverSession(db, options, nullptr)
{
}

DriverSession::DriverSession(const TempDatabase& db, const std::vector<std::pair<std::int32_t, std::intptr_t>>& options,
                             dbx::ISQLDriver* driver)
{
    if (driver) {
        driver->addRef();
        m_driver = driver;
    } else {
        check(driverEntry()("libfbclient.so.2", "", &m_driver), nullptr);
    }
    check(m_driver->getSQLConnection(&m_connection), m_driver);
    for (const auto& [option, value] : options)
        check(m_connection->setOption(option, value), m_connection);
    check(m_connection->connect(db.databasePath().c_str(), "sysdba", "quietfern"), m_connection);
}

DriverSession::~DriverSession()
{
    if (m_connection) {
        m_connection->disconnect();
        m_connection->release();
    }
    if (m_driver)
        m_driver->release();
}

dbx::ISQLCommand* DriverSession::command()
{
    dbx::ISQLCommand* command = nullptr;
    check(m_connection->getSQLCommand(&command), m_connection);
    return command;
}

std::uint32_t DriverSession::exec(const std::string& sql, const std::vector<Bind>& params)
{
    Ref<dbx::ISQLCommand> command(this->command());
    check(command->prepare(sql.c_str(), static_cast<std::uint16_t>(params.size())), command.p);
    bindAll(command.p, params);
    Ref<dbx::ISQLCursor> cursor;
    check(command->execute(cursor.out()), command.p);
    if (cursor.p)
        throw std::runtime_error(sql + ": gave a cursor");
    std::uint32_t rows = 0;
    check(command->getRowsAffected(&rows), command.p);
    check(command->close(), command.p);
    return rows;
}

std::vector<Row> DriverSession::select(const std::string& sql, const std::vector<Bind>& params, std::intptr_t rowsetSize)
{
    Ref<dbx::ISQLCommand> command(this->command());
    check(command->setOption(dbx::CommandRowsetSize, rowsetSize), command.p);
    check(command->prepare(sql.c_str(), static_cast<std::uint16_t>(params.size())), command.p);
    bindAll(command.p, params);
    Ref<dbx::ISQLCursor> cursor;
    check(command->execute(cursor.out()), command.p);
    if (!cursor.p)
        throw std::runtime_error(sql + ": gave no cursor");
    return readAll(cursor.p);
}

ExecutedCommand::ExecutedCommand(const TempDatabase& db, const std::string& sql)
    : session(db), command(session.command())
{
    check(command->prepare(sql.c_str(), 0), command.p);
    check(command->execute(cursor.out()), command.p);
}

} // namespace didu::test
