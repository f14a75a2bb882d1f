// Locating the two configuration files through the per-user setting, and
// reading files that are missing or unreadable (huge and binary ones:
// BrokenConfiguration, through a whole run).
#include "db/connection/configfile.h"
#include "platform/errors.h"
#include "platform/library.h"
#include "platform/usersetting.h"
#include "tests/support/recording/recordingsetup.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>

using namespace didu;
using recording::ConfigFolder;

namespace {

std::string locateConnections()
{
    return locateConfigFile(ConnectionRegistryValue, ConnectionRegistryDefault);
}

std::string locateDrivers()
{
    return locateConfigFile(DriverRegistryValue, DriverRegistryDefault);
}

std::string errorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const ConfigurationError& e) {
        return e.what();
    }
    return "(no error)";
}

} // namespace

TEST(UserSetting, LivesUnderXdgConfigHomeOrHome)
{
    ConfigFolder folder;
    folder.makeXdgConfigHome();
    EXPECT_EQ(userSettingPath(), folder.path() + "/dbx/registry.ini");

    const std::string xdg = folder.path();
    ::unsetenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    EXPECT_EQ(userSettingPath(), std::string(home ? home : "") + "/.config/dbx/registry.ini");
    ::setenv("XDG_CONFIG_HOME", "", 1); // empty counts as unset
    EXPECT_EQ(userSettingPath(), std::string(home ? home : "") + "/.config/dbx/registry.ini");
    ::setenv("XDG_CONFIG_HOME", xdg.c_str(), 1);
}

TEST(UserSetting, WithoutAValueBothFilesLieBesideTheExecutable)
{
    const struct {
        const char* what;
        const char* registry; // null: no file at all
    } cases[] = {
        {"no setting file", nullptr},
        {"no DBExpress section", "[Other]\nConnection Registry File=/x/c.ini\nDriver Registry File=/x/d.ini\n"},
        {"empty values", "[DBExpress]\nConnection Registry File=\nDriver Registry File=   \n"},
        {"other values only", "[DBExpress]\nSomething=/x/c.ini\n"},
        {"value before the section", "Connection Registry File=/x/c.ini\n[DBExpress]\n"},
    };
    for (const auto& c : cases) {
        ConfigFolder folder;
        if (c.registry)
            folder.writeFile("dbx/registry.ini", c.registry);
        folder.makeXdgConfigHome();
        EXPECT_EQ(locateConnections(), executableDirectory() + "/dbxconnections.ini") << c.what;
        EXPECT_EQ(locateDrivers(), executableDirectory() + "/dbxdrivers.ini") << c.what;
    }
}

TEST(UserSetting, NamedPathsAreUsedAsTheyStand)
{
    ConfigFolder folder;
    folder.writeFile("dbx/registry.ini", "; written by the administrator\n"
                                         "[dbexpress]\n"
                                         "connection registry file = /nowhere/$HOME/conn files.ini \n"
                                         "Driver Registry File=relative/d=1.ini\n"
                                         "Connection Registry File=/second/is/ignored.ini\n");
    folder.makeXdgConfigHome();
    // No test that the file exists, no expansion of environment references.
    EXPECT_EQ(locateConnections(), "/nowhere/$HOME/conn files.ini");
    EXPECT_EQ(locateDrivers(), "relative/d=1.ini");
}

TEST(UserSetting, NonStringValuesAreTheWrongType)
{
    const struct {
        const char* value;
        bool wrongType;
    } cases[] = {
        {"dword:00000001", true},
        {"DWORD:1", true},
        {"hex:2f,00", true},
        {"hex:", true},
        {"hexagon.ini", false},
        {"/etc/dword:1.ini", false},
    };
    for (const auto& c : cases) {
        ConfigFolder folder;
        folder.writeFile("dbx/registry.ini", std::string("[DBExpress]\nConnection Registry File=") + c.value +
                                                 "\nDriver Registry File=" + c.value + "\n");
        folder.makeXdgConfigHome();
        if (c.wrongType) {
            EXPECT_EQ(errorOf(locateConnections), "Invalid data type for 'Connection Registry File'") << c.value;
            EXPECT_EQ(errorOf(locateDrivers), "Invalid data type for 'Driver Registry File'") << c.value;
        } else {
            EXPECT_EQ(locateConnections(), c.value);
        }
    }
}

