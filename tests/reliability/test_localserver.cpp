// A plain path in Database= opens the file embedded where this process may,
// and through the machine's own server where the server holds the file or
// only the server's account may read it. When neither way opens it, the
// operator reads why the file could not be opened, never that nobody answers
// on localhost. The private server stands in for the machine's own: the
// connection names its port ("Server Port"), the machine's server has 3050.
#include "tests/reliability/childprocess.h"
#include "tests/reliability/serverfixture.h"

#include <ibase.h>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <regex>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace std::chrono_literals;
using didu::test::ChildProcess;

class LocalServer : public didu::test::ServerTest {
protected:
    void SetUp() override
    {
        ServerTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        db->execute(didu::test::addCustomersSql(5));
        // The login the README gives the transfer, with its grants and no more.
        db->run("CREATE USER DIDU_TRANSFER PASSWORD '" + kPassword + "';"
                "GRANT SELECT ON CUSTOMER TO USER DIDU_TRANSFER;"
                "GRANT SELECT, INSERT ON MEMBER TO USER DIDU_TRANSFER");
        path = server->dataFolder() + "/TORDATA.FDB";
        // The plain path, and the port of the machine's "own" server.
        setLine("Database", path + "\nServer Port=" + std::to_string(server->port()));
        setLine("User_Name", "DIDU_TRANSFER");
        setLine("Password", kPassword);
        // An operator outside root reads the configuration as a shop's group
        // member reads /etc/diduradozori, and has a lock folder of its own, so
        // that what stops it is the database file's mode alone.
        for (const std::string& folder : {configFolder, configFolder + "/config", configFolder + "/config/dbx"})
            ::chmod(folder.c_str(), 0755);
        lockFolder = configFolder + "/operator-lock";
        std::filesystem::create_directory(lockFolder);
        ASSERT_EQ(::chown(lockFolder.c_str(), kOperator, kOperator), 0);
    }

    void setLine(const std::string& name, const std::string& value)
    {
        std::ifstream in(configFolder + "/dbxconnections.ini");
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        text = std::regex_replace(text, std::regex("\n" + name + "=[^\n]*\n"), "\n" + name + "=" + value + "\n");
        std::ofstream(configFolder + "/dbxconnections.ini", std::ios::trunc) << text;
    }

    /// The command run by root, or by an operator who may not read the file:
    /// its exit code and what it wrote.
    std::pair<std::optional<int>, std::string> transfer(bool asOperator)
    {
        std::vector<std::string> argv {didu::test::executableFolder() + "/diduradozori-transfer"};
        std::vector<std::string> environment {"XDG_CONFIG_HOME=" + xdgConfigHome};
        if (asOperator) {
            const std::string id = std::to_string(kOperator);
            argv.insert(argv.begin(), {"/usr/bin/setpriv", "--reuid=" + id, "--regid=" + id, "--clear-groups"});
            environment.push_back("FIREBIRD_LOCK=" + lockFolder);
        }
        ChildProcess run(argv, environment);
        const auto code = run.wait(120s);
        return {code, run.remainingOutput() + run.errorOutput()};
    }

    static constexpr unsigned kOperator = 65534; // nobody
    const std::string kPassword = "transfer only";
    std::string path;
    std::string lockFolder;
};

TEST_F(LocalServer, APlainPathOpensThroughTheServerOrSaysWhyTheFileDidNotOpen)
{
    // The server holds the file (in Super mode, exclusively): root's own
    // engine may not open it. The operator may not read it at all.
    for (const bool asOperator : {false, true}) {
        SCOPED_TRACE(asOperator ? "an operator who may not read the file" : "root, the file held by the server");
        db->execute("DELETE FROM MEMBER");
        const auto [code, said] = transfer(asOperator);
        ASSERT_EQ(code, 0) << said;
        EXPECT_EQ(said.substr(0, said.rfind(", ")), "資料轉移完成.\n5 customers read, 5 members added, 0 already members");
        EXPECT_EQ(count(didu::test::kWholeMemberRowsSql), 5);
    }

    const std::string held = "I/O error during \"lock\" operation for file \"" + path
        + "\"\nDatabase already opened with engine instance, incompatible with current";
    const std::string denied =
        "I/O error during \"open\" operation for file \"" + path + "\"\nError while trying to open file\nPermission denied";
    auto expectFailure = [&](bool asOperator, const std::string& reason) {
        const auto [code, text] = transfer(asOperator);
        EXPECT_EQ(code, 1);
        EXPECT_NE(text.find("SQL Server Error: " + reason), std::string::npos) << text;
        EXPECT_EQ(text.find("network"), std::string::npos) << text;
    };
    // The server answers and refuses the login: its text counts.
    setLine("Password", "wrong" + kPassword);
    expectFailure(false, "Your user name and password are not defined");
    setLine("Password", kPassword);
    // This process's engine holds the file, and the server meets the same
    // lock: the operator reads the engine's reason.
    db->detach();
    std::string dpb {char(isc_dpb_version1), char(isc_dpb_user_name), 6};
    dpb += "SYSDBA";
    ISC_STATUS_ARRAY status {};
    isc_db_handle holder = 0;
    ASSERT_EQ(isc_attach_database(status, 0, path.c_str(), &holder, static_cast<short>(dpb.size()), dpb.data()), 0);
    expectFailure(false, held);
    // No server at all: root's engine meets the held file, the operator the
    // file's mode.
    server->stop();
    expectFailure(false, held);
    expectFailure(true, denied);
    isc_detach_database(status, &holder);
}

} // namespace
