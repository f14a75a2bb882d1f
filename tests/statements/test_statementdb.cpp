// The member lookup and the member insert run by hand through SQLQuery1 over the
// real driver plugin on a fresh embedded database, and the rows read back.
#include "tests/statements/statementfixture.h"

#include "platform/errors.h"
#include "tests/support/tempdb/tempdatabase.h"

namespace didu::test {
namespace {

const char* const kMemberTable =
    "CREATE TABLE MEMBER ("
    " MEMBER_ID VARCHAR(20) NOT NULL PRIMARY KEY, MEMBER_NAME VARCHAR(20), MEMBER_PHONE VARCHAR(20),"
    " MEMBER_ADD VARCHAR(60), TOTAL_AMT NUMERIC(12,2), CARD_ID VARCHAR(20), DISABLE_FLAG VARCHAR(5),"
    " MAIL_NUM VARCHAR(5), TAX_CODE CHAR(1), MAN_SALE CHAR(1), CHG_TIME VARCHAR(8), INVOICE_CLASS CHAR(1),"
    " UPPER_AMT NUMERIC(12,2), SHET_YN CHAR(1), SALES_ID VARCHAR(10));";

class MemberStatements : public ::testing::Test {
protected:
    MemberStatements() : m_db(kMemberTable), m_query(&m_connection) {}

    // Lookup as the transfer writes it; answers whether the id has no member row.
    bool lookupFindsNothing(const std::string& id)
    {
        m_query.close();
        setLines(m_query, lookupLines(id));
        m_query.open();
        return m_query.fieldByName("member_id").isNull();
    }

    std::uint32_t insert(const std::string& id, const std::string& name)
    {
        m_query.close();
        setLines(m_query, insertLines());
        m_query.paramByName("MEMBER_ID").setValue(id);
        m_query.paramByName("MEMBER_NAME").setValue(name);
        m_query.paramByName("MEMBER_PHONE").setValue(std::string_view("02-2345 6789"));
        m_query.paramByName("MEMBER_ADD").setValue(std::string_view(""));
        m_query.paramByName("TOTAL_AMT").setValue(std::uint8_t{0});
        m_query.paramByName("CARD_ID").setValue(id);
        m_query.paramByName("DISABLE_FLAG").setValue(std::string_view("False"));
        m_query.paramByName("MAIL_NUM").setValue(std::string_view("106"));
        m_query.paramByName("TAX_CODE").setValue(std::string_view("Y"));
        m_query.paramByName("MAN_SALE").setValue(std::string_view("N"));
        m_query.paramByName("CHG_TIME").setValue(std::string_view("23:59:59"));
        m_query.paramByName("INVOICE_CLASS").setValue(std::string_view("0"));
        m_query.paramByName("UPPER_AMT").setValue(std::uint8_t{0});
        m_query.paramByName("SHET_YN").setValue(std::string_view("N"));
        m_query.paramByName("SALES_ID").setValue(std::string_view("S01"));
        return m_query.execute();
    }

