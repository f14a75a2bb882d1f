// Connecting SQLConnection1 through the recording driver: the calls and options
// handed over, in order, for the reference configuration and for one that sets
// every option.
#include "db/connection/sqlconnection.h"
#include "tests/support/recording/recordingsetup.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace didu;
using recording::control;
using Lines = std::vector<std::string>;

TEST(Connect, ReferenceConfigurationHandsOverTheStoredOptionsInOrder)
{
    auto config = recording::useRecordingDriver();
    SQLConnection connection;
    EXPECT_EQ(connection.connectionFilePath(), config->filePath("dbxconnections.ini"));
    EXPECT_TRUE(control().calls().empty()); // nothing is loaded before the first use

    connection.open();

    EXPECT_EQ(connection.state(), SQLConnection::State::Open);
    EXPECT_EQ(control().calls(), (Lines{
        "getSQLDriverINTERBASE(\"libfbclient.so.2\", \"\")",
        "Driver.getSQLConnection()",
        "Connection.setOption(3, \"RoleName\")",
        "Connection.setOption(4, 1)",
        "Connection.setOption(5, 0)",
        "Connection.setOption(6, 0)",
        "Connection.setOption(16, 3)",
        "Connection.setOption(25, 0)",
        "Connection.connect(\"/tmp/torvik/TORDATA.FDB\", \"sysdba\", \"quietfern\")",
        "Connection.getOption(14, 4)",
        "Connection.getSQLMetaData()",
        "MetaData.setOption(1, \"sysdba\")",
        "MetaData.getOption(11, 1)",
        "Connection.setOption(2, -1)",
    }));
    EXPECT_EQ(connection.params().lines(), recording::referenceParams());
    EXPECT_EQ(connection.settings().libraryName, recording::pluginPath());
    EXPECT_EQ(connection.settings().vendorLib, "libfbclient.so.2");
    EXPECT_EQ(connection.statementLimit(), 0);

    control().clearCalls();
    connection.open(); // open on demand: already open, nothing happens
    EXPECT_TRUE(control().calls().empty());
}

namespace {

// The reference lines with some replaced or added: {"Name", "value"} replaces
// the line of that name, or is appended when there is none.
std::vector<std::string> paramsWith(const std::vector<std::pair<std::string, std::string>>& changes)
{
    std::vector<std::string> lines = recording::referenceParams();
    for (const auto& [name, value] : changes) {
        bool replaced = false;
        for (std::string& line : lines)
            if (line.substr(0, line.find('=')) == name) {
                line = name + "=" + value;
                replaced = true;
            }
        if (!replaced)
            lines.push_back(name + "=" + value);
    }
    return lines;
}

// The Connection.setOption lines handed over before connecting.
Lines optionsBeforeConnect()
{
    Lines out;
    for (const std::string& line : control().calls()) {
        if (line.rfind("Connection.connect(", 0) == 0)
            break;
        if (line.rfind("Connection.setOption(", 0) == 0)
            out.push_back(line);
    }
    return out;
}

} // namespace

