// The driver plugin against the same work done with plain isc_* calls, on a fresh
// embedded database (forced writes on, as a new database has them): the
// customer pattern of the transfer (a lookup, and an insert when it finds
// nothing), lookups that find their row, and fetching a large result. Prints
// microseconds per operation for both and the plugin's difference.
#include "bench/driver/rawpattern.h"
#include "db/connection/dbxdriver.h"
#include "platform/library.h"
#include "tests/support/tempdb/tempdatabase.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

void ok(dbx::Result r, dbx::ISQLObject* object, const char* what)
{
    if (r == dbx::ResultOk)
        return;
    std::string text;
    std::uint16_t length = 0;
    if (object && object->getErrorMessageLen(&length) == 0) {
        text.resize(length + 1u);
        object->getErrorMessage(text.data());
        text.resize(length);
    }
    throw std::runtime_error(std::string(what) + " failed (" + std::to_string(r) + "): " + text);
}

class Plugin {
public:
    explicit Plugin(const std::string& database)
    {
        m_library = didu::LoadedLibrary::load(didu::executableDirectory() + "/libdbxint.so");
        if (!m_library)
            throw std::runtime_error("cannot load libdbxint.so");
        auto entry = reinterpret_cast<GetSQLDriverFunc>(m_library->symbol("getSQLDriverINTERBASE"));
        ok(entry("libfbclient.so.2", "", &m_driver), nullptr, "entry");
        ok(m_driver->getSQLConnection(&m_connection), m_driver, "connection");
        m_connection->setOption(dbx::ConnRoleName, reinterpret_cast<std::intptr_t>("RoleName"));
        m_connection->setOption(dbx::ConnWaitOnLocks, 1);
        m_connection->setOption(dbx::ConnSqlDialect, 3);
        ok(m_connection->connect(database.c_str(), "sysdba", "quietfern"), m_connection, "connect");
    }
    ~Plugin()
    {
        m_connection->disconnect();
        m_connection->release();
        m_driver->release();
    }

    bool lookup(const std::string& sql)
    {
        dbx::ISQLCommand* command = nullptr;
        ok(m_connection->getSQLCommand(&command), m_connection, "command");
        command->setOption(dbx::CommandRowsetSize, 20);
        ok(command->prepare(sql.c_str(), 0), command, "prepare");
        dbx::ISQLCursor* cursor = nullptr;
        ok(command->execute(&cursor), command, "execute");
        const bool found = cursor->next() == dbx::ResultOk;
        cursor->release();
        command->release();
        return found;
    }

    void insert(const std::string& sql, const std::string values[], int count)
    {
        dbx::ISQLCommand* command = nullptr;
        ok(m_connection->getSQLCommand(&command), m_connection, "command");
        command->setOption(dbx::CommandRowsetSize, 20);
        ok(command->prepare(sql.c_str(), static_cast<std::uint16_t>(count)), command, "prepare");
        for (int i = 0; i < count; ++i)
            ok(command->setParameter(static_cast<std::uint16_t>(i + 1), 0, dbx::ParamIn, dbx::FieldZString, 0,
                                     static_cast<std::int32_t>(values[i].size()), 0,
                                     static_cast<std::uint32_t>(values[i].size() + 1), values[i].c_str(), 0),
               command, "bind");
        dbx::ISQLCursor* cursor = nullptr;
        ok(command->execute(&cursor), command, "execute");
        std::uint32_t rows = 0;
        command->getRowsAffected(&rows);
        command->close();
        command->release();
    }

    long fetchAll(const std::string& sql)
    {
        dbx::ISQLCommand* command = nullptr;
        ok(m_connection->getSQLCommand(&command), m_connection, "command");
        command->setOption(dbx::CommandRowsetSize, 20);
        ok(command->prepare(sql.c_str(), 0), command, "prepare");
        dbx::ISQLCursor* cursor = nullptr;
        ok(command->execute(&cursor), command, "execute");
        long rows = 0;
        std::int32_t id = 0, blank = 0;
        char name[64];
        while (cursor->next() == dbx::ResultOk) {
            // Read each value once, as a caller holding the rows would.
            cursor->getLong(1, &id, &blank);
            cursor->getString(2, name, &blank);
            ++rows;
        }
        cursor->release();
        command->release();
        return rows;
    }

private:
    std::shared_ptr<didu::LoadedLibrary> m_library;
    dbx::ISQLDriver* m_driver = nullptr;
    dbx::ISQLConnection* m_connection = nullptr;
};

double microsecondsPer(long count, const std::function<void(long)>& body)
{
    const auto start = Clock::now();
    for (long i = 0; i < count; ++i)
        body(i);
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count() / static_cast<double>(count);
}

