// Every way a connect can fail, with the operator's exact text, and what is
// left behind: the connection closed, no driver object alive, no file changed.
#include "db/connection/sqlconnection.h"
#include "errortext.h"
#include "platform/library.h"
#include "tests/support/recording/recordingsetup.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

using namespace didu;
using recording::ConfigFolder;
using recording::control;
using Lines = std::vector<std::string>;

namespace {

std::string contents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

std::string driversWith(const std::string& body)
{
    return "[Interbase]\n" + body;
}

std::vector<std::string> referenceWithout(const std::string& name)
{
    std::vector<std::string> lines;
    for (const std::string& line : recording::referenceParams())
        if (line.substr(0, line.find('=')) != name)
            lines.push_back(line);
    return lines;
}

struct Case {
    const char* what;
    std::function<void(ConfigFolder&)> arrange;
    std::string text;
    bool reachesDriver; // the driver library was loaded and called
    std::function<void(SQLConnection&)> before = {};
};

// The rows up to reading the driver file.
std::vector<Case> configurationCases()
{
    const std::string lib = "LibraryName=" + recording::pluginPath() + "\n";
    return {
        {"connection value of the wrong type leaves the path empty",
         [](ConfigFolder& f) { f.writeFile("dbx/registry.ini", "[DBExpress]\nConnection Registry File=dword:1\n"); },
         "Driver/Connection Registry File '' not found", false},
        {"driver value of the wrong type ends the connect",
         [=](ConfigFolder& f) {
             f.writeFile("dbx/registry.ini", "[DBExpress]\nConnection Registry File=" +
                                                 f.filePath("dbxconnections.ini") + "\nDriver Registry File=hex:00\n");
         },
         "Invalid data type for 'Driver Registry File'", false},
        {"connection name empty", [](ConfigFolder&) {}, "Connection name missing", false,
         [](SQLConnection& c) { c.settings().connectionName.clear(); }},
        {"connection file missing",
         [](ConfigFolder& f) { std::filesystem::remove(f.filePath("dbxconnections.ini")); },
         "", false}, // text set below: it names the path
        {"connection file is a folder",
         [](ConfigFolder& f) {
             std::filesystem::remove(f.filePath("dbxconnections.ini"));
             std::filesystem::create_directory(f.filePath("dbxconnections.ini"));
         },
         "", false},
        {"no section Torvik", [](ConfigFolder& f) { f.writeConnections(recording::referenceParams(), "Other"); },
         "Missing DriverName property", false},
        {"no DriverName in the section", [](ConfigFolder& f) { f.writeConnections(referenceWithout("DriverName")); },
         "Missing DriverName property", false},
        {"connection file of binary junk",
         [](ConfigFolder& f) { f.writeFile("dbxconnections.ini", std::string("\x7f" "ELF\x02\x01\x01\0\0[Torvik]\n", 17)); },
         "Missing DriverName property", false},
        {"no driver file", [](ConfigFolder& f) { std::filesystem::remove(f.filePath("dbxdrivers.ini")); },
         "SQLConnection1: DLL/Shared Library Name not Set", false},
        {"no driver section", [](ConfigFolder& f) { f.writeFile("dbxdrivers.ini", "[Oracle]\nLibraryName=x.so\n"); },
         "SQLConnection1: DLL/Shared Library Name not Set", false},
        {"no LibraryName",
         [](ConfigFolder& f) { f.writeFile("dbxdrivers.ini", driversWith("VendorLib=libfbclient.so.2\n")); },
         "SQLConnection1: DLL/Shared Library Name not Set", false},
        {"no VendorLib", [=](ConfigFolder& f) { f.writeFile("dbxdrivers.ini", driversWith(lib)); },
         "SQLConnection1: DLL/Shared Library Name not Set", false},
    };
}

// The rows from loading the driver library on.
std::vector<Case> driverCases()
{
    const std::string plugin = recording::pluginPath();
    const std::string lib = "LibraryName=" + plugin + "\n";
    return {
        {"Database empty", [](ConfigFolder& f) { f.writeConnections(referenceWithout("Database")); },
         "Missing Database property", false},
        {"library cannot be loaded",
         [](ConfigFolder& f) { f.writeDrivers("/nowhere/libdbxnone.so"); },
         "Unable to Load /nowhere/libdbxnone.so", false},
        {"library that is not a library",
         [](ConfigFolder& f) {
             f.writeFile("junk.so", "not an ELF file");
             f.writeDrivers(f.filePath("junk.so"));
         },
         "", false},
        {"entry function missing",
         [=](ConfigFolder& f) { f.writeDrivers(plugin, "libfbclient.so.2", "getSQLDriverORACLE"); },
         "Unable to Find Procedure getSQLDriverORACLE", true},
        {"entry function not named",
         [=](ConfigFolder& f) { f.writeFile("dbxdrivers.ini", driversWith(lib + "VendorLib=libfbclient.so.2\n")); },
         "Unable to Find Procedure ", true},
        {"entry function fails",
         [](ConfigFolder&) { control().scriptNext("getSQLDriverINTERBASE", dbx::ResultDriverInitFailed); },
         "Unable to Load libfbclient.so.2", true},
        {"no connection object",
         [](ConfigFolder&) { control().scriptNext("Driver.getSQLConnection", dbx::ResultConnectionFailed, "x"); },
         "dbExpress Error: [0x0015]: Connection failed", true},
        {"server refuses the login",
         [](ConfigFolder&) {
             control().scriptNext("Connection.connect", 12, "Your user name and password are not defined.");
         },
         "dbExpress Error: [0x000C] Invalid Username/Password\r\n"
         "SQL Server Error: Your user name and password are not defined.",
         true},
        {"refused with a code of no row and no message",
         [](ConfigFolder&) { control().scriptNext("Connection.connect", 4711); },
         "dbExpress Error: Unknown Error Code '4711'", true},
        {"no metadata object",
         [](ConfigFolder&) { control().scriptNext("Connection.getSQLMetaData", dbx::ResultNoMemory, "out of memory"); },
         "dbExpress Error: [0x0002]: Insufficient Memory for Operation\r\nSQL Server Error: out of memory", true},
        {"SqlDialect not a number",
         [](ConfigFolder& f) {
             auto p = referenceWithout("SQLDialect");
             p.push_back("SqlDialect=three");
             f.writeConnections(p);
         },
         "'three' is not a valid integer value", true},
        {"Connection Timeout not whole",
         [](ConfigFolder& f) {
             auto p = recording::referenceParams();
             p.push_back("Connection Timeout=1.5");
             f.writeConnections(p);
         },
         "'1.5' is not a valid integer value", true},
        {"Connection Timeout beyond 32 bits",
         [](ConfigFolder& f) {
             auto p = recording::referenceParams();
             p.push_back("Connection Timeout=4294967296");
             f.writeConnections(p);
         },
         "'4294967296' is not a valid integer value", true},
        {"BlobSize not a number",
         [](ConfigFolder& f) {
             auto p = referenceWithout("BlobSize");
             p.push_back("BlobSize=--1");
             f.writeConnections(p);
         },
         "'--1' is not a valid integer value", true},
    };
}

void expectFailureRow(const Case& c)
{
    auto config = recording::useRecordingDriver();
    c.arrange(*config);
    const std::string connections = contents(config->filePath("dbxconnections.ini"));
    const std::string drivers = contents(config->filePath("dbxdrivers.ini"));
    const std::string registry = contents(config->filePath("dbx/registry.ini"));
    SQLConnection connection;
    if (c.before)
        c.before(connection);
    const auto settingsBefore = connection.settings();

    std::string expected = c.text;
    if (expected.empty() && std::string(c.what).find("connection file") == 0)
        expected = "Driver/Connection Registry File '" + config->filePath("dbxconnections.ini") + "' not found";
    else if (expected.empty())
        expected = "Unable to Load " + config->filePath("junk.so");

    EXPECT_EQ(test::errorText([&] { connection.open(); }), expected) << c.what;
    EXPECT_EQ(connection.state(), SQLConnection::State::Closed) << c.what;
    EXPECT_EQ(connection.driverConnection(), nullptr) << c.what;
    EXPECT_EQ(control().liveObjects("Connection"), 0) << c.what;
    EXPECT_EQ(control().liveObjects("Driver"), 0) << c.what;
    EXPECT_EQ(control().liveObjects("MetaData"), 0) << c.what;
    if (!c.reachesDriver) {
        EXPECT_TRUE(control().calls().empty()) << c.what;
    }
    if (expected.rfind("Unable to", 0) != 0 && !c.reachesDriver) {
        // Before the library is loaded nothing of the stored settings changes.
        EXPECT_EQ(connection.settings().libraryName, settingsBefore.libraryName) << c.what;
        EXPECT_EQ(connection.settings().vendorLib, settingsBefore.vendorLib) << c.what;
    }
    EXPECT_EQ(contents(config->filePath("dbxconnections.ini")), connections) << c.what;
    EXPECT_EQ(contents(config->filePath("dbxdrivers.ini")), drivers) << c.what;
    EXPECT_EQ(contents(config->filePath("dbx/registry.ini")), registry) << c.what;
}

} // namespace

