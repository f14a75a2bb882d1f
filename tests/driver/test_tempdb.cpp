// The temporary-database fixture itself: what other areas rely on when they read
// rows back and connect through the files it writes.
#include "tests/support/tempdb/tempdatabase.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

using didu::test::Row;
using didu::test::TempDatabase;

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(ScriptSplit, StatementsSplitOnlyOutsideQuotesAndComments)
{
    const struct {
        std::string script;
        std::vector<std::string> statements;
    } cases[] = {
        {"", {}},
        {" ; ;\n", {}},
        {"A;B", {"A", "B"}},
        {"INSERT INTO T VALUES ('a;b');", {"INSERT INTO T VALUES ('a;b')"}},
        {"INSERT INTO T VALUES ('it''s;');X", {"INSERT INTO T VALUES ('it''s;')", "X"}},
        {"CREATE TABLE \"A;B\" (C INT);", {"CREATE TABLE \"A;B\" (C INT)"}},
        {"A -- no; split\n;B", {"A", "B"}},
        {"A /* no; split */;B", {"A", "B"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(didu::test::splitScript(c.script), c.statements) << c.script;
}

TEST(TempDatabase, ReadsBackExactValuesColumnByColumn)
{
    TempDatabase db("CREATE TABLE T (ID INTEGER, NAME VARCHAR(20), CODE CHAR(4), "
                    "AMOUNT NUMERIC(9,2), D DATE, TS TIMESTAMP, MEMO BLOB SUB_TYPE 1);"
                    "INSERT INTO T VALUES (1, 'a''b', 'x', -1.05, '2024-02-29', '2024-02-29 13:04:05.1234', 'memo');"
                    "INSERT INTO T (ID) VALUES (2);");
    const auto rows = db.query("SELECT * FROM T ORDER BY ID");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], (Row {"1", "a'b", "x   ", "-1.05", "2024-02-29", "2024-02-29 13:04:05.1234", "memo"}));
    EXPECT_EQ(rows[1], (Row {"2", std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt}));
}

TEST(TempDatabase, BoundBytesPassThroughUnchanged)
{
    TempDatabase db("CREATE TABLE T (S VARCHAR(40))");
    // Big5 for a customer name, whose second byte is a backslash, and a quote.
    const std::string big5 = "\xA5\x5C\xB3\x5C'";
    db.execute("INSERT INTO T VALUES (?)", {big5});
    db.execute("INSERT INTO T VALUES (?)", {std::string()});
    const auto rows = db.query("SELECT S, OCTET_LENGTH(S) FROM T ORDER BY 2");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], (Row {"", "0"}));
    EXPECT_EQ(rows[1], (Row {big5, "5"}));
}

TEST(TempDatabase, DatabaseIsDialect3CharacterSetNone)
{
    TempDatabase db;
    EXPECT_EQ(db.scalar("SELECT MON$SQL_DIALECT FROM MON$DATABASE"), "3");
    EXPECT_EQ(db.scalar("SELECT TRIM(RDB$CHARACTER_SET_NAME) FROM RDB$DATABASE"), "NONE");
}

TEST(TempDatabase, WritesConfigurationAndRemovesEverything)
{
    const char* before = std::getenv("XDG_CONFIG_HOME");
    const std::string saved = before ? before : "";
    std::string folder;
    {
        TempDatabase db;
        folder = db.folder();
        EXPECT_EQ(std::string(std::getenv("XDG_CONFIG_HOME")), folder + "/config");
        EXPECT_EQ(readFile(folder + "/config/dbx/registry.ini"),
                  "[DBExpress]\nConnection Registry File=" + folder + "/dbxconnections.ini\n"
                  "Driver Registry File=" + folder + "/dbxdrivers.ini\n");
        const std::string connections = readFile(db.connectionFilePath());
        EXPECT_EQ(connections.rfind("[Torvik]\nDriverName=Interbase\nDatabase=" + db.databasePath() + "\n", 0), 0u);
        EXPECT_NE(connections.find("\nInterbase TransIsolation=ReadCommited\nTrim Char=False\n"), std::string::npos);
        EXPECT_EQ(db.referenceParams().size(), 14u);

        db.writeConfiguration({{"database", "/nowhere/X.FDB"}, {"Extra", "1"}}, {{"VendorLib", "libnone.so"}});
        const std::string changed = readFile(db.connectionFilePath());
        EXPECT_NE(changed.find("\nDatabase=/nowhere/X.FDB\n"), std::string::npos);
        EXPECT_NE(changed.find("\nTrim Char=False\nExtra=1\n"), std::string::npos);
        EXPECT_NE(readFile(db.driverFilePath()).find("\nVendorLib=libnone.so\n"), std::string::npos);
    }
    EXPECT_FALSE(std::filesystem::exists(folder));
    const char* after = std::getenv("XDG_CONFIG_HOME");
    EXPECT_EQ(after ? std::string(after) : std::string(), saved);
}

TEST(TempDatabase, FailuresCarryFirebirdsText)
{
    TempDatabase db;
    try {
        db.run("CREATE TABLE T (A INTEGER); SELECT NOPE FROM T");
        FAIL() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("Column unknown"), std::string::npos) << e.what();
    }
    // The first statement was committed before the second failed.
    EXPECT_TRUE(db.query("SELECT A FROM T").empty());
}

} // namespace
