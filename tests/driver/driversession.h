// The real driver plugin, loaded with dlopen from beside the test executable, and
// one connection of it to a temporary database; statements are run and read back
// through the driver contract alone, values as text in the same form the
// temporary-database fixture gives, so the two can be compared.
#pragma once

#include "db/connection/dbxdriver.h"
#include "tests/support/tempdb/tempdatabase.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace didu::test {

/// A driver object failed: the code and the object's own message.
struct DriverFailure : std::runtime_error {
    DriverFailure(dbx::Result code, const std::string& message)
        : std::runtime_error(message), code(code) {}
    dbx::Result code;
};

/// One value to bind: its driver type and its bytes as setParameter gets them.
struct Bind {
    std::uint16_t type = dbx::FieldZString;
    std::string bytes;
    bool null = false;

    static Bind text(const std::string& t) { return {dbx::FieldZString, t + '\0', false}; }
    static Bind int16(std::int16_t v);
    static Bind int32(std::int32_t v);
    static Bind nullText() { return {dbx::FieldZString, std::string(1, '\0'), true}; }
};

/// The plugin's entry, loaded once.
GetSQLDriverFunc driverEntry();
/// The last error message of a driver object.
std::string messageOf(dbx::ISQLObject* object);
/// The current row's column as text (see TempDatabase::query); nullopt for NULL.
Value cellText(dbx::ISQLCursor* cursor, std::uint16_t column);

/// Drops one reference of a driver object at scope end.
template <typename T>
struct Ref {
    T* p = nullptr;
    Ref() = default;
    explicit Ref(T* object) : p(object) {}
    ~Ref() { reset(); }
    Ref(const Ref&) = delete;
    Ref& operator=(const Ref&) = delete;
    void reset() { if (p) p->release(); p = nullptr; }
    T* operator->() const { return p; }
    T** out() { reset(); return &p; }
};

class DriverSession {
public:
    /// Connects to `db` (user SYSDBA) after handing over `options` (option, value;
    /// text values as const char* cast to intptr_t).
    explicit DriverSession(const TempDatabase& db,
                           const std::vector<std::pair<std::int32_t, std::intptr_t>>& options = {});
    /// The same over `driver` (which it holds a reference of) instead of the plugin's.
    DriverSession(const TempDatabase& db, const std::vector<std::pair<std::int32_t, std::intptr_t>>& options,
                  dbx::ISQLDriver* driver);
    ~DriverSession();
    DriverSession(const DriverSession&) = delete;
    DriverSession& operator=(const DriverSession&) = delete;

    dbx::ISQLConnection* connection() const { return m_connection; }
    /// A new command (the caller releases it).
    dbx::ISQLCommand* command();
    /// Prepares, binds and executes a statement that returns no rows; gives the
    /// rows affected. Throws DriverFailure.
    std::uint32_t exec(const std::string& sql, const std::vector<Bind>& params = {});
    /// Prepares, binds, executes and reads every row with the given rows per fetch.
    std::vector<Row> select(const std::string& sql, const std::vector<Bind>& params = {}, std::intptr_t rowsetSize = 20);

private:
    dbx::ISQLDriver* m_driver = nullptr;
    dbx::ISQLConnection* m_connection = nullptr;
};

/// Calls `call` and throws DriverFailure with `object`'s message when it fails.
void check(dbx::Result result, dbx::ISQLObject* object);
/// Binds `params` to `command` in order.
void bindAll(dbx::ISQLCommand* command, const std::vector<Bind>& params);
/// Reads every remaining row of `cursor`.
std::vector<Row> readAll(dbx::ISQLCursor* cursor);

/// A session on a database with one command prepared and executed, and the
/// cursor that gave (none for a statement without rows). Throws DriverFailure.
struct ExecutedCommand {
    ExecutedCommand(const TempDatabase& db, const std::string& sql);
    DriverSession session;
    Ref<dbx::ISQLCommand> command;
    Ref<dbx::ISQLCursor> cursor;
};

} // namespace didu::test
