// The exact calls the statement object sends the driver for the transfer's two
// statements, checked with the recording driver.
#include "tests/statements/statementfixture.h"

#include <algorithm>

namespace didu::test {
namespace {

const std::vector<std::string> kDescribeFirstColumn = {
    "Cursor.getColumnCount()",      "Cursor.getColumnNameLength(1)", "Cursor.getColumnName(1)",
    "Cursor.getColumnType(1)",      "Cursor.getColumnLength(1)",     "Cursor.getColumnPrecision(1)",
    "Cursor.getColumnScale(1)",     "Cursor.isNullable(1)",          "Cursor.isReadOnly(1)",
};

std::vector<std::string> concat(std::initializer_list<std::vector<std::string>> parts)
{
    std::vector<std::string> out;
    for (const auto& part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}

// The transfer's fifteen values for one customer, given as it gives them.
void setInsertValues(SQLStatement& insert, const std::string& id)
{
    insert.paramByName("MEMBER_ID").setValue(id);
    insert.paramByName("MEMBER_NAME").setValue(std::string_view("Lin"));
    insert.paramByName("MEMBER_PHONE").setValue(std::string_view("02-1234"));
    insert.paramByName("MEMBER_ADD").setValue(std::string_view(""));
    insert.paramByName("TOTAL_AMT").setValue(std::uint8_t{0});
    insert.paramByName("CARD_ID").setValue(id);
    insert.paramByName("DISABLE_FLAG").setValue(std::string_view("False"));
    insert.paramByName("MAIL_NUM").setValue(std::string_view("100"));
    insert.paramByName("TAX_CODE").setValue(std::string_view("Y"));
    insert.paramByName("MAN_SALE").setValue(std::string_view("N"));
    insert.paramByName("CHG_TIME").setValue(std::string_view("00:00:07"));
    insert.paramByName("INVOICE_CLASS").setValue(std::string_view("0"));
    insert.paramByName("UPPER_AMT").setValue(std::uint8_t{0});
    insert.paramByName("SHET_YN").setValue(std::string_view("N"));
    insert.paramByName("SALES_ID").setValue(std::string_view("S7"));
}

using StatementCalls = RecordedStatement;

TEST_F(StatementCalls, LookupWithoutRowThenCloseThenClear)
{
    const std::string text = joined(lookupLines("C001"));
    rec().setRows(text, textRows("MEMBER_ID", {}));
    setLines(*m_query, lookupLines("C001"));
    EXPECT_TRUE(statementCalls().empty()) << "changing the lines sends nothing before the first prepare";

    m_query->open();
    EXPECT_EQ(statementCalls(),
              concat({{"Connection.getSQLCommand()", "Command.setOption(0, 20)",
                       "Command.prepare(\"SELECT MEMBER_ID FROM MEMBER \\r\\n WHERE MEMBER_ID = 'C001'\\r\\n\", 0)",
                       "Command.execute()"},
                      kDescribeFirstColumn,
                      {"Cursor.next()"}}));
    EXPECT_TRUE(m_query->eof());

    rec().clearCalls();
    EXPECT_TRUE(m_query->fieldByName("member_id").isNull());
    EXPECT_TRUE(statementCalls().empty()) << "at end of data no column is read";

    m_query->close();
    EXPECT_EQ(statementCalls(), std::vector<std::string>{"Cursor.release()"});
    EXPECT_TRUE(m_query->prepared());

    rec().clearCalls();
    m_query->clearLines();
    EXPECT_EQ(statementCalls(), (std::vector<std::string>{"Command.getRowsAffected()", "Command.release()"}));
    EXPECT_FALSE(m_query->prepared());
}

TEST_F(StatementCalls, LookupWithRowAndReopenWithoutNewPrepare)
{
    const std::string text = joined(lookupLines("C002"));
    rec().setRows(text, textRows("MEMBER_ID", {std::string("C002")}));
    setLines(*m_query, lookupLines("C002"));
    m_query->open();
    ASSERT_FALSE(m_query->eof());

    rec().clearCalls();
    EXPECT_FALSE(m_query->fieldByName("MEMBER_ID").isNull());
    EXPECT_EQ(statementCalls(), (std::vector<std::string>{"Cursor.getColumnType(1)", "Cursor.getString(1)"}));

    m_query->close();
    rec().clearCalls();
    m_query->open();
    EXPECT_EQ(statementCalls(), concat({{"Command.execute()"}, kDescribeFirstColumn, {"Cursor.next()"}}));

    rec().clearCalls();
    m_query->next();
    EXPECT_TRUE(m_query->eof());
    m_query->next();
    EXPECT_EQ(statementCalls(), std::vector<std::string>{"Cursor.next()"}) << "no fetch past the end";
}

TEST_F(StatementCalls, AddingALineClosesAnOpenStatementAndUnprepares)
{
    const std::string text = joined(lookupLines("C003"));
    rec().setRows(text, textRows("MEMBER_ID", {std::string("C003")}));
    setLines(*m_query, lookupLines("C003"));
    m_query->open();
    rec().clearCalls();

    m_query->addLine("AND 1 = 1");
    EXPECT_FALSE(m_query->isOpen());
    EXPECT_FALSE(m_query->prepared());
    EXPECT_EQ(statementCalls(),
              (std::vector<std::string>{"Cursor.release()", "Command.getRowsAffected()", "Command.release()"}));
    EXPECT_THROW((void)m_query->fieldByName("MEMBER_ID"), DatabaseError);

    // An empty list has nothing to clear: no change, nothing sent.
    SQLQuery empty(m_connection.get(), "SQLQuery2");
    rec().clearCalls();
    empty.clearLines();
    EXPECT_TRUE(rec().calls().empty());
}

TEST_F(StatementCalls, MemberInsertPreparesBindsExecutesAndIsReleasedOnClear)
{
    rec().setRowsAffected(1);
    setLines(*m_query, insertLines());
    ASSERT_EQ(m_query->params().size(), 15u);
    setInsertValues(*m_query, "C001");

    EXPECT_EQ(m_query->execute(), 1u);
    std::vector<std::string> calls = statementCalls();
    const std::vector<std::string> expected = {
        "Connection.getSQLCommand()",
        "Command.setOption(0, 20)",
        "MetaData.getOption(11, 1)",
        "Command.prepare(\"INSERT INTO MEMBER(MEMBER_ID,MEMBER_NAME,MEMBER_PHONE,\\r\\n"
        "MEMBER_ADD,TOTAL_AMT,CARD_ID,DISABLE_FLAG,MAIL_NUM,\\r\\n"
        "TAX_CODE,MAN_SALE,CHG_TIME,INVOICE_CLASS,UPPER_AMT,\\r\\n"
        "SHET_YN,SALES_ID) VALUES (?,?,?,\\r\\n?,?,?,?,?,\\r\\n?,?,?,?,?,\\r\\n?,?) \\r\\n\", 15)",
        "Command.setParameter(1, 0, 1, 1, 0, 4, 0, 5, \"C001\", 0)",
        "Command.setParameter(2, 0, 1, 1, 0, 3, 0, 4, \"Lin\", 0)",
        "Command.setParameter(3, 0, 1, 1, 0, 7, 0, 8, \"02-1234\", 0)",
        "Command.setParameter(4, 0, 1, 1, 0, 0, 0, 1, \"\", 0)",
        "Command.setParameter(5, 0, 1, 5, 0, 0, 0, 2, [00 00], 0)",
        "Command.setParameter(6, 0, 1, 1, 0, 4, 0, 5, \"C001\", 0)",
        "Command.setParameter(7, 0, 1, 1, 0, 5, 0, 6, \"False\", 0)",
        "Command.setParameter(8, 0, 1, 1, 0, 3, 0, 4, \"100\", 0)",
        "Command.setParameter(9, 0, 1, 1, 0, 1, 0, 2, \"Y\", 0)",
        "Command.setParameter(10, 0, 1, 1, 0, 1, 0, 2, \"N\", 0)",
        "Command.setParameter(11, 0, 1, 1, 0, 8, 0, 9, \"00:00:07\", 0)",
        "Command.setParameter(12, 0, 1, 1, 0, 1, 0, 2, \"0\", 0)",
        "Command.setParameter(13, 0, 1, 5, 0, 0, 0, 2, [00 00], 0)",
        "Command.setParameter(14, 0, 1, 1, 0, 1, 0, 2, \"N\", 0)",
        "Command.setParameter(15, 0, 1, 1, 0, 2, 0, 3, \"S7\", 0)",
        "Command.execute()",
        "Command.getRowsAffected()",
        "Command.close()",
    };
    EXPECT_EQ(calls, expected);
    for (const SQLParam& param : m_query->params())
        EXPECT_EQ(param.direction(), dbx::ParamIn) << param.name();

    rec().clearCalls();
    m_query->clearLines();
    EXPECT_EQ(statementCalls(), (std::vector<std::string>{"Command.close()", "Command.release()"}))
        << "close a second time, release, and no second rows-affected request";
    EXPECT_EQ(rec().liveObjects("Command"), 0);
}

TEST_F(StatementCalls, ExecuteAgainReusesTheCommandAndTheValues)
{
    setLines(*m_query, {"UPDATE T SET A = :A WHERE B = :B"});
    m_query->paramByName("a").setValue(std::int16_t{-2});
    m_query->paramByName("b").setValue(std::string_view("\xA4\x60'"));
    m_query->execute();

    rec().clearCalls();
    m_query->execute();
    EXPECT_EQ(statementCalls(), (std::vector<std::string>{
                                    "Command.setParameter(1, 0, 1, 5, 0, 0, 0, 2, [fe ff], 0)",
                                    "Command.setParameter(2, 0, 1, 1, 0, 3, 0, 4, \"\xA4`'\", 0)",
                                    "Command.execute()",
                                    "Command.getRowsAffected()",
                                    "Command.close()",
                                }))
        << "no new prepare and no new quote-character request";
}

TEST_F(StatementCalls, NullAndRetypedValuesAsBound)
{
    setLines(*m_query, {"UPDATE T SET A = :A, B = :B, C = :C, D = :D"});
    m_query->paramByName("A").setValue(std::string_view("x"));
    m_query->paramByName("A").setNull();                       // a text parameter holding NULL
    m_query->paramByName("B").setValue(std::string_view("x")); // a text parameter...
    m_query->paramByName("B").setValue(std::uint8_t{42});       // ...keeps its type
    m_query->paramByName("C").setValue(std::int8_t{-1});        // a 16-bit parameter...
    m_query->paramByName("C").setValue(std::string_view(" 300 ")); // ...given text
    m_query->paramByName("D").setValue(std::uint8_t{255});
    m_query->execute();
    EXPECT_EQ(rec().callsStartingWith("Command.setParameter"),
              (std::vector<std::string>{
                  "Command.setParameter(1, 0, 1, 1, 0, 0, 0, 0, (unread), 1)",
                  "Command.setParameter(2, 0, 1, 1, 0, 2, 0, 3, \"42\", 0)",
                  "Command.setParameter(3, 0, 1, 5, 0, 0, 0, 2, [2c 01], 0)",
                  "Command.setParameter(4, 0, 1, 5, 0, 0, 0, 2, [ff 00], 0)",
              }));
}

TEST_F(StatementCalls, ExecutingAQueryReleasesItsCursorAndOpeningACommandClosesIt)
{
    const std::string text = joined({"SELECT A FROM T"});
    rec().setRows(text, textRows("A", {std::string("1")}));
    setLines(*m_query, {"SELECT A FROM T"});
    m_query->execute();
    EXPECT_EQ(statementCalls(), (std::vector<std::string>{"Connection.getSQLCommand()", "Command.setOption(0, 20)",
                                                          "Command.prepare(\"SELECT A FROM T\\r\\n\", 0)",
                                                          "Command.execute()", "Command.getRowsAffected()",
                                                          "Cursor.release()"}));
    EXPECT_FALSE(m_query->isOpen());

    setLines(*m_query, {"DELETE FROM T"});
    rec().clearCalls();
    EXPECT_EQ(failureText([&] { m_query->open(); }), "SQLQuery1: Cursor not returned from Query");
    EXPECT_EQ(statementCalls(), (std::vector<std::string>{"Connection.getSQLCommand()", "Command.setOption(0, 20)",
                                                          "Command.prepare(\"DELETE FROM T\\r\\n\", 0)",
                                                          "Command.execute()", "Command.close()"}));
    EXPECT_FALSE(m_query->isOpen());
}

TEST_F(StatementCalls, RowsPerFetchFromRowsetSize)
{
    const struct {
        const char* line;
        const char* option;
    } cases[] = {
        {nullptr, "Command.setOption(0, 20)"},
        {"RowsetSize=200", "Command.setOption(0, 200)"},
        {"rowsetsize= 7 ", "Command.setOption(0, 7)"},
        {"RowsetSize=", "Command.setOption(0, 20)"},
        {"RowsetSize=many", "Command.setOption(0, 20)"},
        {"RowsetSize=12x", "Command.setOption(0, 20)"},
    };
    const NameValueList reference = m_connection->params();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line ? c.line : "(none)");
        m_connection->params() = reference;
        if (c.line)
            m_connection->params().add(c.line);
        setLines(*m_query, {"DELETE FROM T"});
        rec().clearCalls();
        m_query->execute();
        EXPECT_EQ(rec().callsStartingWith("Command.setOption"), std::vector<std::string>{c.option});
    }
}

TEST_F(StatementCalls, EveryMarkerStatementAsksForTheQuoteCharacterOncePerText)
{
    setLines(*m_query, {"DELETE FROM T WHERE A = :A"});
    m_query->paramByName("A").setValue(std::string_view("1"));
    m_query->execute();
    m_query->execute();
    EXPECT_EQ(rec().callsStartingWith("MetaData.getOption(11"), std::vector<std::string>{"MetaData.getOption(11, 1)"});

    m_query->addLine("AND B = 2");
    m_query->execute();
    EXPECT_EQ(rec().callsStartingWith("MetaData.getOption(11").size(), 2u);
}

TEST_F(StatementCalls, StatementReleasedBeforeTheConnectionGoes)
{
    setLines(*m_query, {"DELETE FROM T"});
    m_query->execute();
    ASSERT_EQ(rec().liveObjects("Command"), 1);
    m_query.reset();
    EXPECT_EQ(rec().liveObjects("Command"), 0);

    m_query = std::make_unique<SQLQuery>(m_connection.get());
    const std::string text = joined({"SELECT A FROM T"});
    rec().setRows(text, textRows("A", {std::string("1")}));
    setLines(*m_query, {"SELECT A FROM T"});
    m_query->open();
    m_connection->close();
    EXPECT_FALSE(m_query->isOpen());
    EXPECT_FALSE(m_query->prepared());
    EXPECT_EQ(rec().liveObjects("Cursor"), 0);
    EXPECT_EQ(rec().liveObjects("Command"), 0);
}

} // namespace
} // namespace didu::test

