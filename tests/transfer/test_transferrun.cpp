// Whole transfer runs on a fresh embedded database: which customers become
// members, every column of every new row, the bar's calls in order, and what a
// failure part-way leaves behind.
#include "tests/transfer/transferfixture.h"

#include "platform/errors.h"

namespace didu::test {
namespace {

/// A member row the test inserted itself: id and name, the rest NULL.
Row keptRow(const std::string& id, const std::string& name)
{
    Row row(15, std::nullopt);
    row[0] = id;
    row[1] = name;
    return row;
}

TEST_F(TransferRun, EmptyCustomerTableEndsSilently)
{
    open(std::string(kCustomerTable) + kMemberTable);
    run();
    EXPECT_TRUE(view.calls.empty());
    EXPECT_TRUE(members().empty());
    EXPECT_EQ(clock.reads, 0u);
}

TEST_F(TransferRun, OnlyCustomersWithoutAMemberRowAreInserted)
{
    open(std::string(kCustomerTable) + kMemberTable
         + "INSERT INTO MEMBER (MEMBER_ID, MEMBER_NAME) VALUES ('C002', 'kept');"
           "INSERT INTO MEMBER (MEMBER_ID, MEMBER_NAME) VALUES ('C004', 'kept too');");
    addCustomer({"C001", "Ann Lee", "02-2345 6789", "1 Main Rd", "106", "S01"});
    addCustomer({"C002", "Bo Yu", "03-1", "2 Main Rd", "107", "S02"});
    addCustomer({"C003", "Cid  Wu", "04-22", "3 Side St", "108", "S01"});
    addCustomer({"C004", "Di", "05", "4", "109", "S03"});
    addCustomer({"C005", "Ed", "06", "5", "110", "S04"});
    clock.times = {{0, 0, 7, 0}, {23, 59, 59, 999}, {7, 5, 9, 0}};

    run();

    EXPECT_EQ(view.calls, progressCalls(5));
    EXPECT_EQ(view.messages, std::vector<std::string>{"資料轉移完成."});
    EXPECT_EQ(clock.reads, 3u) << "the time is read once per inserted row";
    const std::vector<Row> expected = {
        memberRow("C001", "Ann Lee", "02-2345 6789", "1 Main Rd", "106", "S01", "00:00:07"),
        keptRow("C002", "kept"),
        memberRow("C003", "Cid  Wu", "04-22", "3 Side St", "108", "S01", "23:59:59"),
        keptRow("C004", "kept too"),
        memberRow("C005", "Ed", "06", "5", "110", "S04", "07:05:09"),
    };
    EXPECT_EQ(members(), expected);

    // The last customer was inserted: the statement holds the insert, as written.
    EXPECT_EQ(query->lines(), std::vector<std::string>(kMemberInsertLines.begin(), kMemberInsertLines.end()));
    const std::vector<std::pair<std::string, SQLParam::ValueType>> params = {
        {"MEMBER_ID", SQLParam::ValueType::Text},    {"MEMBER_NAME", SQLParam::ValueType::Text},
        {"MEMBER_PHONE", SQLParam::ValueType::Text}, {"MEMBER_ADD", SQLParam::ValueType::Text},
        {"TOTAL_AMT", SQLParam::ValueType::Int16},   {"CARD_ID", SQLParam::ValueType::Text},
        {"DISABLE_FLAG", SQLParam::ValueType::Text}, {"MAIL_NUM", SQLParam::ValueType::Text},
        {"TAX_CODE", SQLParam::ValueType::Text},     {"MAN_SALE", SQLParam::ValueType::Text},
        {"CHG_TIME", SQLParam::ValueType::Text},     {"INVOICE_CLASS", SQLParam::ValueType::Text},
        {"UPPER_AMT", SQLParam::ValueType::Int16},   {"SHET_YN", SQLParam::ValueType::Text},
        {"SALES_ID", SQLParam::ValueType::Text},
    };
    ASSERT_EQ(query->params().size(), params.size());
    for (std::size_t i = 0; i < params.size(); ++i) {
        EXPECT_EQ(query->params()[i].name(), params[i].first);
        EXPECT_EQ(query->params()[i].valueType(), params[i].second) << params[i].first;
        EXPECT_FALSE(query->params()[i].isNull()) << params[i].first;
    }
}

TEST_F(TransferRun, SecondRunAddsNothingAndTheBarStaysFull)
{
    open(std::string(kCustomerTable) + kMemberTable);
    addCustomer({"C001", "Ann", "1", "a", "1", "S"});
    addCustomer({"C002", "Bo", "2", "b", "2", "S"});
    addCustomer({"C003", "Cid", "3", "c", "3", "S"});
    run();
    const auto first = members();
    ASSERT_EQ(first.size(), 3u);

    view.calls.clear();
    run();
    EXPECT_EQ(view.calls, progressCalls(3, 3));
    EXPECT_EQ(view.messages.size(), 2u);
    EXPECT_EQ(members(), first);
    EXPECT_EQ(clock.reads, 3u);
    // The last customer was skipped: the statement is left open on its lookup.
    EXPECT_EQ(query->lines(), (std::vector<std::string>{"SELECT MEMBER_ID FROM MEMBER ", " WHERE MEMBER_ID = 'C003'"}));
    EXPECT_TRUE(query->isOpen());

    // A customer added in between: the bar starts at the old count in the new
    // range and fills up past it.
    addCustomer({"C000", "New", "0", "z", "0", "S"});
    view.calls.clear();
    run();
    EXPECT_EQ(view.calls, progressCalls(4, 3));
    EXPECT_EQ(members().size(), 4u);
}

TEST_F(TransferRun, DuplicateAndNullIdsInATableWithoutAKey)
{
    open("CREATE TABLE CUSTOMER (CUST_ID VARCHAR(20), CUST_NAME VARCHAR(40), TEL_1 VARCHAR(20),"
         " BUSINESS_ADD VARCHAR(60), MAIL_NUM VARCHAR(10), SALES_ID VARCHAR(10));"
         + std::string(kMemberTable));
    addCustomer({"D1", "first", "1", "a", "1", "S1"});
    addCustomer({"D1", "second", "2", "b", "2", "S2"});
    addCustomer({std::nullopt, "no id", "3", "c", "3", "S3"});
    addCustomer({std::nullopt, "no id again", "4", "d", "4", "S4"});
    run();
    const auto rows = members();
    ASSERT_EQ(rows.size(), 2u);
    // One of each id; the empty id is text, not NULL, in both id columns.
    EXPECT_EQ(rows[0][0], Value(""));
    EXPECT_EQ(rows[0][5], Value(""));
    EXPECT_EQ(rows[1][0], Value("D1"));
    EXPECT_EQ(view.calls, progressCalls(4));
    // Whichever of a pair came first in the held order got the row.
    const auto held = db->query("SELECT MEMBER_NAME FROM MEMBER WHERE MEMBER_ID = 'D1'");
    EXPECT_TRUE(held[0][0] == Value("first") || held[0][0] == Value("second"));
    clock.reads = 0;
    run();
    EXPECT_EQ(clock.reads, 0u);
}

TEST_F(TransferRun, IdsKeepTheirBlanksAndQuotesCannotEndTheLiteral)
{
    open("CREATE TABLE CUSTOMER (CUST_ID CHAR(12) NOT NULL PRIMARY KEY, CUST_NAME VARCHAR(40), TEL_1 VARCHAR(20),"
         " BUSINESS_ADD VARCHAR(60), MAIL_NUM VARCHAR(10), SALES_ID VARCHAR(10));"
         + std::string(kMemberTable) + "INSERT INTO MEMBER (MEMBER_ID) VALUES ('A');");
    addCustomer({"C1", "blanks", "1", "a", "1", "S"});
    addCustomer({"O'Neil", "quote", "2", "b", "2", "S"});
    addCustomer({"x' OR '1'='1", "injection", "3", "c", "3", "S"});
    run();
    const auto rows = members();
    ASSERT_EQ(rows.size(), 4u);
    // A fixed-length id arrives padded, and goes on padded into both columns.
    EXPECT_EQ(rows[1][0], Value("C1          "));
    EXPECT_EQ(rows[1][5], Value("C1          "));
    EXPECT_EQ(rows[2][0], Value("O'Neil      "));
    EXPECT_EQ(rows[3][0], Value("x' OR '1'='1"));
    EXPECT_EQ(rows[3][1], Value("injection"));

    // Each finds only itself the next time.
    clock.reads = 0;
    run();
    EXPECT_EQ(clock.reads, 0u);
    EXPECT_EQ(members().size(), 4u);
    EXPECT_EQ(query->lines().back(), " WHERE MEMBER_ID = 'x'' OR ''1''=''1'");
}

TEST_F(TransferRun, FailurePartWayKeepsEarlierRowsAndARerunCompletes)
{
    // C002 breaks a constraint of MEMBER: its phone (NULL, so empty text) where
    // one is required, or a mail number longer than the column holds.
    struct Case {
        const char* what;
        std::string extraSchema;
        Value badPhone;
        std::string badMail;
        std::string repair;
    };
    const std::vector<Case> cases = {
        {"check constraint", "ALTER TABLE MEMBER ADD CONSTRAINT PHONE_GIVEN CHECK (MEMBER_PHONE <> '');",
         std::nullopt, "107", "UPDATE CUSTOMER SET TEL_1 = '2' WHERE CUST_ID = 'C002'"},
        {"value too long", "", std::string("2"), "1070001",
         "UPDATE CUSTOMER SET MAIL_NUM = '107' WHERE CUST_ID = 'C002'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        view = LoggingView();
        open(std::string(kCustomerTable) + kMemberTable + c.extraSchema);
        addCustomer({"C001", "Ann", "1", "a", "106", "S"});
        addCustomer({"C002", "Bo", c.badPhone, "b", c.badMail, "S"});
        addCustomer({"C003", "Cid", "3", "c", "108", "S"});

        EXPECT_THROW(run(), DatabaseError);
        EXPECT_EQ(members().size(), 1u);
        // The bar was advanced for the failing customer, and no further.
        EXPECT_EQ(view.calls, (std::vector<std::string>{"show 0/3", "show 1/3", "show 2/3"}));
        EXPECT_TRUE(view.messages.empty());

        // The cause persists: the run fails again at the same customer.
        view.calls.clear();
        EXPECT_THROW(run(), DatabaseError);
        EXPECT_EQ(members().size(), 1u);

        db->execute(c.repair);
        view.calls.clear();
        run();
        EXPECT_EQ(view.calls.back(), "info");
        const auto rows = members();
        ASSERT_EQ(rows.size(), 3u);
        EXPECT_EQ(rows[1][0], Value("C002"));
        EXPECT_EQ(rows[1][7], Value("107"));
        EXPECT_EQ(rows[2][0], Value("C003"));
    }
}

TEST_F(TransferRun, MissingColumnsFailWhenFirstRead)
{
    // No TEL_1: unnoticed while every customer is a member already.
    open("CREATE TABLE CUSTOMER (CUST_ID VARCHAR(20) NOT NULL PRIMARY KEY, CUST_NAME VARCHAR(40),"
         " BUSINESS_ADD VARCHAR(60), MAIL_NUM VARCHAR(10), SALES_ID VARCHAR(10));"
         + std::string(kMemberTable)
         + "INSERT INTO CUSTOMER (CUST_ID) VALUES ('C001');"
           "INSERT INTO MEMBER (MEMBER_ID) VALUES ('C001');");
    run();
    EXPECT_EQ(view.messages.size(), 1u);

    db->execute("INSERT INTO CUSTOMER (CUST_ID) VALUES ('C002')");
    try {
        run();
        FAIL() << "no error";
    } catch (const DatabaseError& error) {
        EXPECT_STREQ(error.what(), "ClientDataSet1: Field 'TEL_1' not found");
    }
    EXPECT_EQ(members().size(), 1u);
}

TEST_F(TransferRun, NoCustomerTableLeavesTheBarUntouched)
{
    open(kMemberTable);
    EXPECT_THROW(run(), DatabaseError);
    EXPECT_TRUE(view.calls.empty());
    EXPECT_FALSE(customers->isOpen());
}

} // namespace
} // namespace didu::test