    TempDatabase m_db;
    SQLConnection m_connection;
    SQLQuery m_query;
};

TEST_F(MemberStatements, LookupInsertAndReadBack)
{
    EXPECT_TRUE(lookupFindsNothing("C001"));
    EXPECT_TRUE(m_query.isOpen());
    EXPECT_TRUE(m_query.eof());

    const std::string big5Name = "\xB3\xAF\xA4\x6A\xA4\xE5"; // three Big5 characters, bytes as stored
    EXPECT_EQ(insert("C001", big5Name), 1u);
    EXPECT_FALSE(m_query.isOpen());
    EXPECT_TRUE(m_query.prepared());

    const auto rows = m_db.query("SELECT MEMBER_ID, MEMBER_NAME, MEMBER_PHONE, MEMBER_ADD, TOTAL_AMT, CARD_ID,"
                                 " DISABLE_FLAG, MAIL_NUM, TAX_CODE, MAN_SALE, CHG_TIME, INVOICE_CLASS, UPPER_AMT,"
                                 " SHET_YN, SALES_ID FROM MEMBER");
    ASSERT_EQ(rows.size(), 1u);
    const Row expected = {std::string("C001"), big5Name, std::string("02-2345 6789"), std::string(""),
                          std::string("0.00"), std::string("C001"), std::string("False"), std::string("106"),
                          std::string("Y"), std::string("N"), std::string("23:59:59"), std::string("0"),
                          std::string("0.00"), std::string("N"), std::string("S01")};
    EXPECT_EQ(rows[0], expected) << "empty text is stored as empty text, not NULL";

    EXPECT_FALSE(lookupFindsNothing("C001"));
    EXPECT_TRUE(lookupFindsNothing("C0011"));
    EXPECT_TRUE(lookupFindsNothing("c001"));
}

TEST_F(MemberStatements, ReopenAndReexecuteReuseThePreparedCommand)
{
    insert("C001", "Lin");
    setLines(m_query, lookupLines("C001"));
    for (int round = 0; round < 3; ++round) {
        m_query.open();
        EXPECT_FALSE(m_query.fieldByName("MEMBER_ID").isNull()) << round;
        m_query.next();
        EXPECT_TRUE(m_query.eof());
        m_query.close();
        EXPECT_TRUE(m_query.prepared());
    }

    setLines(m_query, {"UPDATE MEMBER SET TOTAL_AMT = :AMT WHERE MEMBER_ID = :ID"});
    m_query.paramByName("ID").setValue(std::string_view("C001"));
    for (std::int16_t amount : {std::int16_t{5}, std::int16_t{-7}}) {
        m_query.paramByName("AMT").setValue(amount);
        EXPECT_EQ(m_query.execute(), 1u);
    }
    EXPECT_EQ(m_db.scalar("SELECT TOTAL_AMT FROM MEMBER"), std::optional<std::string>("-7.00"));
    m_query.paramByName("ID").setValue(std::string_view("nobody"));
    EXPECT_EQ(m_query.execute(), 0u);
}

TEST_F(MemberStatements, EngineFailuresReachTheCallerAndLeaveTheStatementUsable)
{
    insert("C001", "Lin");
    try {
        insert("C001", "Lin");
        FAIL() << "a second row with the same id must be refused";
    } catch (const DatabaseError& error) {
        EXPECT_NE(std::string(error.what()).find("PRIMARY"), std::string::npos) << error.what();
        EXPECT_EQ(m_query.lastError(), error.what());
    }
    EXPECT_TRUE(m_query.prepared());
    EXPECT_EQ(insert("C002", "Wu"), 1u);
    EXPECT_EQ(m_db.scalar("SELECT COUNT(*) FROM MEMBER"), std::optional<std::string>("2"));

    // A text the engine cannot prepare is reported by the open that asked for it.
    setLines(m_query, {"SELECT NO_SUCH_COLUMN FROM MEMBER"});
    EXPECT_THROW(m_query.open(), DatabaseError);
    EXPECT_FALSE(m_query.prepared());
    EXPECT_FALSE(m_query.lastError().empty());

    // A value too long for its column fails the execute.
    setLines(m_query, {"UPDATE MEMBER SET TAX_CODE = :T"});
    m_query.paramByName("T").setValue(std::string_view("TOO LONG"));
    EXPECT_THROW(m_query.execute(), DatabaseError);
    EXPECT_EQ(m_db.scalar("SELECT COUNT(*) FROM MEMBER WHERE TAX_CODE = 'Y'"), std::optional<std::string>("2"));
}

TEST_F(MemberStatements, AFailureReadsItsOwnReasonNotAnEarlierRefusedOption)
{
    // The driver refuses dialect 4 while connecting; the connect ignores that
    // and goes on. A text too long to bind, reported with the connection's own
    // message, must not carry the refusal along.
    m_db.writeConfiguration({{"SQLDialect", "4"}});
    EXPECT_TRUE(lookupFindsNothing("C001"));
    setLines(m_query, {"UPDATE MEMBER SET MEMBER_NAME = :N"});
    m_query.paramByName("N").setValue(std::string(40000, 'x'));
    try {
        m_query.execute();
        FAIL() << "a text of 40,000 bytes cannot be bound";
    } catch (const DatabaseError& error) {
        EXPECT_STREQ(error.what(), "dbExpress Error: [0x0009]: Invalid Parameter");
    }
}

} // namespace
} // namespace didu::test
