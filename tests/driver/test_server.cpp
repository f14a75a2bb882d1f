// The plugin against a Firebird server on the loopback address (started with
// tools/fbserver.sh for this test alone): the server checks passwords, and a
// second connection sees each insert at once across the wire too. Skipped where
// no server can be started (no server package, or not root to run it as its
// own user).
#include "db/connection/sqlconnection.h"
#include "platform/errors.h"
#include "tests/driver/driversession.h"
#include "tests/reliability/testserver.h"

#include <gtest/gtest.h>

#include <ibase.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace {

using namespace didu::test;
using didu::SQLConnection;

/// One server for the whole suite: starting it takes seconds.
class ServerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (::geteuid() != 0 || !std::filesystem::exists("/usr/sbin/firebird"))
            return;
        m_failure = "the server did not start";
        startServer();
        if (!m_database.empty())
            m_failure.clear();
    }

    static void TearDownTestSuite()
    {
        if (m_started)
            std::system(("bash " DIDU_SOURCE_DIR "/tools/fbserver.sh stop " + m_dir).c_str());
        if (!m_dir.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(m_dir, ignored);
        }
    }

    void SetUp() override
    {
        if (m_dir.empty() && m_failure.empty())
            GTEST_SKIP() << "needs root and the Firebird server package";
        ASSERT_EQ(m_failure, "");
    }

    static void startServer()
    {
        char pattern[] = "/tmp/didu-server-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        m_dir = pattern;
        m_port = freeLoopbackPort();
        const std::string start = "bash " DIDU_SOURCE_DIR "/tools/fbserver.sh start " + m_dir + " "
                                  + std::to_string(m_port) + " " + m_password + " >/dev/null";
        ASSERT_EQ(std::system(start.c_str()), 0) << "the server did not start";
        m_started = true;
        const std::string database = "127.0.0.1/" + std::to_string(m_port) + ":" + m_dir + "/data/TORDATA.FDB";
        const std::string create = "CREATE DATABASE '" + database + "' USER 'SYSDBA' PASSWORD '" + m_password
                                   + "' DEFAULT CHARACTER SET NONE";
        ISC_STATUS_ARRAY status {};
        isc_db_handle db = 0;
        isc_tr_handle tr = 0;
        ASSERT_EQ(isc_dsql_execute_immediate(status, &db, &tr, 0, create.c_str(), 3, nullptr), 0);
        const char* statements[] = {"CREATE TABLE MEMBER (MEMBER_ID VARCHAR(10) NOT NULL PRIMARY KEY)"};
        for (const char* sql : statements) {
            tr = 0;
            isc_start_transaction(status, &tr, 1, &db, 0, nullptr);
            ASSERT_EQ(isc_dsql_execute_immediate(status, &db, &tr, 0, sql, 3, nullptr), 0);
            isc_commit_transaction(status, &tr);
        }
        isc_detach_database(status, &db);
        m_database = database;
    }

    static inline std::string m_dir;
    static inline int m_port = 0;
    static inline bool m_started = false;
    static inline std::string m_password = "fernquiet";
    static inline std::string m_database;
    static inline std::string m_failure;
};

TEST_F(ServerTest, AWrongPasswordIsRefusedWithTheServersText)
{
    TempDatabase files; // for its configuration files only
    files.writeConfiguration({{"Database", m_database}, {"Password", "wrong"}});
    SQLConnection connection;
    std::string text = "(no error)";
    try {
        connection.open();
    } catch (const didu::Error& e) {
        text = e.what();
    }
    EXPECT_EQ(text, "dbExpress Error: [0x0015]: Connection failed\r\n"
                    "SQL Server Error: Your user name and password are not defined. Ask your database administrator"
                    " to set up a Firebird login.");
    EXPECT_EQ(connection.state(), SQLConnection::State::Closed);
}

TEST_F(ServerTest, InsertsAreSeenByASecondConnectionAtOnce)
{
    TempDatabase files;
    files.writeConfiguration({{"Database", m_database}, {"Password", m_password}});
    SQLConnection writer;
    writer.open();
    SQLConnection reader;
    reader.open();
    for (int i = 1; i <= 3; ++i) {
        Ref<dbx::ISQLCommand> insert;
        check(writer.driverConnection()->getSQLCommand(insert.out()), writer.driverConnection());
        check(insert->prepare("INSERT INTO MEMBER (MEMBER_ID) VALUES (?)", 1), insert.p);
        bindAll(insert.p, {Bind::text("C" + std::to_string(i))});
        Ref<dbx::ISQLCursor> none;
        check(insert->execute(none.out()), insert.p);

        Ref<dbx::ISQLCommand> count;
        check(reader.driverConnection()->getSQLCommand(count.out()), reader.driverConnection());
        check(count->prepare("SELECT COUNT(*) FROM MEMBER", 0), count.p);
        Ref<dbx::ISQLCursor> cursor;
        check(count->execute(cursor.out()), count.p);
        EXPECT_EQ(readAll(cursor.p), (std::vector<Row> {{std::to_string(i)}}));
    }
}

} // namespace
