// ClientDataSet1 over a fresh embedded Firebird database through the real driver
// plugin and the real store plugin: the held order, the text of every value, and
// a reopen that sees the table as it is now.
#include "db/connection/sqlconnection.h"
#include "db/statements/clientdataset.h"
#include "db/statements/datasetprovider.h"
#include "db/statements/sqldataset.h"
#include "tests/support/tempdb/tempdatabase.h"

#include <gtest/gtest.h>

#include <memory>

using namespace didu;
using didu::test::TempDatabase;

namespace {

const std::string CustomerQuery = "select * from CUSTOMER ";

const char* const CustomerTable =
    "CREATE TABLE CUSTOMER (CUST_ID VARCHAR(10) NOT NULL PRIMARY KEY, CUST_NAME VARCHAR(40), TEL_1 VARCHAR(20),"
    " BUSINESS_ADD VARCHAR(80), MAIL_NUM CHAR(6), SALES_ID VARCHAR(10));";

/// The window's chain over the fixture's database.
struct Chain {
    SQLConnection connection;
    SQLDataSet dataSet{&connection};
    DataSetProvider provider{&dataSet};
    ClientDataSet clientDataSet{&provider};

    /// Closes, sets the transfer's text, opens, and reads `column` of every row.
    std::vector<std::string> read(const std::string& column = "CUST_ID", const std::string& text = CustomerQuery)
    {
        clientDataSet.close();
        clientDataSet.setCommandText(text);
        clientDataSet.open();
        std::vector<std::string> values;
        for (; !clientDataSet.eof(); clientDataSet.next())
            values.push_back(clientDataSet.valueAsText(column));
        return values;
    }
};

std::vector<std::string> firstColumn(const std::vector<didu::test::Row>& rows)
{
    std::vector<std::string> out;
    for (const auto& row : rows)
        out.push_back(row.at(0).value_or("<null>"));
    return out;
}

} // namespace

TEST(ResultSetEngine, EmptyTableOpensAtEndOfData)
{
    TempDatabase db(CustomerTable);
    Chain chain;
    EXPECT_TRUE(chain.read().empty());
    EXPECT_TRUE(chain.clientDataSet.isOpen());
    EXPECT_EQ(chain.clientDataSet.rowCount(), 0);
    EXPECT_TRUE(chain.clientDataSet.eof());
    EXPECT_FALSE(chain.dataSet.isOpen());
    EXPECT_TRUE(chain.connection.connected());
}

