// Disconnecting, closing when idle, loading parameters alone, and the extra
// connection a statement gets when the driver limits statements per connection.
#include "db/connection/sqlconnection.h"
#include "errortext.h"
#include "tests/support/recording/recordingsetup.h"

#include <gtest/gtest.h>

using namespace didu;
using recording::control;
using Lines = std::vector<std::string>;

namespace {

// A statement stand-in that notes what the connection tells it.
class Client final : public ConnectionClient {
public:
    explicit Client(SQLConnection& connection, bool active = false) : m_connection(connection), active(active)
    {
        connection.attach(this);
    }
    void connectionClosing() override
    {
        // The statement must still find the driver objects to release its own.
        sawMetaData = m_connection.metaData() != nullptr;
        sawState = m_connection.state();
        ++closings;
        active = false;
        m_connection.detach(this);
    }
    bool isActive() const override { return active; }

    SQLConnection& m_connection;
    bool active;
    int closings = 0;
    bool sawMetaData = false;
    SQLConnection::State sawState = SQLConnection::State::Closed;
};

} // namespace

TEST(Disconnect, ClosesStatementsFirstThenReleasesInOrder)
{
    auto config = recording::useRecordingDriver();
    SQLConnection connection;
    connection.open();
    Client first(connection);
    Client second(connection, true);
    control().clearCalls();

    connection.close();

    EXPECT_EQ(first.closings, 1);
    EXPECT_EQ(second.closings, 1);
    EXPECT_TRUE(first.sawMetaData);
    EXPECT_EQ(first.sawState, SQLConnection::State::Disconnecting);
    EXPECT_EQ(control().calls(), (Lines{"MetaData.release()", "Connection.disconnect()", "Connection.release()",
                                        "Driver.release()"}));
    EXPECT_EQ(connection.state(), SQLConnection::State::Closed);
    EXPECT_EQ(connection.metaData(), nullptr);

    control().clearCalls();
    connection.close(); // closing a closed connection does nothing
    EXPECT_TRUE(control().calls().empty());
}

TEST(Disconnect, DestroyingAnOpenConnectionDisconnects)
{
    auto config = recording::useRecordingDriver();
    {
        SQLConnection connection;
        connection.open();
        control().clearCalls();
    }
    EXPECT_EQ(control().callsStartingWith("Connection.disconnect"), Lines{"Connection.disconnect()"});
    EXPECT_EQ(control().liveObjects("Connection"), 0);
    EXPECT_EQ(control().liveObjects("Driver"), 0);

    // A connection that never opened reads nothing and loads nothing.
    control().reset();
    { SQLConnection never; }
    EXPECT_TRUE(control().calls().empty());
}

TEST(Connection, StartsWithTheStoredSettings)
{
    auto config = recording::useRecordingDriver();
    SQLConnection connection;
    EXPECT_EQ(connection.name(), "SQLConnection1");
    EXPECT_EQ(connection.state(), SQLConnection::State::Closed);
    EXPECT_EQ(connection.params().lines().size(), 14u);
    EXPECT_EQ(connection.params().value("Database"), "C:\\torvik\\data\\TORDATA.GDB");
    EXPECT_EQ(connection.params().value("RowsetSize"), "");
    EXPECT_EQ(connection.settings().connectionName, "Torvik");
    EXPECT_TRUE(connection.settings().loadParamsOnConnect);
    EXPECT_TRUE(connection.settings().keepConnection);
    // At connect time the file's section replaces the stored lines.
    connection.open();
    EXPECT_EQ(connection.params().value("Database"), recording::ReferenceDatabase);
}

TEST(Connection, LoadParamsReadsOnceUntilADisconnectAndTheNextConnectReadsAgain)
{
    auto config = recording::useRecordingDriver();
    SQLConnection connection;
    connection.loadParams();
    EXPECT_EQ(connection.params().lines(), recording::referenceParams());
    config->writeConnections({"DriverName=Interbase", "Database=/changed.fdb"});
    connection.loadParams();
    EXPECT_EQ(connection.params().value("Database"), recording::ReferenceDatabase);
    connection.close();
    connection.loadParams();
    EXPECT_EQ(connection.params().value("Database"), "/changed.fdb");
    EXPECT_TRUE(control().calls().empty());
    // The connect after a disconnect loads the driver again and uses the new list.
    connection.open();
    connection.close();
    config->writeConnections({"DriverName=Interbase", "Database=/new.fdb", "User_Name=clerk", "Password=pw"});
    control().clearCalls();
    connection.open();
    EXPECT_EQ(control().callsStartingWith("Connection.connect"),
              Lines{"Connection.connect(\"/new.fdb\", \"clerk\", \"pw\")"});
    EXPECT_EQ(control().calls().front(), "getSQLDriverINTERBASE(\"libfbclient.so.2\", \"\")");

    SQLConnection stored;
    stored.settings().loadParamsOnConnect = false;
    stored.params() = NameValueList{"Database=/kept.fdb"};
    stored.loadParams();
    EXPECT_EQ(stored.params().lines(), Lines{"Database=/kept.fdb"});
}

