// Broken configuration files met by a real connect: binary junk, huge lines, no
// sections, repeated sections, odd line ends. Each gives the exact text of the
// step that fails, or connects when the files still hold a working section.
#include "tests/reliability/transferrig.h"
#include "tests/support/tempdb/tempdatabase.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <random>
#include <string>

namespace {

using didu::test::TempDatabase;
using didu::test::TransferRig;

std::string section(const std::string& header, const std::vector<didu::test::Setting>& lines)
{
    std::string text = header + "\n";
    for (const auto& [name, value] : lines)
        text += name + "=" + value + "\n";
    return text;
}

std::string junk(std::size_t size, bool withZeros)
{
    std::mt19937 random(size);
    std::string bytes(size, '\0');
    for (char& b : bytes) {
        b = static_cast<char>(random() % 256);
        if (!withZeros && b == '\0')
            b = '\x01';
    }
    return bytes;
}

std::string replaced(std::string text, const std::string& from, const std::string& to)
{
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

TEST(BrokenConfiguration, EachGivesItsExactTextOrStillConnects)
{
    TempDatabase db("CREATE TABLE CUSTOMER (CUST_ID VARCHAR(10) NOT NULL PRIMARY KEY)");
    const std::string connections = section("[Torvik]", db.referenceParams());
    const std::string drivers = section("[Interbase]", db.referenceDriver());
    const std::string huge(4 << 20, 'h');
    const std::string longLibrary(100000, 'z');
    std::string manySections;
    for (int i = 0; i < 20000; ++i)
        manySections += "[S" + std::to_string(i) + "]\nk=v\n";
    const std::optional<std::string> connects;
    const std::string noDriverName = "Missing DriverName property";
    const std::string noLibrary = "SQLConnection1: DLL/Shared Library Name not Set";

    const struct {
        const char* what;
        std::string connectionFile;
        std::string driverFile;
        std::optional<std::string> error;
    } cases[] = {
        {"binary junk", junk(65536, false), drivers, noDriverName},
        {"junk without zero bytes before a good section", junk(65536, false) + "\n" + connections, drivers, connects},
        {"junk with zero bytes before a good section", junk(4096, true) + connections, drivers, noDriverName},
        {"a good section after the first zero byte", std::string("[Other]\n", 8) + '\0' + connections, drivers, noDriverName},
        {"a 4 MB comment line first", ";" + huge + "\n" + connections, drivers, connects},
        {"a 4 MB line before the first section", huge + "\r\n" + connections, drivers, connects},
        {"a 4 MB value in the section", connections + "Huge=" + huge + "\n", drivers, connects},
        {"a 4 MB section name", "[" + huge + "]\nDriverName=x\n" + connections, drivers, connects},
        {"20000 other sections first", manySections + connections, drivers, connects},
        {"no sections at all", connections.substr(connections.find('\n') + 1), drivers, noDriverName},
        {"the later of two sections wins", "[Torvik]\nDriverName=Interbase\nDatabase=/nowhere/X.FDB\n" + connections,
         drivers, connects},
        {"a later section without DriverName", connections + "[TORVIK]\nUser_Name=sysdba\n", drivers, noDriverName},
        {"lines ended by CR alone", replaced(connections, "\n", "\r"), replaced(drivers, "\n", "\r"), connects},
        {"a header without its closing bracket", replaced(connections, "[Torvik]", "[Torvik"), drivers, noDriverName},
        {"driver file of junk", connections, junk(65536, false), noLibrary},
        {"driver file without its section", connections, drivers.substr(drivers.find('\n') + 1), noLibrary},
        {"a 100000-byte library name", connections,
         replaced(drivers, db.referenceDriver()[0].second, longLibrary), "Unable to Load " + longLibrary},
        {"a dialect that is no number", replaced(connections, "SQLDialect=3", "SQLDialect=3\x01x"), drivers,
         "'3\x01x' is not a valid integer value"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        db.writeFile("dbxconnections.ini", c.connectionFile);
        db.writeFile("dbxdrivers.ini", c.driverFile);
        TransferRig rig;
        EXPECT_EQ(rig.run(), c.error);
    }
}

// A Database value longer than the client's 16-bit name length must not reach
// another file: cut to that length, this one would name the real database.
TEST(BrokenConfiguration, OverlongDatabaseNamesAreRefusedNotCut)
{
    TempDatabase db("CREATE TABLE CUSTOMER (CUST_ID VARCHAR(10) NOT NULL PRIMARY KEY)");
    const std::string padded = db.databasePath() + std::string(65536, 'x');
    db.writeConfiguration({{"Database", padded}});
    TransferRig rig;
    const auto error = rig.run();
    ASSERT_TRUE(error.has_value()) << "connected to a database the configuration does not name";
    EXPECT_FALSE(error->empty());
    std::printf("[ text     ] a %zu-byte Database value: %s\n", padded.size(), error->c_str());
}

} // namespace
