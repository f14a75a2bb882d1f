// Every failure of the statement object with the text the operator reads, and
// the state it leaves behind; driver results are scripted on the recording driver.
#include "tests/statements/statementfixture.h"

#include "platform/errors.h"

namespace didu::test {
namespace {

using StatementFailures = RecordedStatement;

const char* const kSqlError = "dbExpress Error: [0x0065]: SQL Error\r\nSQL Server Error: ";

TEST_F(StatementFailures, EmptyLines)
{
    EXPECT_EQ(failureText([&] { m_query->open(); }), "Missing query, table name or procedure name");
    EXPECT_EQ(failureText([&] { m_query->execute(); }), "Unable to execute Query");
    EXPECT_TRUE(rec().calls().empty());

    // After a driver failure, execute with no lines repeats that failure's text.
    setLines(*m_query, {"DELETE FROM T"});
    rec().scriptNext("Command.execute", dbx::ResultSqlError, "lock conflict");
    EXPECT_EQ(failureText([&] { m_query->execute(); }), std::string(kSqlError) + "lock conflict");
    m_query->clearLines();
    EXPECT_EQ(failureText([&] { m_query->execute(); }), std::string(kSqlError) + "lock conflict");
}

TEST_F(StatementFailures, PrepareFailureIsHeldBackAndReportedByTheOperationThatAsked)
{
    setLines(*m_query, {"SELEKT A FROM T"});
    rec().scriptNext("Command.prepare", dbx::ResultSqlError, "Token unknown - line 1, column 1");
    const std::string expected = std::string(kSqlError) + "Token unknown - line 1, column 1";
    EXPECT_EQ(failureText([&] { m_query->open(); }), expected);
    EXPECT_EQ(m_query->lastError(), expected);
    EXPECT_FALSE(m_query->prepared());
    EXPECT_FALSE(m_query->isOpen());
    EXPECT_EQ(statementCalls(), (std::vector<std::string>{
                                    "Connection.getSQLCommand()", "Command.setOption(0, 20)",
                                    "Command.prepare(\"SELEKT A FROM T\\r\\n\", 0)", "Command.getErrorMessageLen()",
                                    "Command.getErrorMessage()", "Command.close()", "Command.release()"}));
    EXPECT_EQ(rec().liveObjects("Command"), 0);

    // The next attempt prepares again, and succeeds when the driver lets it.
    rec().clearCalls();
    m_query->execute();
    EXPECT_EQ(rec().callsStartingWith("Command.prepare").size(), 1u);
    EXPECT_TRUE(m_query->prepared());
    EXPECT_TRUE(m_query->lastError().empty()) << "a prepare clears the last error";
}

TEST_F(StatementFailures, CommandCreationFailureCarriesTheConnectionsMessage)
{
    setLines(*m_query, {"DELETE FROM T"});
    rec().scriptNext("Connection.getSQLCommand", dbx::ResultNoMemory, "out of handles");
    EXPECT_EQ(failureText([&] { m_query->execute(); }),
              "dbExpress Error: [0x0002]: Insufficient Memory for Operation\r\nSQL Server Error: out of handles");
    EXPECT_FALSE(m_query->prepared());
}

class HookedStatement : public SQLStatement {
public:
    using SQLStatement::SQLStatement;
    using SQLStatement::setText;
    dbx::Result hookResult = dbx::ResultOk;

protected:
    void commandCreated(dbx::ISQLCommand* command) override
    {
        checkDriver(hookResult == dbx::ResultOk ? command->setOption(dbx::CommandStoredProc, 0) : hookResult, command);
    }
};

TEST_F(StatementFailures, FailureInTheCommandHookCountsAsAPrepareFailure)
{
    HookedStatement statement("SQLDataSet1", m_connection.get());
    statement.setText("select * from CUSTOMER ");
    EXPECT_EQ(statement.text(), "select * from CUSTOMER ");
    rec().setRows("select * from CUSTOMER ", textRows("CUST_ID", {std::string("C1")}));
    rec().scriptNext("Command.setOption", dbx::ResultOk);
    rec().scriptNext("Command.setOption", dbx::ResultNotSupported);
    EXPECT_EQ(failureText([&] { statement.open(); }), "dbExpress Error: [0x0005]: Operation Not Supported");
    EXPECT_EQ(statementCalls(), (std::vector<std::string>{"Connection.getSQLCommand()", "Command.setOption(0, 20)",
                                                          "Command.setOption(7, 0)", "Command.getErrorMessageLen()",
                                                          "Command.close()", "Command.release()"}));
    EXPECT_FALSE(statement.prepared());

    rec().clearCalls();
    statement.open();
    EXPECT_EQ(rec().callsStartingWith("Command.prepare"),
              std::vector<std::string>{"Command.prepare(\"select * from CUSTOMER \", 0)"});
    EXPECT_TRUE(statement.isOpen());
}

TEST_F(StatementFailures, ExecuteFailuresLeaveTheStatementPreparedAndClosed)
{
    const struct {
        const char* operation;
        std::vector<std::string> tail; // the calls after Command.execute()'s own line
    } cases[] = {
        {"Command.execute", {"Command.getErrorMessageLen()", "Command.getErrorMessage()", "Command.close()"}},
        {"Command.getRowsAffected",
         {"Command.getRowsAffected()", "Command.getErrorMessageLen()", "Command.getErrorMessage()", "Command.close()"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.operation);
        setLines(*m_query, {"INSERT INTO T VALUES (1)"});
        m_query->execute();
        rec().clearCalls();
        rec().scriptNext(c.operation, dbx::ResultSqlError, "violation of PRIMARY KEY constraint");
        EXPECT_EQ(failureText([&] { m_query->execute(); }),
                  std::string(kSqlError) + "violation of PRIMARY KEY constraint");
        EXPECT_EQ(m_query->lastError(), std::string(kSqlError) + "violation of PRIMARY KEY constraint");
        std::vector<std::string> expected = {"Command.execute()"};
        expected.insert(expected.end(), c.tail.begin(), c.tail.end());
        EXPECT_EQ(statementCalls(), expected);
        EXPECT_TRUE(m_query->prepared());
        EXPECT_FALSE(m_query->isOpen());
    }
}

TEST_F(StatementFailures, OpenFailuresLeaveTheStatementClosed)
{
    const std::string text = joined({"SELECT A FROM T"});
    const char* operations[] = {"Command.execute", "Cursor.getColumnCount", "Cursor.getColumnName", "Cursor.next"};
    for (const char* operation : operations) {
        SCOPED_TRACE(operation);
        rec().setRows(text, textRows("A", {std::string("1")}));
        setLines(*m_query, {"SELECT A FROM T"});
        rec().scriptNext(operation, dbx::ResultSqlError, "connection lost");
        EXPECT_EQ(failureText([&] { m_query->open(); }), std::string(kSqlError) + "connection lost");
        EXPECT_FALSE(m_query->isOpen());
        EXPECT_TRUE(m_query->prepared());
        EXPECT_EQ(rec().liveObjects("Cursor"), 0);
    }
}

TEST_F(StatementFailures, EndOfDataCodesAreNotFailures)
{
    const std::string text = joined({"SELECT A FROM T"});
    for (dbx::Result code : {dbx::ResultEndOfData, dbx::ResultEndOfDataAlt}) {
        rec().setRows(text, textRows("A", {std::string("1")}));
        setLines(*m_query, {"SELECT A FROM T"});
        rec().scriptNext("Cursor.next", code);
        m_query->open();
        EXPECT_TRUE(m_query->isOpen());
        EXPECT_TRUE(m_query->eof());
        EXPECT_TRUE(m_query->fieldByName("A").isNull());
    }
}

TEST_F(StatementFailures, LookupsByNameAndTheClosedDataset)
{
    rec().setRows("SELECT A FROM T WHERE B = ?\r\n", textRows("A", {std::string("1")}));
    setLines(*m_query, {"SELECT A FROM T WHERE B = :B"});
    EXPECT_EQ(failureText([&] { m_query->paramByName("NOPE"); }), "SQLQuery1: Parameter 'NOPE' not found");
    m_query->paramByName("b").setValue(std::string_view("x"));
    m_query->open();

    EXPECT_EQ(failureText([&] { (void)m_query->fieldByName("member_id"); }), "SQLQuery1: Field 'member_id' not found");
    EXPECT_TRUE(m_query->isOpen());

    const SQLField& kept = m_query->fieldByName("a");
    m_query->close();
    EXPECT_EQ(failureText([&] { (void)kept.isNull(); }), "Cannot perform this operation on a closed dataset");
    EXPECT_EQ(failureText([&] { m_query->next(); }), "Cannot perform this operation on a closed dataset");
    EXPECT_EQ(failureText([&] { (void)m_query->fieldByName("A"); }), "SQLQuery1: Field 'A' not found");
}

TEST_F(StatementFailures, ColumnReadFailure)
{
    const std::string text = joined({"SELECT A FROM T"});
    rec().setRows(text, textRows("A", {std::string("1")}));
    setLines(*m_query, {"SELECT A FROM T"});
    m_query->open();
    rec().scriptNext("Cursor.getString", dbx::ResultInvalidHandle, "");
    EXPECT_EQ(failureText([&] { (void)m_query->fieldByName("A").isNull(); }), "dbExpress Error: [0x0004]: Invalid Handle");
    EXPECT_EQ(m_query->lastError(), "dbExpress Error: [0x0004]: Invalid Handle");
    EXPECT_TRUE(m_query->isOpen());
}

TEST_F(StatementFailures, UnboundParameterStopsBeforeExecuteAfterTheEarlierOnesWereSent)
{
    setLines(*m_query, insertLines());
    m_query->paramByName("MEMBER_ID").setValue(std::string_view("C1"));
    m_query->paramByName("MEMBER_NAME").setValue(std::string_view("Lin"));
    m_query->paramByName("MEMBER_PHONE").setValue(std::string_view("1"));
    m_query->paramByName("MEMBER_ADD").setNull(); // bound, but NULL fixes no type
    EXPECT_EQ(failureText([&] { m_query->execute(); }), "No value for parameter 'MEMBER_ADD'");
    EXPECT_EQ(rec().callsStartingWith("Command.setParameter").size(), 3u);
    EXPECT_TRUE(rec().callsStartingWith("Command.execute").empty());
}

TEST_F(StatementFailures, SetParameterFailureIsReportedWithTheConnectionsMessage)
{
    setLines(*m_query, {"DELETE FROM T WHERE A = :A"});
    m_query->paramByName("A").setValue(std::string_view("1"));
    rec().scriptNext("Command.setParameter", dbx::ResultInvalidParameter, "the command's own message");
    EXPECT_EQ(failureText([&] { m_query->execute(); }), "dbExpress Error: [0x0009]: Invalid Parameter");
    EXPECT_EQ(m_connection->lastError(), "dbExpress Error: [0x0009]: Invalid Parameter");
    EXPECT_TRUE(rec().callsStartingWith("Command.execute").empty());
}

TEST_F(StatementFailures, UnprepareFailuresAreKeptNotRaised)
{
    setLines(*m_query, {"DELETE FROM T"});
    m_query->execute();
    rec().scriptNext("Command.close", dbx::ResultSqlError, "deadlock");
    EXPECT_NO_THROW(m_query->clearLines());
    EXPECT_EQ(m_query->lastError(), std::string(kSqlError) + "deadlock");
    EXPECT_EQ(rec().liveObjects("Command"), 0);
    EXPECT_FALSE(m_query->prepared());
}

TEST_F(StatementFailures, UnknownCodeWithoutMessage)
{
    setLines(*m_query, {"DELETE FROM T"});
    rec().scriptNext("Command.execute", 4711, "");
    EXPECT_EQ(failureText([&] { m_query->execute(); }), "dbExpress Error: Unknown Error Code '4711'");
}

} // namespace
} // namespace didu::test
