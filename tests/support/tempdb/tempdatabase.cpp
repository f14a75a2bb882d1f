#include "tests/support/tempdb/tempdatabase.h"

#include "platform/library.h"
#include "tests/support/tempdb/fbstatus.h"

#include <ibase.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <strings.h>
#include <unistd.h>

namespace didu::test {

namespace {

std::string makeTempFolder()
{
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/didu-db-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a temporary folder from " + pattern);
    return pattern;
}


std::string section(const std::string& name, std::vector<Setting> lines, const std::vector<Setting>& changes)
{
    for (const auto& [key, value] : changes) {
        bool replaced = false;
        for (auto& line : lines) {
            if (::strcasecmp(line.first.c_str(), key.c_str()) == 0) {
                line.second = value;
                replaced = true;
                break;
            }
        }
        if (!replaced)
            lines.emplace_back(key, value);
    }
    std::string text = "[" + name + "]\n";
    for (const auto& [key, value] : lines)
        text += key + "=" + value + "\n";
    return text;
}

/// The embedded engine keeps its lock files in /tmp/firebird, and a process that
/// cannot write there fails at its first attach. When another user made that
/// folder, this process gets a lock folder of its own (the engine reads the
/// setting once, at its first attach; child processes inherit it).
void ensureLockFolder()
{
    if (std::getenv("FIREBIRD_LOCK") || ::access("/tmp/firebird", F_OK) != 0 || ::access("/tmp/firebird", W_OK) == 0)
        return;
    const char* base = std::getenv("TMPDIR");
    const std::string folder = std::string(base && *base ? base : "/tmp") + "/firebird-" + std::to_string(::getuid());
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    ::setenv("FIREBIRD_LOCK", folder.c_str(), 0);
}

} // namespace

TempDatabase::TempDatabase(const std::string& setupSql)
{
    ensureLockFolder();
    m_folder = makeTempFolder();
    m_databasePath = m_folder + "/TORDATA.FDB";
    try {
        // Embedded mode checks no password; the owner is the user named here, the
        // same one the reference configuration connects as.
        const std::string create = "CREATE DATABASE " + sqlLiteral(m_databasePath)
            + " USER 'SYSDBA' PASSWORD 'masterkey' PAGE_SIZE 8192 DEFAULT CHARACTER SET NONE";
        ISC_STATUS_ARRAY status {};
        isc_db_handle db = 0;
        isc_tr_handle tr = 0;
        if (isc_dsql_execute_immediate(status, &db, &tr, 0, create.c_str(), 3, nullptr))
            throw std::runtime_error("cannot create " + m_databasePath + ": " + statusText(status));
        m_db = db;

        std::filesystem::create_directories(m_folder + "/config/dbx");
        writeConfiguration();
        writeText(m_folder + "/config/dbx/registry.ini",
                  "[DBExpress]\nConnection Registry File=" + connectionFilePath()
                      + "\nDriver Registry File=" + driverFilePath() + "\n");
        if (const char* old = std::getenv("XDG_CONFIG_HOME"))
            m_savedXdgConfigHome = old;
        ::setenv("XDG_CONFIG_HOME", (m_folder + "/config").c_str(), 1);

        if (!setupSql.empty())
            run(setupSql);
    } catch (...) {
        detach();
        if (m_savedXdgConfigHome)
            ::setenv("XDG_CONFIG_HOME", m_savedXdgConfigHome->c_str(), 1);
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
        throw;
    }
}

TempDatabase::~TempDatabase()
{
    detach();
    if (m_savedXdgConfigHome)
        ::setenv("XDG_CONFIG_HOME", m_savedXdgConfigHome->c_str(), 1);
    else
        ::unsetenv("XDG_CONFIG_HOME");
    std::error_code ignored;
    std::filesystem::remove_all(m_folder, ignored);
}

std::vector<Setting> TempDatabase::referenceParams() const
{
    return {
        {"DriverName", "Interbase"},
        {"Database", m_databasePath},
        {"RoleName", "RoleName"},
        {"User_Name", "sysdba"},
        {"Password", "quietfern"},
        {"ServerCharSet", ""},
        {"SQLDialect", "3"},
        {"BlobSize", "-1"},
        {"CommitRetain", "False"},
        {"WaitOnLocks", "True"},
        {"ErrorResourceFile", ""},
        {"LocaleCode", "0000"},
        {"Interbase TransIsolation", "ReadCommited"},
        {"Trim Char", "False"},
    };
}

std::vector<Setting> TempDatabase::referenceDriver() const
{
    return {
        {"LibraryName", didu::executableDirectory() + "/libdbxint.so"},
        {"VendorLib", "libfbclient.so.2"},
        {"GetDriverFunc", "getSQLDriverINTERBASE"},
    };
}

void TempDatabase::writeConfiguration(const std::vector<Setting>& paramChanges,
                                      const std::vector<Setting>& driverChanges)
{
    writeText(connectionFilePath(), section("Torvik", referenceParams(), paramChanges));
    writeText(driverFilePath(), section("Interbase", referenceDriver(), driverChanges));
}

std::string TempDatabase::writeFile(const std::string& name, const std::string& contents)
{
    const std::string path = m_folder + "/" + name;
    writeText(path, contents);
    return path;
}

void TempDatabase::attach()
{
    if (m_db)
        return;
    ISC_STATUS_ARRAY status {};
    isc_db_handle db = 0;
    const char dpb[] = {isc_dpb_version1, isc_dpb_user_name, 6, 'S', 'Y', 'S', 'D', 'B', 'A',
                        isc_dpb_sql_dialect, 1, 3};
    if (isc_attach_database(status, 0, m_databasePath.c_str(), &db, sizeof dpb, dpb))
        throw std::runtime_error("cannot attach " + m_databasePath + ": " + statusText(status));
    m_db = db;
}

void TempDatabase::detach()
{
    detachDatabase(m_db);
}

std::string sqlLiteral(const std::string& text)
{
    std::string out = "'";
    for (char c : text) {
        out += c;
        if (c == '\'')
            out += '\'';
    }
    return out + "'";
}

void writeText(const std::string& path, const std::string& contents)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << contents;
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

} // namespace didu::test
