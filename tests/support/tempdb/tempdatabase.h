// A fresh embedded Firebird 3 database in a temporary folder, for tests that need
// the real engine. The folder also receives the configuration files of a working
// set-up, so that a SQLConnection created after the fixture connects to this
// database through the real driver plugin:
//
//   <folder>/TORDATA.FDB            the database (dialect 3, character set NONE)
//   <folder>/dbxconnections.ini     [Torvik], the fourteen reference lines, Database=<db>
//   <folder>/dbxdrivers.ini         [Interbase], LibraryName=<bin>/libdbxint.so, ...
//   <folder>/config/dbx/registry.ini naming both files
//
// and XDG_CONFIG_HOME is set to <folder>/config for the life of the fixture (the
// previous value comes back afterwards). Everything is removed on destruction.
// When /tmp/firebird belongs to another user, FIREBIRD_LOCK is set to a lock
// folder of this user's own, so the embedded engine can start.
//
// The fixture keeps an attachment of its own open once it has run anything.
// Embedded Firebird gives a database file to one process at a time: call
// detach() before another process (the program under test) opens it.
//
//   didu::test::TempDatabase db("CREATE TABLE T (A INTEGER, B VARCHAR(10));"
//                               "INSERT INTO T VALUES (1, 'x');");
//   auto rows = db.query("SELECT A, B FROM T");   // rows[0][1] == "x"
//
// Failures throw std::runtime_error carrying Firebird's own message.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace didu::test {

/// One column value read back: the exact bytes, or nullopt for NULL.
using Value = std::optional<std::string>;
/// One row read back, column by column.
using Row = std::vector<Value>;
/// A name=value line of a configuration file section.
using Setting = std::pair<std::string, std::string>;

class TempDatabase {
public:
    /// Creates the folder, the database and the configuration files, then runs
    /// `setupSql` (see run()).
    explicit TempDatabase(const std::string& setupSql = {});
    /// Detaches, restores XDG_CONFIG_HOME and removes the folder with everything in it.
    ~TempDatabase();
    TempDatabase(const TempDatabase&) = delete;
    TempDatabase& operator=(const TempDatabase&) = delete;

    /// The temporary folder, without a trailing "/".
    const std::string& folder() const { return m_folder; }
    /// Full path of the database file.
    const std::string& databasePath() const { return m_databasePath; }
    /// Full paths of the two configuration files.
    std::string connectionFilePath() const { return m_folder + "/dbxconnections.ini"; }
    std::string driverFilePath() const { return m_folder + "/dbxdrivers.ini"; }

    /// Runs several statements separated by ";" (outside quotes and comments),
    /// each in its own transaction, committed at once, so DDL is visible to the next.
    void run(const std::string& script);
    /// Runs one statement in its own committed transaction.
    void execute(const std::string& sql);
    /// Runs one statement with text parameters bound to its "?" markers, byte for
    /// byte (nullopt binds NULL); committed at once.
    void execute(const std::string& sql, const std::vector<Value>& parameters);
    /// Runs a SELECT in its own transaction and gives every row. Text columns give
    /// their exact bytes (CHAR with its trailing blanks); numbers their decimal
    /// text (scaled ones with their fixed decimals, "12.50"); dates "YYYY-MM-DD",
    /// times "HH:MM:SS.ffff", timestamps both joined by a blank; blobs their bytes.
    std::vector<Row> query(const std::string& sql);
    /// The single value of a query giving one row of one column.
    Value scalar(const std::string& sql);

    /// The reference parameter lines of the section [Torvik], in file order, with
    /// Database naming this fixture's database.
    std::vector<Setting> referenceParams() const;
    /// The lines of the section [Interbase]: LibraryName (the plugin beside the
    /// running executable), VendorLib and GetDriverFunc.
    std::vector<Setting> referenceDriver() const;
    /// Rewrites both configuration files: the reference lines with each change
    /// applied (a change replaces the value of the line with the same name, compared
    /// without regard to case, or is appended when there is none).
    void writeConfiguration(const std::vector<Setting>& paramChanges = {},
                            const std::vector<Setting>& driverChanges = {});
    /// Writes `contents` verbatim to the file `name` in the folder and gives its
    /// full path; for tests of odd configuration files.
    std::string writeFile(const std::string& name, const std::string& contents);

    /// Closes the fixture's own attachment (the next call attaches again), e.g.
    /// before a test that needs the database to itself.
    void detach();

private:
    void attach();

    std::string m_folder;
    std::string m_databasePath;
    std::optional<std::string> m_savedXdgConfigHome;
    unsigned int m_db = 0; // isc_db_handle
};

/// Splits a script into statements at ";" outside quotes and comments; empty
/// statements are dropped. Exposed for its own tests.
std::vector<std::string> splitScript(const std::string& script);

/// `text` as an SQL string literal: in single quotes, each quote written twice.
std::string sqlLiteral(const std::string& text);

/// Writes `contents` to `path`, replacing the file; throws when it cannot.
void writeText(const std::string& path, const std::string& contents);

} // namespace didu::test