TEST(Connect, EveryOptionIsHandedOverInTheTablesOrder)
{
    auto config = recording::useRecordingDriver();
    // In file order unlike the table, and with blanks the rules trim.
    config->writeConnections({"Connection Timeout= 30", "Custom String=a=b ", "Trim Char=true",
                              "Multiple Transaction=TRUE", "Server Port=3050", "OS Authentication=True",
                              "SqlDialect=1", "Interbase TransIsolation=RepeatableRead", "ServerCharSet= BIG5 ",
                              "BlockingMode=yes", "AutoCommit=True", "CommitRetain=TRUE", "WaitOnLocks=false",
                              "RoleName= Clerk ", "HostName=  shop-db ", "DriverName=Interbase",
                              "Database= shop-db:/srv/torvik.fdb ", "User_Name=clerk", "Password= pass=word",
                              "ErrorResourceFile= errors.res ", "BlobSize=64"});
    SQLConnection connection;
    connection.open();
    EXPECT_EQ(control().calls(), (Lines{
        "getSQLDriverINTERBASE(\"libfbclient.so.2\", \"errors.res\")",
        "Driver.getSQLConnection()",
        "Connection.setOption(10, \"shop-db\")",
        "Connection.setOption(3, \"Clerk\")",
        "Connection.setOption(4, 0)",
        "Connection.setOption(5, 1)",
        "Connection.setOption(0, 1)",
        "Connection.setOption(1, 0)",
        "Connection.setOption(15, \"BIG5\")",
        "Connection.setOption(6, 1)",
        "Connection.setOption(16, 1)",
        "Connection.setOption(20, 1)",
        "Connection.setOption(23, \"3050\")",
        "Connection.setOption(22, 1)",
        "Connection.setOption(25, 1)",
        "Connection.setOption(31, \"a=b\")",
        "Connection.setOption(32, 30)",
        // Database trimmed; user name and password as they stand.
        "Connection.connect(\"shop-db:/srv/torvik.fdb\", \"clerk\", \"pass=word\")",
        "Connection.getOption(14, 4)",
        "Connection.getSQLMetaData()",
        "MetaData.setOption(1, \"clerk\")",
        "MetaData.getOption(11, 1)",
        "Connection.setOption(2, 64)",
    }));
}

TEST(Connect, FlagsNumbersAndIsolationFollowTheirRules)
{
    const struct {
        const char* name;
        const char* value;
        const char* handed; // the option line, or null when none is handed over
    } cases[] = {
        {"WaitOnLocks", "TRUE", "Connection.setOption(4, 1)"},
        {"WaitOnLocks", "tRuE", "Connection.setOption(4, 1)"},
        {"WaitOnLocks", "yes", "Connection.setOption(4, 0)"},
        {"WaitOnLocks", "1", "Connection.setOption(4, 0)"},
        {"WaitOnLocks", "", nullptr},
        {"Interbase TransIsolation", "ReadCommited", "Connection.setOption(6, 0)"},
        {"Interbase TransIsolation", "REPEATABLEREAD", "Connection.setOption(6, 1)"},
        {"Interbase TransIsolation", "DirtyRead", "Connection.setOption(6, 2)"},
        {"Interbase TransIsolation", "Serializable", "Connection.setOption(6, 0)"},
        {"Interbase TransIsolation", "", nullptr},
        {"SQLDialect", " -2 ", "Connection.setOption(16, -2)"},
        {"SQLDialect", "+3", "Connection.setOption(16, 3)"},
        {"SQLDialect", "2147483647", "Connection.setOption(16, 2147483647)"},
        {"SQLDialect", "", nullptr},
        {"ServerCharSet", "NONE", "Connection.setOption(15, \"NONE\")"},
        {"RoleName", "", nullptr},
    };
    for (const auto& c : cases) {
        auto config = recording::useRecordingDriver();
        config->writeConnections(paramsWith({{c.name, c.value}}));
        SQLConnection connection;
        connection.open();
        const Lines options = optionsBeforeConnect();
        const std::string option = c.handed ? std::string(c.handed).substr(0, std::string(c.handed).find(',')) : "";
        int found = 0;
        for (const std::string& line : options)
            if (c.handed && line.rfind(option + ",", 0) == 0) {
                EXPECT_EQ(line, c.handed) << c.name << "=" << c.value;
                ++found;
            }
        EXPECT_EQ(found, c.handed ? 1 : 0) << c.name << "=" << c.value;
        if (!c.handed) { // one option fewer than the reference hands over
            EXPECT_EQ(options.size(), 5u) << c.name;
        }
    }
}

