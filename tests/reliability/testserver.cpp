#include "tests/reliability/testserver.h"

#include "tests/reliability/childprocess.h"
#include "tests/support/tempdb/fbstatus.h"
#include "tests/support/tempdb/tempdatabase.h"

#include <ibase.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>

namespace didu::test {

namespace {

const std::string kScript = std::string(DIDU_SOURCE_DIR) + "/tools/fbserver.sh";


std::string randomPassword()
{
    static const char letters[] = "abcdefghijkmnpqrstuvwxyzABCDEFGHJKLMNPQRSTUVWXYZ23456789";
    std::random_device device;
    std::string password;
    for (int i = 0; i < 14; ++i)
        password += letters[device() % (sizeof letters - 1)];
    return password;
}


[[noreturn]] void fail(const std::string& what, const ISC_STATUS* status)
{
    throw std::runtime_error(what + ": " + statusText(status));
}

} // namespace

int freeLoopbackPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0
        || ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        if (fd >= 0)
            ::close(fd);
        throw std::runtime_error("no free port on 127.0.0.1");
    }
    ::close(fd);
    return ntohs(address.sin_port);
}

std::string TestServer::unavailableReason()
{
    if (::geteuid() != 0)
        return "the private server runs as the firebird user, which needs root";
    // The script that starts the server knows which engine goes with this
    // release and where its package put it.
    const CommandResult result = runCommand({"/bin/bash", kScript, "available", "-"}, std::chrono::seconds(30));
    if (result.exitCode == 0)
        return {};
    std::string reason = result.output;
    while (!reason.empty() && reason.back() == '\n')
        reason.pop_back();
    return reason.empty() ? "no Firebird server is installed" : reason;
}

TestServer::TestServer()
{
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/didu-server-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a folder from " + pattern);
    m_folder = pattern;
    m_password = randomPassword();
    m_port = freeLoopbackPort();
    try {
        const std::string watch = "while kill -0 " + std::to_string(::getpid())
            + " 2>/dev/null; do sleep 1; done; bash '" + kScript + "' stop '" + m_folder + "'; rm -rf '" + m_folder + "'";
        m_guard = std::make_unique<ChildProcess>(std::vector<std::string> {"/bin/sh", "-c", watch});
        start();
    } catch (...) {
        m_guard.reset();
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
        throw;
    }
}

TestServer::~TestServer()
{
    m_guard.reset();
    stop();
    std::error_code ignored;
    std::filesystem::remove_all(m_folder, ignored);
}

void TestServer::start()
{
    if (m_running)
        return;
    const CommandResult result =
        runCommand({"/bin/bash", kScript, "start", m_folder, std::to_string(m_port), m_password}, std::chrono::seconds(60));
    if (result.exitCode != 0) {
        runCommand({"/bin/bash", kScript, "stop", m_folder}, std::chrono::seconds(30));
        throw std::runtime_error("the test server did not start: " + result.output);
    }
    m_running = true;
}

void TestServer::stop()
{
    if (!m_running)
        return;
    runCommand({"/bin/bash", kScript, "stop", m_folder}, std::chrono::seconds(30));
    m_running = false;
}

std::string TestServer::databaseUrl(const std::string& fileName) const
{
    return "127.0.0.1/" + std::to_string(m_port) + ":" + dataFolder() + "/" + fileName;
}

std::string TestServer::writeConfiguration(const std::string& folder, const std::string& url) const
{
    std::filesystem::create_directories(folder + "/config/dbx");
    writeText(folder + "/dbxconnections.ini",
              "[Torvik]\nDriverName=Interbase\nDatabase=" + url
                  + "\nRoleName=RoleName\nUser_Name=sysdba\nPassword=" + m_password
                  + "\nServerCharSet=\nSQLDialect=3\nBlobSize=-1\nCommitRetain=False\nWaitOnLocks=True\n"
                    "ErrorResourceFile=\nLocaleCode=0000\nInterbase TransIsolation=ReadCommited\nTrim Char=False\n");
    writeText(folder + "/dbxdrivers.ini",
              "[Interbase]\nLibraryName=" + executableFolder()
                  + "/libdbxint.so\nVendorLib=libfbclient.so.2\nGetDriverFunc=getSQLDriverINTERBASE\n");
    writeText(folder + "/config/dbx/registry.ini",
              "[DBExpress]\nConnection Registry File=" + folder + "/dbxconnections.ini\nDriver Registry File="
                  + folder + "/dbxdrivers.ini\n");
    return folder + "/config";
}

ServerDatabase::ServerDatabase(const std::string& url, const std::string& password, const std::string& setupSql)
    : m_url(url), m_password(password)
{
    const std::string create = "CREATE DATABASE " + sqlLiteral(url) + " USER 'SYSDBA' PASSWORD " + sqlLiteral(password)
        + " PAGE_SIZE 8192 DEFAULT CHARACTER SET NONE";
    ISC_STATUS_ARRAY status {};
    isc_db_handle db = 0;
    isc_tr_handle tr = 0;
    if (isc_dsql_execute_immediate(status, &db, &tr, 0, create.c_str(), 3, nullptr))
        fail("cannot create " + url, status);
    m_db = db;
    run(setupSql);
}

ServerDatabase::~ServerDatabase()
{
    detach();
}

void ServerDatabase::attach()
{
    if (m_db)
        return;
    std::string dpb {char(isc_dpb_version1), char(isc_dpb_user_name), 6};
    dpb += "SYSDBA";
    dpb += char(isc_dpb_password);
    dpb += char(m_password.size());
    dpb += m_password;
    dpb += {char(isc_dpb_sql_dialect), 1, 3};
    ISC_STATUS_ARRAY status {};
    isc_db_handle db = 0;
    if (isc_attach_database(status, 0, m_url.c_str(), &db, static_cast<short>(dpb.size()), dpb.data()))
        fail("cannot attach " + m_url, status);
    m_db = db;
}

