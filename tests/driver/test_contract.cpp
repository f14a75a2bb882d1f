// What callers of the driver contract may rely on, run against both plugins: the
// real one over a temporary database, and the recording one with the same rows
// scripted. Where these tests pass for both, a test written against the recording
// driver says something about the real one.
#include "tests/driver/driversession.h"
#include "tests/support/recording/recordingsetup.h"

#include "platform/library.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using namespace didu::test;
namespace rec = didu::recording;

/// A result both plugins give: SQL that makes it in the database, and the same
/// rows as the recording driver scripts them.
struct Scenario {
    std::string setupSql;
    std::string query;
    rec::Rows scripted;
};

class Backend {
public:
    virtual ~Backend() = default;
    virtual void given(const Scenario& s) = 0;
    virtual dbx::ISQLConnection* connection() = 0;
};

class FirebirdBackend final : public Backend {
public:
    FirebirdBackend() : m_db(std::make_unique<TempDatabase>()), m_session(std::make_unique<DriverSession>(*m_db)) {}
    ~FirebirdBackend() override
    {
        m_session.reset();
        m_db.reset();
    }
    void given(const Scenario& s) override { m_db->run(s.setupSql); }
    dbx::ISQLConnection* connection() override { return m_session->connection(); }

private:
    std::unique_ptr<TempDatabase> m_db;
    std::unique_ptr<DriverSession> m_session;
};

class RecordingBackend final : public Backend {
public:
    RecordingBackend()
    {
        rec::control().reset();
        auto library = didu::LoadedLibrary::load(rec::pluginPath());
        auto entry = reinterpret_cast<GetSQLDriverFunc>(library->symbol("getSQLDriverINTERBASE"));
        check(entry("libfbclient.so.2", "", &m_driver), nullptr);
        check(m_driver->getSQLConnection(&m_connection), m_driver);
        check(m_connection->connect("/tmp/torvik/TORDATA.FDB", "sysdba", "quietfern"), m_connection);
    }
    ~RecordingBackend() override
    {
        m_connection->disconnect();
        m_connection->release();
        m_driver->release();
    }
    void given(const Scenario& s) override { rec::control().setRows(s.query, s.scripted); }
    dbx::ISQLConnection* connection() override { return m_connection; }

private:
    dbx::ISQLDriver* m_driver = nullptr;
    dbx::ISQLConnection* m_connection = nullptr;
};

class DriverContract : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        if (std::string(GetParam()) == "firebird")
            m_backend = std::make_unique<FirebirdBackend>();
        else
            m_backend = std::make_unique<RecordingBackend>();
    }
    dbx::ISQLConnection* connection() { return m_backend->connection(); }
    std::unique_ptr<Backend> m_backend;
};

/// Runs `sql` and reads every row as text; the column names come first.
std::vector<Row> run(dbx::ISQLConnection* connection, const std::string& sql)
{
    Ref<dbx::ISQLCommand> command;
    check(connection->getSQLCommand(command.out()), connection);
    command->setOption(dbx::CommandRowsetSize, 20);
    check(command->prepare(sql.c_str(), 0), command.p);
    Ref<dbx::ISQLCursor> cursor;
    check(command->execute(cursor.out()), command.p);
    if (!cursor.p)
        return {};
    std::uint16_t count = 0;
    check(cursor->getColumnCount(&count), cursor.p);
    Row names;
    for (std::uint16_t i = 1; i <= count; ++i) {
        std::uint16_t length = 0;
        check(cursor->getColumnNameLength(i, &length), cursor.p);
        std::string name(length + 1u, '\0');
        check(cursor->getColumnName(i, name.data()), cursor.p);
        names.push_back(name.substr(0, length));
    }
    std::vector<Row> rows {names};
    for (Row& row : readAll(cursor.p))
        rows.push_back(std::move(row));
    return rows;
}

TEST_P(DriverContract, TextColumnsGiveTheirBytesBlanksAndNulls)
{
    const std::string query = "select * from CUSTOMER ";
    m_backend->given({"CREATE TABLE CUSTOMER (CUST_ID VARCHAR(10) NOT NULL, CUST_NAME CHAR(6), TEL_1 VARCHAR(20));"
                      "INSERT INTO CUSTOMER VALUES ('C1', 'ab', NULL);"
                      "INSERT INTO CUSTOMER VALUES ('\xA5\x5C', '', '');",
                      query,
                      {{{"CUST_ID", dbx::FieldZString, 0, 11, 10, 0, false},
                        {"CUST_NAME", dbx::FieldZString, dbx::SubTypeFixedChar, 7, 6},
                        {"TEL_1", dbx::FieldZString, 0, 21, 20}},
                       {{"C1", "ab    ", std::nullopt}, {"\xA5\x5C", "      ", ""}}}});
    EXPECT_EQ(run(connection(), query), (std::vector<Row> {{"CUST_ID", "CUST_NAME", "TEL_1"},
                                                           {"C1", "ab    ", std::nullopt},
                                                           {"\xA5\x5C", "      ", ""}}));
}

