// The column types Firebird 4 added, in the customer table of a whole transfer
// run on a real Firebird 4 engine: a mapped column reads as the exact text of
// its value, and unmapped columns of every such type never stop the run.
//
// Engines: embedded, where the engine of the client library this test links is
// Firebird 4 (Debian 13); and a server named by DIDU_FB4_SERVER ("host/port:folder",
// the folder as the server sees it, writable by it) with SYSDBA's password in
// DIDU_FB4_PASSWORD, reached through whatever client library the driver loads
// (Debian 12's is Firebird 3's). tools/fb4-types-check.sh provides the server.
// Where no Firebird 4 engine can be reached the test says so, and fails under
// CI=true.
#include "tests/reliability/testserver.h"
#include "tests/reliability/transferrig.h"
#include "tests/support/tempdb/tempdatabase.h"
#include "transfer/transfer.h"

#include <gtest/gtest.h>
#include <ibase.h>
#include <unistd.h>

#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace didu::test {
namespace {

struct TypeCase {
    const char* type;
    const char* literal;
    const char* text; // what every member column filled from it holds
};

const TypeCase kCases[] = {
    {"NUMERIC(38,2)", "12345678901234567890123456789012.34", "12345678901234567890123456789012.34"},
    {"NUMERIC(38,2)", "-0.05", "-0.05"},
    {"DECIMAL(38,4)", "-9876543210987654321098765432109.8765", "-9876543210987654321098765432109.8765"},
    {"INT128", "-170141183460469231731687303715884105728", "-170141183460469231731687303715884105728"},
    {"DECFLOAT(16)", "1234567890123456", "1234567890123456"},
    {"DECFLOAT(16)", "0.1", "0.1"},
    {"DECFLOAT(34)", "-1234567890123456789012345678901234", "-1234567890123456789012345678901234"},
    {"DECFLOAT(34)", "1.5E-300", "1.5E-300"},
    {"TIME WITH TIME ZONE", "'12:34:56.7891 Asia/Taipei'", "12:34:56.7891 Asia/Taipei"},
    {"TIME WITH TIME ZONE", "'23:00:00 -03:30'", "23:00:00.0000 -03:30"},
    {"TIMESTAMP WITH TIME ZONE", "'2026-12-08 15:30:00.1 +08:00'", "2026-12-08 15:30:00.1000 +08:00"},
    {"TIMESTAMP WITH TIME ZONE", "'1999-01-31 00:00:01 Europe/Lisbon'", "1999-01-31 00:00:01.0000 Europe/Lisbon"},
    {"BINARY(4)", "x'41423132'", "AB12"},
    {"VARBINARY(8)", "x'3132332D41'", "123-A"},
};

// The same types again, in columns the transfer never reads.
const char* const kUnmappedColumns =
    ", X_INT128 INT128, X_NUMERIC NUMERIC(38,4), X_DEC16 DECFLOAT(16), X_DEC34 DECFLOAT(34),"
    " X_TIME TIME WITH TIME ZONE, X_STAMP TIMESTAMP WITH TIME ZONE, X_BIN BINARY(3), X_VARBIN VARBINARY(5)";
const char* const kUnmappedValues =
    ", 170141183460469231731687303715884105727, 1.2345, -1E+384, 9.999999999999999999999999999999999E+6144,"
    " '01:02:03 UTC', '2000-02-29 12:00:00 America/Sao_Paulo', x'000102', x'FF'";

const char* const kMemberTable =
    "RECREATE TABLE MEMBER (MEMBER_ID VARCHAR(60), MEMBER_NAME VARCHAR(20), MEMBER_PHONE VARCHAR(60),"
    " MEMBER_ADD VARCHAR(60), TOTAL_AMT NUMERIC(12,2), CARD_ID VARCHAR(60), DISABLE_FLAG VARCHAR(5),"
    " MAIL_NUM VARCHAR(60), TAX_CODE CHAR(1), MAN_SALE CHAR(1), CHG_TIME VARCHAR(8), INVOICE_CLASS CHAR(1),"
    " UPPER_AMT NUMERIC(12,2), SHET_YN CHAR(1), SALES_ID VARCHAR(60))";

/// A database the test fills and reads: the fixture's embedded one, or one on
/// the server; the fixture's folder holds the configuration that points the
/// program at it.
struct TestDatabase {
    TempDatabase files;
    std::unique_ptr<ServerDatabase> server;
    std::string password;

    void useServer(const std::string& url, const std::string& serverPassword)
    {
        password = serverPassword;
        server = std::make_unique<ServerDatabase>(url, password);
        files.writeConfiguration({{"Database", url}, {"Password", password}});
    }
    void run(const std::string& script) { server ? server->run(script) : files.run(script); }
    std::vector<Row> query(const std::string& sql) { return server ? server->query(sql) : files.query(sql); }

