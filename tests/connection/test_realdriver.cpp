// SQLConnection1 through the real Firebird driver plugin to a fresh embedded
// database: the whole chain of files, library, entry and login.
#include "db/connection/sqlconnection.h"
#include "errortext.h"
#include "tests/support/tempdb/tempdatabase.h"

#include <gtest/gtest.h>

using namespace didu;

TEST(RealDriver, ConnectsWithTheReferenceConfigurationAndReconnectsAfterClose)
{
    test::TempDatabase db;
    SQLConnection connection;
    EXPECT_EQ(connection.connectionFilePath(), db.connectionFilePath());
    connection.open();
    ASSERT_TRUE(connection.connected());
    EXPECT_NE(connection.driverConnection(), nullptr);
    EXPECT_EQ(connection.quoteCharacter(), "\""); // dialect 3 quotes names
    EXPECT_GE(connection.statementLimit(), 0);
    EXPECT_EQ(connection.params().value("Database"), db.databasePath());

    connection.close();
    EXPECT_EQ(connection.state(), SQLConnection::State::Closed);
    connection.open();
    EXPECT_TRUE(connection.connected());
}

TEST(RealDriver, AMissingDatabaseGivesTheServersTextAndLeavesTheConnectionClosed)
{
    test::TempDatabase db;
    const std::string missing = db.folder() + "/NOSUCH.FDB";
    db.writeConfiguration({{"Database", missing}});
    SQLConnection connection;
    const std::string text = test::errorText([&] { connection.open(); });
    EXPECT_NE(text.find("SQL Server Error: "), std::string::npos) << text;
    EXPECT_NE(text.find("NOSUCH.FDB"), std::string::npos) << text;
    EXPECT_EQ(connection.lastError(), text);
    EXPECT_EQ(connection.state(), SQLConnection::State::Closed);

    // Fixed in the file, a second attempt still uses the list read the first time.
    db.writeConfiguration();
    EXPECT_EQ(test::errorText([&] { connection.open(); }).find("NOSUCH.FDB") != std::string::npos, true);
    connection.close(); // clears the loaded list
    connection.open();
    EXPECT_TRUE(connection.connected());
}

TEST(RealDriver, AMissingClientLibraryIsNamed)
{
    test::TempDatabase db;
    db.writeConfiguration({}, {{"VendorLib", "libfbclient-none.so.9"}});
    SQLConnection connection;
    EXPECT_EQ(test::errorText([&] { connection.open(); }), "Unable to Load libfbclient-none.so.9");
    EXPECT_EQ(connection.state(), SQLConnection::State::Closed);
}