TEST(ConnectFailure, EachRowOfTheFailureTableGivesItsText)
{
    for (const std::vector<Case>& table : {configurationCases(), driverCases()})
        for (const Case& c : table)
            expectFailureRow(c);
}

TEST(ConnectFailure, ErrorKindsTellConfigurationFromDatabaseAndConversion)
{
    auto config = recording::useRecordingDriver();
    config->writeFile("dbxdrivers.ini", "");
    SQLConnection connection;
    EXPECT_EQ(test::errorKind([&] { connection.open(); }), "EDatabaseError");

    config->writeConnections({"DriverName=Interbase", "Database=x", "SQLDialect=x"});
    config->writeDrivers();
    SQLConnection second;
    EXPECT_EQ(test::errorKind([&] { second.open(); }), "EConvertError");

    std::filesystem::remove(config->filePath("dbxconnections.ini"));
    SQLConnection third;
    EXPECT_EQ(test::errorKind([&] { third.open(); }), "EConfigurationError");
}

TEST(ConnectFailure, ASecondAttemptRereadsTheDriverEntriesButNotTheParameters)
{
    auto config = recording::useRecordingDriver();
    control().scriptNext("Connection.connect", 12, "Your user name and password are not defined.");
    SQLConnection connection;
    EXPECT_NE(test::errorText([&] { connection.open(); }), "(no error)");
    EXPECT_EQ(connection.lastError(), "dbExpress Error: [0x000C] Invalid Username/Password\r\n"
                                      "SQL Server Error: Your user name and password are not defined.");

    // The administrator fixes the files in between.
    config->writeConnections({"DriverName=Interbase", "Database=/other.fdb", "User_Name=sysdba", "Password=new"});
    config->writeDrivers(recording::pluginPath(), "libfbclient.so.3");
    control().clearCalls();
    connection.open();

    EXPECT_TRUE(connection.connected());
    EXPECT_EQ(connection.params().lines(), recording::referenceParams());
    EXPECT_EQ(connection.settings().vendorLib, "libfbclient.so.3");
    EXPECT_EQ(control().calls().front(), "getSQLDriverINTERBASE(\"libfbclient.so.3\", \"\")");
    EXPECT_EQ(control().callsStartingWith("Connection.connect"),
              Lines{"Connection.connect(\"/tmp/torvik/TORDATA.FDB\", \"sysdba\", \"quietfern\")"});
}

TEST(ConnectFailure, TheDriverNameIsReadAnewOnASecondAttempt)
{
    auto config = recording::useRecordingDriver();
    config->writeFile("dbxdrivers.ini", "");
    SQLConnection connection;
    EXPECT_EQ(test::errorText([&] { connection.open(); }), "SQLConnection1: DLL/Shared Library Name not Set");

    config->writeFile("dbxconnections.ini", "[Torvik]\nDriverName=\n");
    EXPECT_EQ(test::errorText([&] { connection.open(); }), "Missing DriverName property");
}

TEST(ConnectFailure, WithoutAnySettingTheFileBesideTheExecutableIsNamed)
{
    ConfigFolder empty;
    empty.makeXdgConfigHome();
    SQLConnection connection;
    const std::string beside = executableDirectory() + "/dbxconnections.ini";
    EXPECT_EQ(connection.connectionFilePath(), beside);
    if (std::filesystem::exists(beside))
        GTEST_SKIP() << "a configuration file lies beside the test program";
    EXPECT_EQ(test::errorText([&] { connection.open(); }),
              "Driver/Connection Registry File '" + beside + "' not found");
}