    ~TestDatabase()
    {
        if (!server)
            return;
        // A server of the shop's keeps no file of ours.
        server->detach();
        std::string dpb {char(isc_dpb_version1), char(isc_dpb_user_name), 6};
        dpb += "SYSDBA";
        dpb += {char(isc_dpb_password), char(password.size())};
        dpb += password;
        ISC_STATUS_ARRAY status {};
        isc_db_handle db = 0;
        if (!isc_attach_database(status, 0, server->url().c_str(), &db, static_cast<short>(dpb.size()), dpb.data()))
            isc_drop_database(status, &db);
    }
};

std::string engineVersion(TestDatabase& db)
{
    const std::vector<Row> rows = db.query("SELECT RDB$GET_CONTEXT('SYSTEM', 'ENGINE_VERSION') FROM RDB$DATABASE");
    return rows.at(0).at(0).value_or("");
}

std::string clientVersion()
{
    char text[128] = {};
    isc_get_client_version(text);
    return text;
}

std::string customerTable(const char* type)
{
    std::string columns;
    for (const char* name : {"CUST_ID", "CUST_NAME", "TEL_1", "BUSINESS_ADD", "MAIL_NUM", "SALES_ID"})
        columns += std::string(columns.empty() ? "" : ", ") + name + " " + type;
    return "RECREATE TABLE CUSTOMER (" + columns + kUnmappedColumns + ")";
}

std::string customerRow(const char* literal)
{
    std::string values;
    for (int i = 0; i < 6; ++i)
        values += std::string(values.empty() ? "" : ", ") + literal;
    return "INSERT INTO CUSTOMER VALUES (" + values + kUnmappedValues + ")";
}

TEST(Firebird4Types, MappedColumnsReadAsTheirExactTextAndUnmappedOnesNeverStopTheRun)
{
    // The embedded engine is whichever the linked client library brings; a
    // server must be Firebird 4 or later, or it was named by mistake.
    std::vector<std::pair<std::string, std::unique_ptr<TestDatabase>>> engines;
    auto embedded = std::make_unique<TestDatabase>();
    const std::string embeddedVersion = engineVersion(*embedded);
    if (std::atoi(embeddedVersion.c_str()) >= 4)
        engines.emplace_back("embedded Firebird " + embeddedVersion, std::move(embedded));
    embedded.reset();
    const char* server = std::getenv("DIDU_FB4_SERVER");
    if (server && *server) {
        const char* password = std::getenv("DIDU_FB4_PASSWORD");
        auto db = std::make_unique<TestDatabase>();
        db->useServer(server + ("/FB4TYPES-" + std::to_string(::getpid()) + ".FDB"), password ? password : "");
        const std::string version = engineVersion(*db);
        ASSERT_GE(std::atoi(version.c_str()), 4) << server << " is a Firebird " << version << " server";
        engines.emplace_back(std::string("server ") + server + ", Firebird " + version, std::move(db));
    }
    if (engines.empty()) {
        const std::string reason = "no Firebird 4 engine to run on: the embedded engine is Firebird "
            + embeddedVersion + " and DIDU_FB4_SERVER names no server";
        const char* ci = std::getenv("CI");
        if (ci && std::string(ci) == "true")
            FAIL() << reason;
        GTEST_SKIP() << reason;
    }
    for (auto& [name, db] : engines) {
        SCOPED_TRACE(name);
        std::cout << name << ", client library " << clientVersion() << "\n";
        ::setenv("XDG_CONFIG_HOME", (db->files.folder() + "/config").c_str(), 1);
        for (const TypeCase& c : kCases) {
            SCOPED_TRACE(std::string(c.type) + " " + c.literal);
            db->run(customerTable(c.type) + ";" + kMemberTable + ";" + customerRow(c.literal));
            TransferRig rig;
            EXPECT_EQ(rig.run(), std::nullopt);
            // Once more: the lookup by the id's text finds the member just written.
            EXPECT_EQ(rig.run(), std::nullopt);
            EXPECT_EQ(rig.view.messages, std::vector<std::string>(2, kTransferCompleteMessage));

            std::string memberName = std::string(c.text).substr(0, 20);
            while (!memberName.empty() && memberName.back() == ' ')
                memberName.pop_back();
            const std::vector<Row> expected = {{c.text, memberName, c.text, c.text, c.text, c.text, c.text}};
            EXPECT_EQ(db->query("SELECT MEMBER_ID, MEMBER_NAME, MEMBER_PHONE, MEMBER_ADD, CARD_ID, MAIL_NUM,"
                                " SALES_ID FROM MEMBER"),
                      expected);
        }
    }
}

} // namespace
} // namespace didu::test
