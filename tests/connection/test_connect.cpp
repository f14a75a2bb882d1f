// Connecting SQLConnection1 through the recording driver: the calls and options
// handed over, in order, for the reference configuration and for one that sets
// every option.
#include "db/connection/sqlconnection.h"
#include "tests/support/recording/recordingsetup.h"

#include <gtest/gtest.h>

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