TEST(UserSetting, ASettingFileThatCannotBeReadCountsAsMissing)
{
    ConfigFolder folder;
    ASSERT_EQ(::mkdir(folder.filePath("dbx").c_str(), 0700), 0);
    ASSERT_EQ(::mkdir(folder.filePath("dbx/registry.ini").c_str(), 0700), 0); // a folder
    folder.makeXdgConfigHome();
    EXPECT_EQ(locateConnections(), executableDirectory() + "/dbxconnections.ini");
}

TEST(ConfigFile, ReadsOneValueOrASectionAnew)
{
    ConfigFolder folder;
    folder.writeFile("c.ini", "[Torvik]\nDriverName = Interbase\nUser_Name=sysdba\n");
    const std::string path = folder.filePath("c.ini");
    EXPECT_EQ(readConfigValue(path, "TORVIK", "drivername"), "Interbase");
    EXPECT_EQ(readConfigValue(path, "Torvik", "Missing"), "");
    EXPECT_EQ(readConfigValue(path, "Missing", "DriverName"), "");
    EXPECT_EQ(readConfigSection(path, "torvik").lines(),
              (std::vector<std::string>{"DriverName=Interbase", "User_Name=sysdba"}));

    folder.writeFile("c.ini", "[Torvik]\nDriverName=Other\n");
    EXPECT_EQ(readConfigValue(path, "Torvik", "DriverName"), "Other"); // no cache
}

TEST(ConfigFile, MissingFoldersAndUnreadableFilesReadAsEmpty)
{
    ConfigFolder folder;
    ASSERT_EQ(::mkdir(folder.filePath("folder.ini").c_str(), 0700), 0);
    EXPECT_TRUE(readConfigSection(folder.filePath("folder.ini"), "Torvik").empty());
    EXPECT_FALSE(configFileExists(folder.filePath("folder.ini")));
    EXPECT_TRUE(readConfigSection(folder.filePath("none.ini"), "Torvik").empty());
    EXPECT_FALSE(configFileExists(folder.filePath("none.ini")));
    EXPECT_FALSE(configFileExists(""));
    EXPECT_TRUE(readConfigSection("", "Torvik").empty());

    // A pipe would block a reader that opened it; it is not a file.
    ASSERT_EQ(::mkfifo(folder.filePath("pipe.ini").c_str(), 0600), 0);
    EXPECT_FALSE(configFileExists(folder.filePath("pipe.ini")));
    EXPECT_TRUE(readConfigSection(folder.filePath("pipe.ini"), "Torvik").empty());

    folder.writeFile("locked.ini", "[Torvik]\nDriverName=Interbase\n");
    ASSERT_EQ(::chmod(folder.filePath("locked.ini").c_str(), 0), 0);
    EXPECT_TRUE(configFileExists(folder.filePath("locked.ini")));
    if (::geteuid() != 0) { // root reads it anyway
        EXPECT_TRUE(readConfigSection(folder.filePath("locked.ini"), "Torvik").empty());
    }
}

TEST(ConfigFile, LineEndsSplitAcrossReadChunksStayOneLineEnd)
{
    // The reader reads 64 KiB at a time; a CR LF across that border is one end.
    ConfigFolder folder;
    std::string text = "[Torvik]\n;" + std::string(64 * 1024 - 11, 'c');
    ASSERT_EQ(text.size(), 64u * 1024 - 1);
    text += "\r\nA=1\r\rB=2\n";
    folder.writeFile("border.ini", text);
    EXPECT_EQ(readConfigSection(folder.filePath("border.ini"), "Torvik").lines(),
              (std::vector<std::string>{"A=1", "B=2"}));
}
