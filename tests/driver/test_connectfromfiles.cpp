// SQLConnection1 reading the configuration files written into the temporary
// folder, loading the real plugin and connecting to the embedded database: the
// settings of the files reach the engine, and failures read as the operator
// sees them.
#include "db/connection/sqlconnection.h"
#include "platform/errors.h"
#include "tests/driver/driversession.h"

#include <gtest/gtest.h>

namespace {

using namespace didu::test;
using didu::SQLConnection;

std::vector<Row> selectThrough(SQLConnection& connection, const std::string& sql)
{
    Ref<dbx::ISQLCommand> command;
    check(connection.driverConnection()->getSQLCommand(command.out()), connection.driverConnection());
    check(command->prepare(sql.c_str(), 0), command.p);
    Ref<dbx::ISQLCursor> cursor;
    check(command->execute(cursor.out()), command.p);
    return readAll(cursor.p);
}

std::string openFailure(SQLConnection& connection)
{
    try {
        connection.open();
    } catch (const didu::Error& e) {
        return e.what();
    }
    return "(no error)";
}

TEST(ConnectFromFiles, ConnectsAndDisconnects)
{
    TempDatabase db("CREATE TABLE T (A INTEGER); INSERT INTO T VALUES (7)");
    SQLConnection connection;
    EXPECT_EQ(connection.connectionFilePath(), db.connectionFilePath());
    connection.open();
    ASSERT_TRUE(connection.connected());
    EXPECT_EQ(connection.quoteCharacter(), "\""); // dialect 3 quotes names
    EXPECT_EQ(connection.params().value("Database"), db.databasePath());
    EXPECT_EQ(selectThrough(connection, "SELECT A FROM T"), (std::vector<Row> {{"7"}}));
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM MON$ATTACHMENTS WHERE MON$ATTACHMENT_ID <> CURRENT_CONNECTION"
                        " AND MON$SYSTEM_FLAG = 0 AND MON$USER = 'SYSDBA'"),
              "1");
    connection.close();
    EXPECT_EQ(connection.state(), SQLConnection::State::Closed);
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM MON$ATTACHMENTS WHERE MON$ATTACHMENT_ID <> CURRENT_CONNECTION"
                        " AND MON$SYSTEM_FLAG = 0"),
              "0");
    // Connecting again reads the files again and works the same.
    connection.open();
    EXPECT_EQ(selectThrough(connection, "SELECT A FROM T"), (std::vector<Row> {{"7"}}));
}

TEST(ConnectFromFiles, SettingsOfTheFilesReachTheEngine)
{
    TempDatabase db("CREATE TABLE T (C CHAR(4), V VARCHAR(4)); INSERT INTO T VALUES ('ab', 'cd  ')");
    const std::string ownTransaction =
        "SELECT TRIM(IIF(X.MON$ISOLATION_MODE < 2, 'snapshot', 'read committed')), X.MON$LOCK_TIMEOUT, A.MON$CHARACTER_SET_ID, T.C, T.V"
        " FROM MON$TRANSACTIONS X JOIN MON$ATTACHMENTS A ON A.MON$ATTACHMENT_ID = X.MON$ATTACHMENT_ID, T"
        " WHERE X.MON$TRANSACTION_ID = CURRENT_TRANSACTION";
    const struct {
        std::vector<Setting> params;
        Row expected; // isolation (whatever variant of read committed the engine runs), lock timeout,
                      // character set id, CHAR, VARCHAR
    } cases[] = {
        {{}, {"read committed", "-1", "0", "ab  ", "cd  "}},
        {{{"Trim Char", "True"}}, {"read committed", "-1", "0", "ab", "cd  "}}, // only fixed-length blanks go
        {{{"Interbase TransIsolation", "RepeatableRead"}, {"WaitOnLocks", "yes"}}, {"snapshot", "0", "0", "ab  ", "cd  "}},
        {{{"ServerCharSet", " UTF8 "}}, {"read committed", "-1", "4", "ab  ", "cd  "}},
        {{{"RoleName", "NO_SUCH_ROLE"}}, {"read committed", "-1", "0", "ab  ", "cd  "}}, // a missing role is no error
    };
    for (const auto& c : cases) {
        db.writeConfiguration(c.params);
        SQLConnection connection;
        connection.open();
        EXPECT_EQ(selectThrough(connection, ownTransaction), (std::vector<Row> {c.expected}))
            << (c.params.empty() ? "reference" : c.params[0].first);
    }
    db.writeConfiguration({{"SQLDialect", "1"}});
    SQLConnection dialect1;
    dialect1.open();
    EXPECT_EQ(dialect1.quoteCharacter(), ""); // dialect 1 has no quoted names
    // In dialect 1 double quotes make a text, in dialect 3 a name.
    EXPECT_EQ(selectThrough(dialect1, "SELECT \"abc\" FROM RDB$DATABASE"), (std::vector<Row> {{"abc"}}));
}

