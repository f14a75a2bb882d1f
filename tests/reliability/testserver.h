// A private Firebird server for one test, and a plain client for setting up and
// checking its databases. The server listens on the loopback address only, on a
// free port, with a SYSDBA password of its own (tools/fbserver.sh); it is
// stopped and its folder removed in every case, also when the test fails.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace didu::test {

class ChildProcess;

/// A port on 127.0.0.1 that nothing listens on at the moment of asking.
int freeLoopbackPort();

/// One column value read back (nullopt for NULL) and one row of them.
using ServerValue = std::optional<std::string>;
using ServerRow = std::vector<ServerValue>;

class TestServer {
public:
    /// Why the server cannot run here (not root, no server package), or empty.
    static std::string unavailableReason();

    /// Starts the server; throws std::runtime_error with the script's output
    /// when it does not come up.
    TestServer();
    /// Stops the server and removes its folder.
    ~TestServer();
    TestServer(const TestServer&) = delete;
    TestServer& operator=(const TestServer&) = delete;

    /// Stops the server (its clients lose their connections); start() brings it
    /// back on the same port, with the same password and databases.
    void stop();
    void start();
    bool running() const { return m_running; }

    int port() const { return m_port; }
    const std::string& password() const { return m_password; }
    /// Where database files go (owned by the firebird user).
    std::string dataFolder() const { return m_folder + "/data"; }
    /// The Database value for a file in dataFolder(): "127.0.0.1/port:path".
    std::string databaseUrl(const std::string& fileName) const;

    /// Writes a working set-up for `url` into `folder` (dbxconnections.ini with
    /// the reference lines, dbxdrivers.ini naming the driver plugin beside the
    /// running executable, config/dbx/registry.ini naming both) and gives the
    /// XDG_CONFIG_HOME value that makes the program find them.
    std::string writeConfiguration(const std::string& folder, const std::string& url) const;

private:
    std::string m_folder;
    // Stops the server and removes the folder should this process end without
    // its destructor running (a crash, or a watchdog ending a hung test).
    std::unique_ptr<ChildProcess> m_guard;
    int m_port = 0;
    std::string m_password;
    bool m_running = false;
};

/// A database reached through the server: made by the constructor, reached by
/// its own attachment; every statement runs in its own committed transaction.
class ServerDatabase {
public:
    /// Creates the database `url` (dialect 3, character set NONE) and runs
    /// `setupSql`, statements separated by ";" outside quotes.
    ServerDatabase(const std::string& url, const std::string& password, const std::string& setupSql = {});
    ~ServerDatabase();
    ServerDatabase(const ServerDatabase&) = delete;
    ServerDatabase& operator=(const ServerDatabase&) = delete;

    const std::string& url() const { return m_url; }
    void run(const std::string& script);
    void execute(const std::string& sql);
    /// Rows of a SELECT; every column must be text, an integer or NULL.
    std::vector<ServerRow> query(const std::string& sql);
    /// The one value of a one-row, one-column query, as text.
    std::string scalar(const std::string& sql);
    /// Drops the attachment (the next call attaches again).
    void detach();
    /// Turns the database's forced writes on or off. Off, a commit does not wait
    /// for the disk: a killed process still loses nothing (the system keeps the
    /// pages it was given), only a power cut could, which these tests do not make.
    void setForcedWrites(bool on);

private:
    void attach();
    /// Attaches if needed and starts a transaction on the database.
    unsigned int begin();

    std::string m_url;
    std::string m_password;
    unsigned int m_db = 0;
};

} // namespace didu::test
