// Prepare, bind, execute and fetch through the real plugin against the embedded
// engine: values reach the database byte for byte and come back unchanged.
#include "tests/driver/driversession.h"

#include <gtest/gtest.h>

namespace {

using namespace didu::test;

const char memberTable[] =
    "CREATE TABLE MEMBER (MEMBER_ID VARCHAR(20) NOT NULL PRIMARY KEY, MEMBER_NAME VARCHAR(40),"
    " TOTAL_AMT NUMERIC(12,2), UPPER_AMT NUMERIC(9,2), DISABLE_FLAG SMALLINT, SHET_YN CHAR(1),"
    " CARD_ID CHAR(6))";

TEST(DriverStatements, BoundValuesReachTheDatabaseByteForByte)
{
    TempDatabase db(memberTable);
    DriverSession s(db);
    const struct {
        std::string id;
        Bind name;
        std::int16_t amount;
        Value expectedName;
    } cases[] = {
        {"C1", Bind::text("plain"), 0, "plain"},
        // Big5 with a second byte that is a backslash, and a quote inside the value.
        {"C2", Bind::text("\xA5\x5C\xB3\x5C O'Neil"), 7, "\xA5\x5C\xB3\x5C O'Neil"},
        {"C3", Bind::text("\xE6\x9C\x83\xE5\x93\xA1"), -3, "\xE6\x9C\x83\xE5\x93\xA1"}, // UTF-8
        {"C4", Bind::text(""), 1, ""},                // empty text is empty, never NULL
        {"C5", Bind::nullText(), 2, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(s.exec("INSERT INTO MEMBER (MEMBER_ID, MEMBER_NAME, TOTAL_AMT, UPPER_AMT, DISABLE_FLAG)"
                         " VALUES (?, ?, ?, ?, ?)",
                         {Bind::text(c.id), c.name, Bind::int16(c.amount), Bind::int16(c.amount), Bind::int16(c.amount)}),
                  1u)
            << c.id;
    }
    for (const auto& c : cases) {
        const auto rows = db.query("SELECT MEMBER_NAME, TOTAL_AMT, UPPER_AMT, DISABLE_FLAG FROM MEMBER WHERE MEMBER_ID = '"
                                   + c.id + "'");
        ASSERT_EQ(rows.size(), 1u) << c.id;
        const std::string amount = std::to_string(c.amount) + ".00";
        EXPECT_EQ(rows[0], (Row {c.expectedName, amount, amount, std::to_string(c.amount)})) << c.id;
    }
    // Read back through the driver, the same values.
    const auto driverRows = s.select("SELECT MEMBER_NAME, TOTAL_AMT, DISABLE_FLAG FROM MEMBER ORDER BY MEMBER_ID");
    ASSERT_EQ(driverRows.size(), 5u);
    EXPECT_EQ(driverRows[1], (Row {"\xA5\x5C\xB3\x5C O'Neil", "7.00", "7"}));
    EXPECT_EQ(driverRows[3], (Row {"", "1.00", "1"}));
    EXPECT_EQ(driverRows[4], (Row {std::nullopt, "2.00", "2"}));
}

TEST(DriverStatements, EveryColumnTypeReadsLikeTheEngineHoldsIt)
{
    TempDatabase db(
        "CREATE TABLE T (ID INTEGER, S SMALLINT, B BIGINT, N NUMERIC(9,2), D NUMERIC(18,4), F DOUBLE PRECISION,"
        " DT DATE, TM TIME, TS TIMESTAMP, C CHAR(5), V VARCHAR(10), M BLOB SUB_TYPE 1, X BLOB SUB_TYPE 0,"
        " FLAG BOOLEAN, O CHAR(3) CHARACTER SET OCTETS);"
        "INSERT INTO T VALUES (1, -2, 9000000000, -12.05, 123456789.0001, 2.5, '1999-12-31', '23:59:58.1234',"
        " '2024-02-29 00:00:01.0005', 'ab', 'xy  ', 'memo text', x'00FF10', TRUE, x'410042');"
        "INSERT INTO T (ID) VALUES (2)");
    DriverSession s(db);
    const std::string columns = "ID, S, B, N, D, F, DT, TM, TS, C, V, M, X, FLAG, O";
    EXPECT_EQ(s.select("SELECT " + columns + " FROM T ORDER BY ID"), db.query("SELECT " + columns + " FROM T ORDER BY ID"));
    const auto rows = s.select("SELECT C, V FROM T WHERE ID = 1");
    EXPECT_EQ(rows, (std::vector<Row> {{"ab   ", "xy  "}})); // fixed-length text keeps its blanks
}

TEST(DriverStatements, ColumnDescriptions)
{
    TempDatabase db("CREATE TABLE T (ID INTEGER NOT NULL, NAME CHAR(8), AMT NUMERIC(9,2), MEMO BLOB SUB_TYPE 1)");
    ExecutedCommand run(db, "SELECT ID, NAME AS NM, AMT, MEMO, ID + 1 FROM T");
    auto& [s, command, cursor] = run;
    ASSERT_TRUE(cursor.p);
    std::uint16_t count = 0;
    check(cursor->getColumnCount(&count), cursor.p);
    ASSERT_EQ(count, 5);
    const struct {
        const char* name;
        std::uint16_t type, subType;
        std::uint32_t length;
        std::int16_t scale;
        std::int32_t nullable, readOnly;
    } expected[] = {
        {"ID", dbx::FieldInt32, 0, 4, 0, 0, 0},
        {"NM", dbx::FieldZString, dbx::SubTypeFixedChar, 9, 0, 1, 0},
        {"AMT", dbx::FieldBcd, 0, sizeof(dbx::Bcd), 2, 1, 0},
        {"MEMO", dbx::FieldBlob, dbx::SubTypeMemo, 8, 0, 1, 0},
        {"ADD", dbx::FieldInt64, 0, 8, 0, 0, 1}, // NOT NULL carries over
    };
    for (std::uint16_t i = 1; i <= count; ++i) {
        const auto& e = expected[i - 1];
        std::uint16_t length = 0;
        check(cursor->getColumnNameLength(i, &length), cursor.p);
        std::string name(length + 1u, '\0');
        check(cursor->getColumnName(i, name.data()), cursor.p);
        name.resize(length);
        std::uint16_t type = 0, subType = 0;
        std::uint32_t size = 0;
        std::int16_t scale = 0;
        std::int32_t nullable = -1, readOnly = -1;
        check(cursor->getColumnType(i, &type, &subType), cursor.p);
        check(cursor->getColumnLength(i, &size), cursor.p);
        check(cursor->getColumnScale(i, &scale), cursor.p);
        check(cursor->isNullable(i, &nullable), cursor.p);
        check(cursor->isReadOnly(i, &readOnly), cursor.p);
        EXPECT_EQ(name, e.name) << i;
        EXPECT_EQ(type, e.type) << e.name;
        EXPECT_EQ(subType, e.subType) << e.name;
        EXPECT_EQ(size, e.length) << e.name;
        EXPECT_EQ(scale, e.scale) << e.name;
        EXPECT_EQ(nullable, e.nullable) << e.name;
        EXPECT_EQ(readOnly, e.readOnly) << e.name;
    }
    std::uint16_t type = 0;
    EXPECT_EQ(cursor->getColumnType(6, &type, nullptr), dbx::ResultOutOfRange);
    EXPECT_EQ(cursor->next(), dbx::ResultEndOfData); // no rows
}

TEST(DriverStatements, ExecuteGivesACursorOnlyForRows)
{
    TempDatabase db("CREATE TABLE T (A INTEGER)");
    ExecutedCommand run(db, "INSERT INTO T VALUES (1)");
    auto& [s, command, cursor] = run;
    EXPECT_EQ(cursor.p, nullptr);
    // The same prepared command runs again without a new prepare.
    check(command->execute(cursor.out()), command.p);
    std::uint32_t rows = 0;
    check(command->getRowsAffected(&rows), command.p);
    EXPECT_EQ(rows, 1u);
    check(command->close(), command.p);
    EXPECT_EQ(s.exec("UPDATE T SET A = A + 1"), 2u);
    EXPECT_EQ(s.exec("DELETE FROM T WHERE A = 99"), 0u);
    EXPECT_EQ(db.query("SELECT A FROM T"), (std::vector<Row> {{"2"}, {"2"}}));
    // Definitions commit like any other statement and are usable at once.
    EXPECT_EQ(s.exec("CREATE TABLE X (B VARCHAR(3))"), 0u);
    EXPECT_EQ(s.exec("INSERT INTO X VALUES ('new')"), 1u);
    EXPECT_EQ(s.select("SELECT B FROM X"), (std::vector<Row> {{"new"}}));
}

TEST(DriverStatements, FailuresAnswerFirebirdsOwnText)
{
    TempDatabase db(std::string(memberTable) + "; INSERT INTO MEMBER (MEMBER_ID) VALUES ('C1')");
    DriverSession s(db);
    const struct {
        std::string sql;
        std::vector<Bind> params;
        dbx::Result code;
        std::string textPart;
    } cases[] = {
        {"INSERT INTO MEMBER (MEMBER_ID) VALUES (?)", {Bind::text("C1")}, dbx::ResultSqlError,
         "violation of PRIMARY or UNIQUE KEY constraint"},
        {"INSERT INTO MEMBER (MEMBER_ID) VALUES (?)", {Bind::nullText()}, dbx::ResultSqlError,
         "validation error for column \"MEMBER\".\"MEMBER_ID\", value \"*** null ***\""},
        {"INSERT INTO MEMBER (MEMBER_ID, SHET_YN) VALUES (?, ?)", {Bind::text("C9"), Bind::text("too long")},
         dbx::ResultSqlError, "string right truncation"},
        {"SELECT NOPE FROM MEMBER", {}, dbx::ResultSqlError, "Column unknown\r\nNOPE"},
        {"SELEKT 1", {}, dbx::ResultSqlError, "Token unknown"},
        {"INSERT INTO MEMBER (MEMBER_ID) VALUES (?)", {}, 11, "Parameter 1 has no value"},
    };
    for (const auto& c : cases) {
        try {
            s.exec(c.sql, c.params);
            ADD_FAILURE() << c.sql << ": no error";
        } catch (const DriverFailure& e) {
            EXPECT_EQ(e.code, c.code) << c.sql;
            EXPECT_NE(std::string(e.what()).find(c.textPart), std::string::npos) << c.sql << ": " << e.what();
        }
    }
    // Nothing of the failed statements stayed.
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM MEMBER"), "1");
}

TEST(DriverStatements, ParameterNumbersAndTypesAreChecked)
{
    TempDatabase db("CREATE TABLE T (A INTEGER, D DATE)");
    DriverSession s(db);
    Ref<dbx::ISQLCommand> command(s.command());
    const std::int16_t one = 1;
    EXPECT_EQ(command->setParameter(1, 0, dbx::ParamIn, dbx::FieldInt16, 0, 0, 0, 2, &one, 0), dbx::ResultInvalidHandle);
    check(command->prepare("INSERT INTO T VALUES (?, ?)", 2), command.p);
    EXPECT_EQ(command->setParameter(3, 0, dbx::ParamIn, dbx::FieldInt16, 0, 0, 0, 2, &one, 0), dbx::ResultOutOfRange);
    EXPECT_NE(messageOf(command.p).find("out of range"), std::string::npos);
    const dbx::Date bad {2023, 2, 29};
    EXPECT_EQ(command->setParameter(2, 0, dbx::ParamIn, dbx::FieldDate, 0, 0, 0, sizeof bad, &bad, 0), 6);
    const dbx::Date good {2024, 2, 29};
    check(command->setParameter(1, 0, dbx::ParamIn, dbx::FieldInt16, 0, 0, 0, 2, &one, 0), command.p);
    check(command->setParameter(2, 0, dbx::ParamIn, dbx::FieldDate, 0, 0, 0, sizeof good, &good, 0), command.p);
    Ref<dbx::ISQLCursor> cursor;
    check(command->execute(cursor.out()), command.p);
    EXPECT_EQ(db.query("SELECT A, D FROM T"), (std::vector<Row> {{"1", "2024-02-29"}}));
}

TEST(DriverStatements, TextIntoABlobColumnAndBack)
{
    TempDatabase db("CREATE TABLE T (M BLOB SUB_TYPE 1)");
    DriverSession s(db);
    const std::string big(100000, 'x');
    s.exec("INSERT INTO T VALUES (?)", {Bind::text("\xA5\x5C" + big)});
    EXPECT_EQ(s.select("SELECT M FROM T"), (std::vector<Row> {{"\xA5\x5C" + big}}));
    // A lookup by a blob: its value is made in the lookup's read-only transaction.
    EXPECT_EQ(s.select("SELECT COUNT(*) FROM T WHERE M = ?", {Bind::text("\xA5\x5C" + big)}), (std::vector<Row> {{"1"}}));
}

} // namespace