TEST(Connect, TheTransIsolationKeyFollowsTheDriverName)
{
    auto config = recording::useRecordingDriver();
    config->writeConnections(paramsWith({{"DriverName", "Shop"}, {"Shop TransIsolation", "DirtyRead"}}));
    config->writeFile("dbxdrivers.ini", "[Shop]\nLibraryName=" + recording::pluginPath() +
                                            "\nVendorLib=libfbclient.so.2\nGetDriverFunc=getSQLDriverINTERBASE\n");
    SQLConnection connection;
    connection.open();
    EXPECT_EQ(connection.settings().driverName, "Shop");
    const Lines options = optionsBeforeConnect();
    EXPECT_NE(std::find(options.begin(), options.end(), "Connection.setOption(6, 2)"), options.end());
}

TEST(Connect, QuoteCharacterIsAskedEachTime)
{
    auto config = recording::useRecordingDriver();
    SQLConnection connection;
    EXPECT_EQ(connection.quoteCharacter(), ""); // not connected: nothing to ask
    connection.open();
    control().clearCalls();
    EXPECT_EQ(connection.quoteCharacter(), "\"");
    control().setQuoteChar('`');
    EXPECT_EQ(connection.quoteCharacter(), "`");
    control().setQuoteChar('\0');
    EXPECT_EQ(connection.quoteCharacter(), "");
    control().setQuoteChar('"');
    control().scriptNext("MetaData.getOption", dbx::ResultNotSupported);
    EXPECT_EQ(connection.quoteCharacter(), "");
    EXPECT_EQ(control().calls().size(), 4u);
}

TEST(Connect, StatementLimitIsLearnedAfterConnecting)
{
    auto config = recording::useRecordingDriver();
    control().setStatementLimit(7);
    SQLConnection connection;
    connection.open();
    EXPECT_EQ(connection.statementLimit(), 7);

    // A failed read leaves no limit; its result is ignored.
    auto again = recording::useRecordingDriver();
    control().setStatementLimit(7);
    control().scriptNext("Connection.getOption", dbx::ResultNotSupported);
    SQLConnection second;
    second.open();
    EXPECT_TRUE(second.connected());
    EXPECT_EQ(second.statementLimit(), 0);
}

TEST(Connect, StoredSettingsAloneWhenParametersAreNotLoadedOnConnect)
{
    // Values set in code keep their blanks: only a blank character set is left
    // out, a blank role is handed over trimmed to nothing.
    auto config = recording::useRecordingDriver();
    config->writeFile("dbxconnections.ini", "[Torvik]\nDriverName=Broken\n");
    config->writeFile("dbxdrivers.ini", "");
    SQLConnection connection;
    connection.settings().loadParamsOnConnect = false;
    connection.settings().libraryName = " " + recording::pluginPath() + " ";
    connection.settings().getDriverFunc = "getSQLDriverINTERBASE ";
    connection.params() = NameValueList{"Database=/db/x.fdb", "User_Name= sysdba ", "RoleName=   ",
                                        "ServerCharSet=  ", "WaitOnLocks= true "};
    connection.open();
    EXPECT_EQ(control().calls(), (Lines{
        "getSQLDriverINTERBASE(\"libfbclient.so.2\", \"\")",
        "Driver.getSQLConnection()",
        "Connection.setOption(3, \"\")",
        "Connection.setOption(4, 1)",
        "Connection.connect(\"/db/x.fdb\", \" sysdba \", \"\")",
        "Connection.getOption(14, 4)",
        "Connection.getSQLMetaData()",
        "MetaData.setOption(1, \"sysdba\")",
        "MetaData.getOption(11, 1)",
        "Connection.setOption(2, -1)",
    }));
    EXPECT_EQ(connection.settings().driverName, "Interbase");
}

TEST(Connect, NoSchemaIsSetWithoutAUserName)
{
    auto config = recording::useRecordingDriver();
    config->writeConnections(paramsWith({{"User_Name", ""}}));
    SQLConnection connection;
    connection.open();
    EXPECT_TRUE(control().callsStartingWith("MetaData.setOption").empty());
}