void ServerDatabase::setForcedWrites(bool on)
{
    detach();
    std::string dpb {char(isc_dpb_version1), char(isc_dpb_user_name), 6};
    dpb += "SYSDBA";
    dpb += char(isc_dpb_password);
    dpb += char(m_password.size());
    dpb += m_password;
    dpb += {char(isc_dpb_force_write), 1, char(on ? 1 : 0)};
    ISC_STATUS_ARRAY status {};
    isc_db_handle db = 0;
    if (isc_attach_database(status, 0, m_url.c_str(), &db, static_cast<short>(dpb.size()), dpb.data()))
        fail("cannot set forced writes of " + m_url, status);
    isc_detach_database(status, &db);
}

void ServerDatabase::detach()
{
    detachDatabase(m_db);
}

void ServerDatabase::run(const std::string& script)
{
    for (const std::string& statement : splitScript(script))
        execute(statement);
}

unsigned int ServerDatabase::begin()
{
    attach();
    isc_db_handle db = m_db;
    ISC_STATUS_ARRAY status {};
    isc_tr_handle tr = 0;
    if (isc_start_transaction(status, &tr, 1, &db, 0, nullptr))
        fail("cannot start a transaction", status);
    return tr;
}

void ServerDatabase::execute(const std::string& sql)
{
    isc_tr_handle tr = begin();
    isc_db_handle db = m_db;
    ISC_STATUS_ARRAY status {};
    if (isc_dsql_execute_immediate(status, &db, &tr, 0, sql.c_str(), 3, nullptr)) {
        const std::string text = statusText(status);
        isc_rollback_transaction(status, &tr);
        throw std::runtime_error(sql + ": " + text);
    }
    if (isc_commit_transaction(status, &tr))
        fail("cannot commit", status);
}

namespace {

template <typename T>
std::string integerText(const XSQLVAR& var)
{
    T v;
    std::memcpy(&v, var.sqldata, sizeof v);
    return std::to_string(v);
}

// One fetched column as text (nullopt for NULL); false for a type not read here.
bool columnText(const XSQLVAR& var, ServerValue& value)
{
    if ((var.sqltype & 1) && *var.sqlind < 0) {
        value = std::nullopt;
        return true;
    }
    switch (var.sqltype & ~1) {
    case SQL_VARYING: {
        short length;
        std::memcpy(&length, var.sqldata, sizeof length);
        value = std::string(var.sqldata + 2, static_cast<std::size_t>(length));
        return true;
    }
    case SQL_TEXT: value = std::string(var.sqldata, static_cast<std::size_t>(var.sqllen)); return true;
    case SQL_SHORT: value = integerText<short>(var); return true;
    case SQL_LONG: value = integerText<ISC_LONG>(var); return true;
    case SQL_INT64: value = integerText<ISC_INT64>(var); return true;
    default: return false;
    }
}

} // namespace

std::vector<ServerRow> ServerDatabase::query(const std::string& sql)
{
    isc_tr_handle tr = begin();
    isc_db_handle db = m_db;
    ISC_STATUS_ARRAY status {};
    isc_stmt_handle stmt = 0;
    XSQLDA* out = static_cast<XSQLDA*>(std::calloc(1, XSQLDA_LENGTH(64)));
    out->version = SQLDA_VERSION1;
    out->sqln = 64;
    std::vector<ServerRow> rows;
    std::string error;
    std::vector<std::vector<char>> buffers;
    std::vector<short> nulls(64);
    if (isc_dsql_allocate_statement(status, &db, &stmt) || isc_dsql_prepare(status, &tr, &stmt, 0, sql.c_str(), 3, out)) {
        error = statusText(status);
    } else if (out->sqld > out->sqln) {
        error = "more columns than this client reads";
    } else {
        buffers.resize(static_cast<std::size_t>(out->sqld));
        for (int i = 0; i < out->sqld; ++i) {
            XSQLVAR& var = out->sqlvar[i];
            buffers[i].assign(static_cast<std::size_t>(var.sqllen) + 8, 0);
            var.sqldata = buffers[i].data();
            var.sqlind = &nulls[i];
        }
        if (isc_dsql_execute(status, &tr, &stmt, 1, nullptr)) {
            error = statusText(status);
        } else {
            ISC_STATUS fetched;
            while ((fetched = isc_dsql_fetch(status, &stmt, 1, out)) == 0) {
                ServerRow row;
                for (int i = 0; i < out->sqld; ++i) {
                    const XSQLVAR& var = out->sqlvar[i];
                    ServerValue value;
                    if (columnText(var, value))
                        row.push_back(std::move(value));
                    else
                        error = "column " + std::to_string(i + 1) + " is not text or an integer";
                }
                rows.push_back(std::move(row));
            }
            if (fetched != 100 && error.empty())
                error = statusText(status);
        }
    }
    if (stmt)
        isc_dsql_free_statement(status, &stmt, DSQL_drop);
    std::free(out);
    if (!error.empty()) {
        isc_rollback_transaction(status, &tr);
        throw std::runtime_error(sql + ": " + error);
    }
    isc_commit_transaction(status, &tr);
    return rows;
}

std::string ServerDatabase::scalar(const std::string& sql)
{
    const auto rows = query(sql);
    if (rows.size() != 1 || rows[0].size() != 1 || !rows[0][0])
        throw std::runtime_error(sql + ": expected one value");
    return *rows[0][0];
}

} // namespace didu::test