namespace didu::test {
namespace {

class StatementConnections : public RecordedStatement {};

TEST_F(StatementConnections, NotKeptOpenTheOnlyStatementLetsTheConnectionGoOnClose)
{
    m_connection->settings().keepConnection = false;
    const std::string text = joined(lookupLines("C1"));
    rec().setRows(text, textRows("MEMBER_ID", {}));
    setLines(*m_query, lookupLines("C1"));
    m_query->open();
    rec().clearCalls();
    m_query->close();
    EXPECT_FALSE(m_query->prepared());
    EXPECT_FALSE(m_connection->connected());
    const std::vector<std::string> calls = rec().calls();
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(calls.begin(), calls.begin() + 3),
              (std::vector<std::string>{"Cursor.release()", "Command.getRowsAffected()", "Command.release()"}));
    EXPECT_EQ(rec().callsStartingWith("Connection.disconnect").size(), 1u);

    // With a second statement on the connection, close keeps the command.
    SQLQuery other(m_connection.get(), "SQLQuery2");
    m_query->open();
    m_query->close();
    EXPECT_TRUE(m_query->prepared());
    EXPECT_TRUE(m_connection->connected());
}

TEST_F(StatementConnections, AStatementBeyondTheLimitRunsOnItsOwnConnectionAndReleasesIt)
{
    m_connection->close();
    rec().setStatementLimit(2);
    m_connection->open();
    const std::string text = joined({"SELECT A FROM T"});
    rec().setRows(text, textRows("A", {std::string("1")}));

    SQLQuery second(m_connection.get(), "SQLQuery2");
    rec().clearCalls();
    setLines(*m_query, {"SELECT A FROM T"});
    setLines(second, {"SELECT A FROM T"});
    m_query->open();
    second.open();
    EXPECT_EQ(rec().liveObjects("Connection"), 2);
    const std::vector<std::string> calls = rec().callsWithIds();
    EXPECT_NE(std::find(calls.begin(), calls.end(), "Connection#2.getSQLCommand()"), calls.end())
        << "one statement's command comes from the extra connection";

    m_query->clearLines();
    second.clearLines();
    EXPECT_EQ(rec().liveObjects("Connection"), 1) << "the extra connection goes with its command";
    EXPECT_EQ(rec().liveObjects("Command"), 0);
    EXPECT_TRUE(m_connection->connected());
}

} // namespace
} // namespace didu::test
