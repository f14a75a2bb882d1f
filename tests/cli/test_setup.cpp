// What the command is started with: arguments it does not take and set-ups the
// connection cannot use end with status 2 before the database is reached; the
// database's own refusal is a failed run (1); the files are found beside the
// program however it was started, and --connection picks the section.
#include "tests/cli/commandrun.h"
#include "tests/reliability/salesdata.h"
#include "tests/support/tempdb/tempdatabase.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace didu::test {
namespace {

const std::string kTryHelp = "Try 'diduradozori-transfer --help' for more information.\n";

TEST(CommandSetUp, BadArgumentsExitTwoWithTheirText)
{
    const struct {
        std::vector<std::string> arguments;
        std::string text;
    } cases[] = {
        {{"--bogus"}, "unknown option '--bogus'"},
        {{"Torvik"}, "unexpected argument 'Torvik'"},
        {{"--connection"}, "--connection needs a value"},
        {{"--connection="}, "--connection needs a section name"},
        {{"--dry-run=yes"}, "--dry-run takes no value"},
        {{"--progress-fd", "x1"}, "--progress-fd needs a file descriptor number, not 'x1'"},
        {{"--progress-fd", "57"}, "file descriptor 57 is not open"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.front());
        const TransferResult result = runTransfer(c.arguments);
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_EQ(result.output, "");
        EXPECT_EQ(result.errors, "diduradozori-transfer: " + c.text + "\n" + kTryHelp);
    }
    const TransferResult help = runTransfer({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.output.rfind("Usage: diduradozori-transfer [OPTION]...\n", 0), 0u) << help.output;
}

TEST(CommandSetUp, AnUnusableSetUpExitsTwoAndTheDatabasesRefusalOne)
{
    TempDatabase db(kSalesSchema);
    db.execute(addCustomersSql(3));
    db.detach();
    const std::string folder = db.folder();
    const struct {
        std::vector<Setting> paramChanges;
        std::vector<Setting> driverChanges;
        std::vector<std::string> arguments;
        int exitCode;
        std::string errors;
    } cases[] = {
        {{}, {}, {"--connection", "Branch2"}, 2, "Missing DriverName property.\n"},
        {{{"Database", ""}}, {}, {}, 2, "Missing Database property.\n"},
        {{}, {{"LibraryName", folder + "/none.so"}}, {}, 2, "Unable to Load " + folder + "/none.so.\n"},
        {{}, {{"VendorLib", folder + "/none.so"}}, {}, 2, "Unable to Load " + folder + "/none.so.\n"},
        {{{"SQLDialect", "three"}}, {}, {}, 2, "'three' is not a valid integer value.\n"},
        {{{"Database", folder + "/NONE.FDB"}}, {}, {}, 1,
         "dbExpress Error: [0x0015]: Connection failed\nSQL Server Error: I/O error during \"open\" operation for file \""
             + folder + "/NONE.FDB\"\nError while trying to open file\nNo such file or directory.\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.errors);
        db.writeConfiguration(c.paramChanges, c.driverChanges);
        const TransferResult result = runTransfer(c.arguments);
        EXPECT_EQ(result.exitCode, c.exitCode);
        EXPECT_EQ(result.output, "");
        EXPECT_EQ(result.errors, c.errors);
    }
    // The per-user setting naming a connection file that is not there.
    db.writeConfiguration();
    writeText(folder + "/config/dbx/registry.ini", "[DBExpress]\nConnection Registry File=" + folder + "/gone.ini\n");
    const TransferResult gone = runTransfer({});
    EXPECT_EQ(gone.exitCode, 2);
    EXPECT_EQ(gone.errors, "Driver/Connection Registry File '" + folder + "/gone.ini' not found.\n");
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM MEMBER"), "0");
}

// As the package lays it out: the program and its plugins in one folder with the
// configuration files, started through a link from another folder (as
// /usr/bin/diduradozori-transfer), with no per-user setting; the connection
// file holds one section per shop, and --connection picks one.
TEST(CommandSetUp, StartedThroughALinkItUsesTheNamedSectionOfTheFilesBesideIt)
{
    TempDatabase db(kSalesSchema);
    db.execute(addCustomersSql(2));
    db.detach();
    namespace fs = std::filesystem;
    const fs::path lib = db.folder() + "/lib", bin = db.folder() + "/bin";
    fs::create_directories(lib);
    fs::create_directories(bin);
    for (const char* file : {"diduradozori-transfer", "libdbxint.so", "libmidas.so"})
        fs::copy_file(executableFolder() + "/" + file, lib / file);
    std::string connections = "[Torvik]\nDriverName=Interbase\nDatabase=" + db.folder() + "/NONE.FDB\n[Branch]\n";
    for (const auto& [name, value] : db.referenceParams())
        connections += name + "=" + value + "\n";
    std::string drivers = "[Interbase]\n";
    drivers += "LibraryName=libdbxint.so\nVendorLib=libfbclient.so.2\nGetDriverFunc=getSQLDriverINTERBASE\n";
    writeText(lib / "dbxconnections.ini", connections);
    writeText(lib / "dbxdrivers.ini", drivers);
    fs::create_symlink("../lib/diduradozori-transfer", bin / "diduradozori-transfer");

    ChildProcess run({bin / "diduradozori-transfer", "--connection", "Branch"},
                     {"XDG_CONFIG_HOME=" + db.folder() + "/nobody"});
    ASSERT_EQ(run.wait(std::chrono::minutes(2)), 0) << run.errorOutput();
    EXPECT_EQ(withoutSeconds(run.remainingOutput()),
              "資料轉移完成.\n2 customers read, 2 members added, 0 already members, S s\n");
}

} // namespace
} // namespace didu::test