TEST(ResultSetEngine, RowsAreMetInTheOrderOfThePrimaryKey)
{
    struct Case {
        const char* what;
        std::string setup;
        std::vector<std::string> expected;
    };
    const std::string rows = "INSERT INTO CUSTOMER (CUST_ID, CUST_NAME) VALUES ('C3', 'b');"
                             "INSERT INTO CUSTOMER (CUST_ID, CUST_NAME) VALUES ('C1', 'a');"
                             "INSERT INTO CUSTOMER (CUST_ID, CUST_NAME) VALUES ('C2', 'a');";
    const std::vector<Case> cases = {
        {"primary key CUST_ID", std::string(CustomerTable) + rows, {"C1", "C2", "C3"}},
        {"no primary key: the server's order",
         "CREATE TABLE CUSTOMER (CUST_ID VARCHAR(10), CUST_NAME VARCHAR(40));" + rows, {"C3", "C1", "C2"}},
        {"two-column primary key, name first",
         "CREATE TABLE CUSTOMER (CUST_ID VARCHAR(10) NOT NULL, CUST_NAME VARCHAR(40) NOT NULL,"
         " CONSTRAINT PK_CUSTOMER PRIMARY KEY (CUST_NAME, CUST_ID));" + rows,
         {"C1", "C2", "C3"}},
        {"descending primary key",
         "CREATE TABLE CUSTOMER (CUST_ID VARCHAR(10) NOT NULL, CUST_NAME VARCHAR(40),"
         " CONSTRAINT PK_CUSTOMER PRIMARY KEY (CUST_ID) USING DESCENDING INDEX PK_CUSTOMER_DESC);" + rows,
         {"C3", "C2", "C1"}},
        {"a unique key is not an order",
         "CREATE TABLE CUSTOMER (CUST_ID VARCHAR(10) NOT NULL UNIQUE, CUST_NAME VARCHAR(40));" + rows,
         {"C3", "C1", "C2"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDatabase db(c.setup);
        // The server delivers the rows as they were stored; the order below is the store's.
        ASSERT_EQ(firstColumn(db.query("SELECT CUST_ID FROM CUSTOMER")), (std::vector<std::string>{"C3", "C1", "C2"}));
        Chain chain;
        EXPECT_EQ(chain.read(), c.expected);
        EXPECT_EQ(chain.clientDataSet.rowCount(), 3);
    }
}

TEST(ResultSetEngine, ReopenSeesTheTableAsItIsNow)
{
    TempDatabase db(std::string(CustomerTable) + "INSERT INTO CUSTOMER (CUST_ID) VALUES ('C2');");
    Chain chain;
    EXPECT_EQ(chain.read(), (std::vector<std::string>{"C2"}));
    db.execute("INSERT INTO CUSTOMER (CUST_ID) VALUES ('C1')");
    db.execute("DELETE FROM CUSTOMER WHERE CUST_ID = 'C2'");
    db.execute("INSERT INTO CUSTOMER (CUST_ID) VALUES ('C0')");
    EXPECT_EQ(chain.read(), (std::vector<std::string>{"C0", "C1"}));
    EXPECT_FALSE(chain.dataSet.isOpen());
    EXPECT_TRUE(chain.dataSet.prepared());
}

TEST(ResultSetEngine, ValuesReadAsTheDatabaseDeliversThem)
{
    TempDatabase db("CREATE TABLE CUSTOMER (CUST_ID VARCHAR(10) NOT NULL PRIMARY KEY, CUST_NAME VARCHAR(40),"
                    " TEL_1 VARCHAR(20), BUSINESS_ADD VARCHAR(80), MAIL_NUM CHAR(6), SALES_ID VARCHAR(10),"
                    " N INTEGER, S SMALLINT, B BIGINT, F DOUBLE PRECISION, AMT NUMERIC(15,2), D DATE, TS TIMESTAMP,"
                    " MEMO BLOB SUB_TYPE TEXT);"
                    "INSERT INTO CUSTOMER (CUST_ID) VALUES ('C2');");
    db.execute("INSERT INTO CUSTOMER VALUES (?, ?, ?, ?, ?, ?, -42, 7, 9000000000, 0.1, -12.5, '2024-02-29',"
               " '2024-02-29 23:59:58', 'a memo')",
               {std::string("C1"), std::string("ab  "), std::nullopt, std::string("\xA5\x78\xA5\x5F\xA5\xAB"),
                std::string("106"), std::string("")});
    Chain chain;
    chain.read();
    chain.clientDataSet.close();
    chain.clientDataSet.open(); // the kept command reads the same
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"cust_id", "C1"},
        {"CUST_NAME", "ab  "},                          // trailing blanks as delivered
        {"TEL_1", ""},                                  // NULL
        {"Business_Add", "\xA5\x78\xA5\x5F\xA5\xAB"}, // Big5 bytes untouched, 0x5F second byte included
        {"MAIL_NUM", "106   "},                         // CHAR keeps its padding
        {"SALES_ID", ""},                               // empty text
        {"N", "-42"}, {"S", "7"}, {"B", "9000000000"}, {"F", "0.1"}, {"AMT", "-12.50"},
        {"D", "2024-02-29"}, {"TS", "2024-02-29 23:59:58"}, {"MEMO", "a memo"}};
    for (const auto& [column, text] : expected)
        EXPECT_EQ(chain.clientDataSet.valueAsText(column), text) << column;
    chain.clientDataSet.next();
    for (std::size_t i = 1; i < expected.size(); ++i)
        EXPECT_EQ(chain.clientDataSet.valueAsText(expected[i].first), "") << expected[i].first;
}