TEST(Connection, ClosesWhenIdleOnlyWithoutKeepConnection)
{
    auto config = recording::useRecordingDriver();
    SQLConnection connection;
    connection.open();
    Client busy(connection, true);
    connection.closeWhenIdle();
    EXPECT_TRUE(connection.connected()); // KeepConnection is on

    connection.settings().keepConnection = false;
    connection.closeWhenIdle();
    EXPECT_TRUE(connection.connected()); // a statement is open
    busy.active = false;
    connection.closeWhenIdle();
    EXPECT_FALSE(connection.connected());
    EXPECT_EQ(busy.closings, 1);
}

TEST(ExtraConnection, WithoutALimitEveryStatementShares)
{
    auto config = recording::useRecordingDriver();
    SQLConnection connection;
    connection.open();
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(connection.connectionForStatement(true), nullptr);
}

TEST(ExtraConnection, AtTheLimitAStatementGetsACopyConnectedFromTheSameSettings)
{
    auto config = recording::useRecordingDriver();
    control().setStatementLimit(1);
    SQLConnection connection;
    connection.open();
    // The copy reads nothing: break both files first.
    config->writeFile("dbxconnections.ini", "");
    config->writeFile("dbxdrivers.ini", "");
    const Lines reference = control().calls();
    control().clearCalls();

    EXPECT_EQ(connection.connectionForStatement(false), nullptr); // count stays 0
    EXPECT_TRUE(control().calls().empty());
    auto own = connection.connectionForStatement(true); // counted to 1: limit reached
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(own->name(), "SQLConnection1Clone1");
    EXPECT_TRUE(own->connected());
    EXPECT_FALSE(own->settings().loadParamsOnConnect);
    EXPECT_EQ(own->settings().libraryName, recording::pluginPath());
    EXPECT_EQ(own->params().lines(), recording::referenceParams());
    EXPECT_EQ(control().calls(), reference); // the same connect steps
    EXPECT_EQ(control().liveObjects("Connection"), 2);

    // The count went back to 0 and a non-SELECT adds nothing; the next SELECT
    // reaches the limit again.
    EXPECT_EQ(connection.connectionForStatement(false), nullptr);
    auto another = connection.connectionForStatement(true);
    EXPECT_NE(another, nullptr);

    control().clearCalls();
    own.reset(); // released with the statement's driver object
    EXPECT_EQ(control().callsStartingWith("Connection.disconnect"), Lines{"Connection.disconnect()"});
    EXPECT_EQ(control().liveObjects("Connection"), 2);
}

TEST(ExtraConnection, CountsOnlySelectStatementsInAnyLetterCaseUpToTheLimit)
{
    auto config = recording::useRecordingDriver();
    control().setStatementLimit(2);
    SQLConnection connection;
    connection.open();
    // true: a SELECT; the expected column: whether that preparation gets a copy.
    // A SELECT is counted before the limit decides, so the SELECT that reaches
    // the limit is the one that gets the copy.
    const struct {
        bool select;
        bool ownConnection;
    } steps[] = {{true, false}, {false, false}, {true, true}, {false, false}, {true, false}, {true, true},
                 {true, false}};
    int n = 0;
    for (const auto& s : steps) {
        auto own = connection.connectionForStatement(s.select);
        EXPECT_EQ(own != nullptr, s.ownConnection) << "preparation " << n++;
    }
}

TEST(ExtraConnection, AFailingCopyRaisesTheDriverText)
{
    auto config = recording::useRecordingDriver();
    control().setStatementLimit(1);
    SQLConnection connection;
    connection.open();
    control().scriptNext("Connection.connect", dbx::ResultConnectionFailed, "too many connections");
    EXPECT_EQ(test::errorText([&] { connection.connectionForStatement(true); }),
              "dbExpress Error: [0x0015]: Connection failed\r\nSQL Server Error: too many connections");
    EXPECT_TRUE(connection.connected());
    EXPECT_EQ(control().liveObjects("Connection"), 1);
}

namespace {

std::string flag(std::int32_t value)
{
    return std::string(reinterpret_cast<const char*>(&value), sizeof value);
}

} // namespace

TEST(LostLink, AfterAFailureAConnectionWhoseLinkIsGoneIsMadeAnewAtTheNextOpen)
{
    auto config = recording::useRecordingDriver();
    SQLConnection connection;
    connection.open();

    // Without a failure the driver is never asked: the per-statement path stays
    // free of extra calls.
    control().clearCalls();
    connection.open();
    EXPECT_TRUE(control().calls().empty());

    // A failure on a link that is still there: asked once, nothing else happens.
    EXPECT_FALSE(test::errorText([&] { connection.check(dbx::ResultSqlError, nullptr); }).empty());
    control().setOptionAnswer("Connection", dbx::ConnConnectionLost, flag(0));
    connection.open();
    connection.open();
    EXPECT_EQ(control().calls(), (Lines{"Connection.getOption(40, 4)"}));

    // A failure that cost the link: the next open closes and connects again.
    EXPECT_FALSE(test::errorText([&] { connection.check(dbx::ResultSqlError, nullptr); }).empty());
    control().setOptionAnswer("Connection", dbx::ConnConnectionLost, flag(1));
    control().clearCalls();
    connection.open();
    EXPECT_TRUE(connection.connected());
    EXPECT_EQ(control().callsStartingWith("Connection.disconnect"), Lines{"Connection.disconnect()"});
    EXPECT_EQ(control().callsStartingWith("Connection.connect").size(), 1u);
    EXPECT_EQ(control().liveObjects("Connection"), 1);
}
