// The plugin against a Firebird server on the loopback address (the private
// server of tests/reliability): the server checks passwords, and a second
// connection sees each insert at once across the wire too. Skipped where no
// server can be started (no server package, or not root to run it as its own
// user).
#include "db/connection/sqlconnection.h"
#include "platform/errors.h"
#include "tests/driver/driversession.h"
#include "tests/reliability/serverfixture.h"

#include <gtest/gtest.h>

namespace {

using namespace didu::test;
using didu::SQLConnection;
using DriverServer = didu::test::ServerTest;

TEST_F(DriverServer, AWrongPasswordIsRefusedAndInsertsAreSeenByASecondConnectionAtOnce)
{
    TempDatabase files; // for its configuration files only
    files.writeConfiguration({{"Database", db->url()}, {"Password", "wrong"}});
    SQLConnection refused;
    std::string text = "(no error)";
    try {
        refused.open();
    } catch (const didu::Error& e) {
        text = e.what();
    }
    EXPECT_EQ(text, "dbExpress Error: [0x0015]: Connection failed\r\n"
                    "SQL Server Error: Your user name and password are not defined. Ask your database administrator"
                    " to set up a Firebird login.");
    EXPECT_EQ(refused.state(), SQLConnection::State::Closed);

    files.writeConfiguration({{"Database", db->url()}, {"Password", server->password()}});
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