TEST(ConnectFromFiles, AWrongDatabasePathReadsAsTheOperatorSeesIt)
{
    TempDatabase db;
    const std::string missing = db.folder() + "/no/such/TORDATA.FDB";
    db.writeConfiguration({{"Database", missing}});
    SQLConnection connection;
    const std::string text = openFailure(connection);
    EXPECT_EQ(text, "dbExpress Error: [0x0015]: Connection failed\r\n"
                    "SQL Server Error: I/O error during \"open\" operation for file \"" + missing + "\"\r\n"
                    "Error while trying to open file\r\n"
                    "No such file or directory");
    EXPECT_EQ(connection.lastError(), text);
    EXPECT_EQ(connection.state(), SQLConnection::State::Closed);

    // Fixed in the file, a second attempt still uses the list read the first time.
    db.writeConfiguration();
    EXPECT_EQ(openFailure(connection), text);
    connection.close(); // clears the loaded list
    connection.open();
    EXPECT_TRUE(connection.connected());
}

TEST(ConnectFromFiles, AMissingClientLibraryReadsAsTheOperatorSeesIt)
{
    TempDatabase db;
    db.writeConfiguration({}, {{"VendorLib", "libfbclient.so.99"}});
    SQLConnection connection;
    EXPECT_EQ(openFailure(connection), "Unable to Load libfbclient.so.99");
    // A library of that name that is not Firebird's is refused the same way.
    db.writeConfiguration({}, {{"VendorLib", "libz.so.1"}});
    SQLConnection other;
    EXPECT_EQ(openFailure(other), "Unable to Load libz.so.1");
    // Set right, the same connection object connects.
    db.writeConfiguration();
    connection.open();
    EXPECT_TRUE(connection.connected());
}

TEST(ConnectFromFiles, AServerThatCannotBeReachedReadsAsTheOperatorSeesIt)
{
    TempDatabase db;
    // Port 1 on the loopback address: nothing listens there, the refusal is at once.
    const struct {
        std::vector<Setting> params;
        std::string host;
    } cases[] = {
        {{{"Database", "127.0.0.1/1:/srv/TORDATA.FDB"}}, "127.0.0.1"},
        {{{"Database", "/srv/TORDATA.FDB"}, {"HostName", "127.0.0.1"}, {"Server Port", "1"}}, "127.0.0.1"},
    };
    for (const auto& c : cases) {
        db.writeConfiguration(c.params);
        SQLConnection connection;
        const std::string text = openFailure(connection);
        EXPECT_EQ(text.rfind("dbExpress Error: [0x0015]: Connection failed\r\n"
                             "SQL Server Error: Unable to complete network request to host \"" + c.host + "\".\r\n", 0),
                  0u)
            << text;
        EXPECT_EQ(connection.state(), SQLConnection::State::Closed);
    }
}

TEST(ConnectFromFiles, AFileTheEngineCannotOpenReadsAsTheEngineSaysIt)
{
    // A file that is no database, or is missing, is not tried again through a
    // server on this machine, whose absence would hide the engine's reason
    // behind a network text.
    TempDatabase db;
    const std::string garbage = db.writeFile("GARBAGE.FDB", std::string(20000, '\x5a'));
    const struct {
        std::string database;
        std::string reason;
    } cases[] = {
        {garbage, "file " + garbage + " is not a valid database"},
        {db.folder() + "/none/TORDATA.FDB", "I/O error during \"open\" operation for file \"" + db.folder() + "/none/TORDATA.FDB\""},
    };
    for (const auto& c : cases) {
        db.writeConfiguration({{"Database", c.database}});
        SQLConnection connection;
        const std::string text = openFailure(connection);
        EXPECT_NE(text.find(c.reason), std::string::npos) << text;
        EXPECT_EQ(text.find("network"), std::string::npos) << text;
    }
}

} // namespace