TEST_P(DriverContract, ALookupWithoutARowIsAtTheEndAtOnce)
{
    const std::string query = "SELECT MEMBER_ID FROM MEMBER \r\n WHERE MEMBER_ID = 'C9'\r\n";
    m_backend->given({"CREATE TABLE MEMBER (MEMBER_ID VARCHAR(10))", query, {{{"MEMBER_ID"}}, {}}});
    Ref<dbx::ISQLCommand> command;
    check(connection()->getSQLCommand(command.out()), connection());
    check(command->prepare(query.c_str(), 0), command.p);
    Ref<dbx::ISQLCursor> cursor;
    check(command->execute(cursor.out()), command.p);
    ASSERT_TRUE(cursor.p);
    const dbx::Result end = cursor->next();
    EXPECT_TRUE(end == dbx::ResultEndOfData || end == dbx::ResultEndOfDataAlt) << end;
}

TEST_P(DriverContract, AnIndexListingReadsByColumnName)
{
    m_backend->given({"CREATE TABLE CUSTOMER (CUST_ID VARCHAR(10) NOT NULL, TEL_1 VARCHAR(20),"
                      " CONSTRAINT PK_CUSTOMER PRIMARY KEY (CUST_ID));"
                      "CREATE DESCENDING INDEX IX_TEL ON CUSTOMER (TEL_1)",
                      "", {}});
    rec::control().setIndices("CUSTOMER", {rec::indexColumns(),
                                           {{"IX_TEL", "TEL_1", "1", "D"}, {"PK_CUSTOMER", "CUST_ID", "6", "A"}}});
    Ref<dbx::ISQLMetaData> meta;
    check(connection()->getSQLMetaData(meta.out()), connection());
    Ref<dbx::ISQLCursor> cursor;
    check(meta->getIndices("CUSTOMER", 0, cursor.out()), meta.p);
    std::uint16_t count = 0;
    check(cursor->getColumnCount(&count), cursor.p);
    std::vector<std::uint16_t> at;
    for (const char* wanted : {"INDEX_NAME", "COLUMN_NAME", "INDEX_TYPE", "SORT_ORDER"}) {
        for (std::uint16_t i = 1; i <= count; ++i) {
            char name[64] = {};
            cursor->getColumnName(i, name);
            if (std::string(name) == wanted)
                at.push_back(i);
        }
    }
    ASSERT_EQ(at.size(), 4u);
    std::uint16_t type = 0, subType = 0;
    check(cursor->getColumnType(at[2], &type, &subType), cursor.p);
    EXPECT_EQ(type, dbx::FieldInt32);
    std::vector<Row> rows;
    while (cursor->next() == dbx::ResultOk) {
        std::int32_t bits = 0, blank = 0;
        check(cursor->getLong(at[2], &bits, &blank), cursor.p);
        rows.push_back({cellText(cursor.p, at[0]), cellText(cursor.p, at[1]), std::to_string(bits),
                        cellText(cursor.p, at[3])});
    }
    EXPECT_EQ(rows, (std::vector<Row> {{"IX_TEL", "TEL_1", "1", "D"}, {"PK_CUSTOMER", "CUST_ID", "6", "A"}}));
}

TEST_P(DriverContract, OptionAnswers)
{
    std::int32_t limit = -1;
    std::int32_t length = 0;
    EXPECT_EQ(connection()->getOption(dbx::ConnMaxStmtsPerConn, &limit, sizeof limit, &length), dbx::ResultOk);
    EXPECT_EQ(limit, 0);
    Ref<dbx::ISQLMetaData> meta;
    check(connection()->getSQLMetaData(meta.out()), connection());
    char quote = 0;
    EXPECT_EQ(meta->getOption(dbx::MetaObjectQuoteChar, &quote, 1, &length), dbx::ResultOk);
    EXPECT_EQ(quote, '"');
    check(connection()->setOption(dbx::ConnQualifiedName, reinterpret_cast<std::intptr_t>("CUSTOMER")), connection());
    for (auto [option, expected] : {std::pair {dbx::ConnCatalogName, ""}, {dbx::ConnSchemaName, ""},
                                    {dbx::ConnObjectName, "CUSTOMER"}}) {
        char part[256] = {};
        EXPECT_EQ(connection()->getOption(option, part, sizeof part, &length), dbx::ResultOk) << option;
        EXPECT_STREQ(part, expected) << option;
    }
    char buffer[8];
    EXPECT_EQ(connection()->getOption(99, buffer, sizeof buffer, &length), dbx::ResultNotSupported);
}

TEST_P(DriverContract, ACommandWithoutRowsGivesNoCursorAndItsCount)
{
    m_backend->given({"CREATE TABLE MEMBER (MEMBER_ID VARCHAR(10), SHET_YN SMALLINT)", "", {}});
    rec::control().setRowsAffected(1);
    Ref<dbx::ISQLCommand> command;
    check(connection()->getSQLCommand(command.out()), connection());
    check(command->setOption(dbx::CommandRowsetSize, 20), command.p);
    check(command->prepare("INSERT INTO MEMBER (MEMBER_ID,SHET_YN) VALUES (?,?)", 2), command.p);
    bindAll(command.p, {Bind::text("C1"), Bind::int16(0)});
    Ref<dbx::ISQLCursor> cursor;
    check(command->execute(cursor.out()), command.p);
    EXPECT_EQ(cursor.p, nullptr);
    std::uint32_t rows = 0;
    check(command->getRowsAffected(&rows), command.p);
    EXPECT_EQ(rows, 1u);
    EXPECT_EQ(command->close(), dbx::ResultOk);
}

INSTANTIATE_TEST_SUITE_P(BothPlugins, DriverContract, ::testing::Values("firebird", "recording"),
                         [](const auto& info) { return std::string(info.param); });

} // namespace