std::string lookupText(const std::string& id)
{
    return "SELECT MEMBER_ID FROM MEMBER \r\n WHERE MEMBER_ID = '" + id + "'\r\n";
}

void report(const char* what, double raw, double plugin)
{
    std::printf("%-34s raw %9.1f us   plugin %9.1f us   difference %+7.1f us (%+.1f%%)\n", what, raw, plugin,
                plugin - raw, raw > 0 ? (plugin - raw) * 100.0 / raw : 0.0);
}

} // namespace

int main(int argc, char** argv)
{
    const long customers = argc > 1 ? std::atol(argv[1]) : 1000;
    try {
        didu::test::TempDatabase db(
            "CREATE TABLE MEMBER (MEMBER_ID VARCHAR(10) NOT NULL PRIMARY KEY, MEMBER_NAME VARCHAR(20), TOTAL_AMT NUMERIC(12,2));"
            "CREATE TABLE DIGITS (D INTEGER);"
            "INSERT INTO DIGITS SELECT 0 FROM RDB$DATABASE UNION ALL SELECT 1 FROM RDB$DATABASE UNION ALL"
            " SELECT 2 FROM RDB$DATABASE UNION ALL SELECT 3 FROM RDB$DATABASE UNION ALL SELECT 4 FROM RDB$DATABASE"
            " UNION ALL SELECT 5 FROM RDB$DATABASE UNION ALL SELECT 6 FROM RDB$DATABASE UNION ALL"
            " SELECT 7 FROM RDB$DATABASE UNION ALL SELECT 8 FROM RDB$DATABASE UNION ALL SELECT 9 FROM RDB$DATABASE;"
            "CREATE TABLE BIG (ID INTEGER, NAME VARCHAR(40));"
            "INSERT INTO BIG SELECT A.D * 10000 + B.D * 1000 + C.D * 100 + E.D * 10 + F.D, 'customer name number one'"
            " FROM DIGITS A, DIGITS B, DIGITS C, DIGITS E, DIGITS F");
        db.detach();
        didu::bench::RawPattern raw(db.databasePath());
        Plugin plugin(db.databasePath());
        const std::string insertText =
            "INSERT INTO MEMBER (MEMBER_ID, MEMBER_NAME, TOTAL_AMT) VALUES (?,?,?) ";

        // The machine is shared: both sides run in small interleaved batches, and
        // each keeps the mean of its best batch, the figure least disturbed by
        // whatever else runs meanwhile.
        const long batch = 25;
        const long batches = std::max(1L, customers / batch);
        std::printf("%ld customers in interleaved batches of %ld, forced writes on\n", batches * batch, batch);
        double rawNew = 1e30, pluginNew = 1e30, rawFound = 1e30, pluginFound = 1e30, rawFetch = 1e30, pluginFetch = 1e30;
        for (long b = 0; b < batches; ++b) {
            const std::string r = "R" + std::to_string(b) + "-";
            const std::string p = "P" + std::to_string(b) + "-";
            rawNew = std::min(rawNew, microsecondsPer(batch, [&](long i) {
                const std::string values[] = {r + std::to_string(i), "name", "0"};
                if (!raw.lookup(lookupText(values[0])))
                    raw.insert(insertText, values, 3);
            }));
            pluginNew = std::min(pluginNew, microsecondsPer(batch, [&](long i) {
                const std::string values[] = {p + std::to_string(i), "name", "0"};
                if (!plugin.lookup(lookupText(values[0])))
                    plugin.insert(insertText, values, 3);
            }));
            rawFound = std::min(rawFound, microsecondsPer(batch, [&](long i) { raw.lookup(lookupText(r + std::to_string(i))); }));
            pluginFound = std::min(pluginFound,
                                   microsecondsPer(batch, [&](long i) { plugin.lookup(lookupText(p + std::to_string(i))); }));
        }
        for (int round = 0; round < 6; ++round) {
            long rows = 1;
            rawFetch = std::min(rawFetch, microsecondsPer(1, [&](long) { rows = raw.fetchAll("SELECT ID, NAME FROM BIG"); })
                                              / static_cast<double>(rows));
            pluginFetch = std::min(pluginFetch, microsecondsPer(1, [&](long) {
                rows = plugin.fetchAll("SELECT ID, NAME FROM BIG");
            }) / static_cast<double>(rows));
        }
        report("new customer: lookup + insert", rawNew, pluginNew);
        report("known customer: lookup", rawFound, pluginFound);
        report("fetch, per row (100000 rows)", rawFetch, pluginFetch);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_driver: %s\n", e.what());
        return 1;
    }
    return 0;
}
