// Hostile and broken customer data through the whole program on a real embedded
// database: each customer gives its own correct member row or the run stops
// with the exact error text; no crash, and never a row for another customer.
#include "tests/reliability/transferrig.h"
#include "tests/support/locales/privatelocale.h"
#include "tests/support/tempdb/tempdatabase.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

using didu::test::privateLocales;
using didu::test::Row;
using didu::test::ScopedLocale;
using didu::test::TempDatabase;
using didu::test::TransferRig;
using didu::test::Value;

const std::string kWideSchema =
    "CREATE TABLE CUSTOMER (CUST_ID VARCHAR(40) NOT NULL PRIMARY KEY, CUST_NAME VARCHAR(10000),"
    " TEL_1 VARCHAR(10000), BUSINESS_ADD VARCHAR(10000), MAIL_NUM VARCHAR(10), SALES_ID VARCHAR(10));"
    "CREATE TABLE MEMBER (MEMBER_ID VARCHAR(40) NOT NULL PRIMARY KEY, MEMBER_NAME VARCHAR(20),"
    " MEMBER_PHONE VARCHAR(10000), MEMBER_ADD VARCHAR(10000), TOTAL_AMT NUMERIC(12, 2), CARD_ID VARCHAR(40),"
    " DISABLE_FLAG VARCHAR(5), MAIL_NUM VARCHAR(10), TAX_CODE VARCHAR(1), MAN_SALE VARCHAR(1),"
    " CHG_TIME VARCHAR(8), INVOICE_CLASS VARCHAR(1), UPPER_AMT NUMERIC(12, 2), SHET_YN VARCHAR(1),"
    " SALES_ID VARCHAR(10));";

struct Customer {
    std::string id;
    Value name;
    Value phone;
    Value address;
    std::string expectedName;
};

// The members by id: name, phone, address, card id.
std::map<std::string, Row> members(TempDatabase& db)
{
    std::map<std::string, Row> byId;
    for (Row& row : db.query("SELECT MEMBER_ID, MEMBER_NAME, MEMBER_PHONE, MEMBER_ADD, CARD_ID FROM MEMBER"))
        byId[*row[0]] = Row(row.begin() + 1, row.end());
    return byId;
}

TEST(HostileCustomers, EachGetsExactlyItsOwnRowAndNoStatementIsChanged)
{
    TempDatabase db(kWideSchema);
    // Members that an id breaking out of the lookup's literal would find or
    // delete: "x' OR '1'='1" would find every row and be skipped.
    db.run("INSERT INTO MEMBER (MEMBER_ID, MEMBER_NAME) VALUES ('x', 'kept');"
           "INSERT INTO MEMBER (MEMBER_ID, MEMBER_NAME) VALUES ('M1', 'kept')");
    const std::string longText(10000, 'L');
    const std::string digits(10000, '7');
    const std::vector<Customer> customers = {
        {"x' OR '1'='1", "Injected", "1", "a", "Injected"},
        {"'; DELETE FROM MEMBER; --", "Dropper", "2", "b", "Dropper"},
        {"'", "Quote", "3", "c", "Quote"},
        {"it''s", "Doubled", "4", "d", "Doubled"},
        {"a'b:MEMBER_ID", ":MAIL_NUM", ":TEL_1", "?", ":MAIL_NUM"},
        {"back\\'slash", "\\", "5", "e", "\\"},
        // The other two quote characters of statement text, before a colon.
        {"dq\":MAIL_NUM", "Double", "5", "e", "Double"},
        {"bq`:MAIL_NUM", "Back", "5", "e", "Back"},
        {"ctrl", std::string("\x01\x02 Control\tname \x1f", 17), "6", "f", "Control\tname"},
        {"ctrl-long", std::string("\x1f\x1f\x1f\x1f\x1f\x1f\x1f\x1f\x1f\x1f", 10) + "abcdefghijklmnop", "7", "g", "abcdefghij"},
        {"utf8-bad", std::string("\xff\xfe\xc0\x80 broken \xe9\x99"), "8", "h", "\xff\xfe\xc0\x80 broken \xe9\x99"},
        {"utf8-cut", std::string(19, 'a') + "\xe9\x99\xb3", "9", "i", std::string(19, 'a')},
        {"long", longText, digits, longText, std::string(20, 'L')},
        {"nulls", std::nullopt, std::nullopt, std::nullopt, ""},
        {"blanks", std::string(30, ' '), "", "", ""},
    };
    for (const Customer& c : customers)
        db.execute("INSERT INTO CUSTOMER (CUST_ID, CUST_NAME, TEL_1, BUSINESS_ADD, MAIL_NUM, SALES_ID)"
                   " VALUES (?, ?, ?, ?, '100', 'S1')",
                   {c.id, c.name, c.phone, c.address});

    TransferRig rig;
    ASSERT_EQ(rig.run(), std::nullopt);
    EXPECT_EQ(rig.view.messages, std::vector<std::string> {"資料轉移完成."});

    const auto byId = members(db);
    EXPECT_EQ(byId.size(), customers.size() + 2) << "a row is missing or one was added for no customer";
    EXPECT_EQ(byId.at("x"), (Row {"kept", std::nullopt, std::nullopt, std::nullopt}));
    EXPECT_EQ(byId.at("M1"), (Row {"kept", std::nullopt, std::nullopt, std::nullopt}));
    for (const Customer& c : customers) {
        SCOPED_TRACE(c.id);
        ASSERT_EQ(byId.count(c.id), 1u);
        EXPECT_EQ(byId.at(c.id), (Row {c.expectedName, c.phone.value_or(""), c.address.value_or(""), c.id}));
    }

    // A second press finds every one of them, the hostile ids included.
    TransferRig again;
    ASSERT_EQ(again.run(), std::nullopt);
    EXPECT_EQ(members(db), byId);
}

// Under Big5 the scanner takes a lead byte with the byte after it, even when
// that byte is a quote; the lookup must still reach the server whole. A Big5
// desktop's connection reads Big5 without naming a character set.
TEST(HostileCustomers, Big5IdsKeepTheLookupWhole)
{
    const auto folder = privateLocales({"zh_TW.BIG5"});
    ASSERT_TRUE(folder) << "localedef cannot build zh_TW.BIG5 here";
    const ScopedLocale big5(*folder, "zh_TW.BIG5");
    TempDatabase db(kWideSchema);
    const std::vector<std::string> ids = {
        "\xa5':MAIL_NUM", "\xa5\x60:MAIL_NUM", "x`\xa5:MAIL_NUM", "\"\xa5\":MAIL_NUM", "\xa5''", "tail\xa5",
    };
    for (const std::string& id : ids)
        db.execute("INSERT INTO CUSTOMER (CUST_ID, CUST_NAME) VALUES (?, 'Big5')", {id});
    TransferRig rig;
    ASSERT_EQ(rig.run(), std::nullopt);
    const auto byId = members(db);
    EXPECT_EQ(byId.size(), ids.size());
    for (const std::string& id : ids)
        EXPECT_EQ(byId.count(id), 1u) << id;
    TransferRig again;
    ASSERT_EQ(again.run(), std::nullopt);
    EXPECT_EQ(members(db), byId);
}

TEST(HostileCustomers, IntegerIdsAreLookedUpAndWrittenAsText)
{
    TempDatabase db("CREATE TABLE CUSTOMER (CUST_ID INTEGER NOT NULL PRIMARY KEY, CUST_NAME VARCHAR(40),"
                    " TEL_1 VARCHAR(20), BUSINESS_ADD VARCHAR(80), MAIL_NUM INTEGER, SALES_ID SMALLINT);"
                    "CREATE TABLE MEMBER (MEMBER_ID INTEGER NOT NULL PRIMARY KEY, MEMBER_NAME VARCHAR(20),"
                    " MEMBER_PHONE VARCHAR(20), MEMBER_ADD VARCHAR(80), TOTAL_AMT NUMERIC(12, 2), CARD_ID VARCHAR(10),"
                    " DISABLE_FLAG VARCHAR(5), MAIL_NUM VARCHAR(10), TAX_CODE VARCHAR(1), MAN_SALE VARCHAR(1),"
                    " CHG_TIME VARCHAR(8), INVOICE_CLASS VARCHAR(1), UPPER_AMT NUMERIC(12, 2), SHET_YN VARCHAR(1),"
                    " SALES_ID VARCHAR(10));"
                    "INSERT INTO CUSTOMER VALUES (-3, 'Minus', '1', 'a', 100, 7);"
                    "INSERT INTO CUSTOMER VALUES (42, 'Answer', '2', 'b', NULL, NULL);"
                    "INSERT INTO CUSTOMER VALUES (7, 'Seven', '3', 'c', 0, -1);"
                    "INSERT INTO MEMBER (MEMBER_ID, MEMBER_NAME) VALUES (7, 'old')");
    TransferRig rig;
    ASSERT_EQ(rig.run(), std::nullopt);
    EXPECT_EQ(db.query("SELECT MEMBER_ID, MEMBER_NAME, CARD_ID, MAIL_NUM, SALES_ID FROM MEMBER ORDER BY MEMBER_ID"),
              (std::vector<Row> {{"-3", "Minus", "-3", "100", "7"},
                                 {"7", "old", std::nullopt, std::nullopt, std::nullopt},
                                 {"42", "Answer", "42", "", ""}}));
    TransferRig again;
    ASSERT_EQ(again.run(), std::nullopt);
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM MEMBER"), "3");
}

// Failures of the data itself: the exact text, the rows before the failing
// customer kept, none after it, and the same failure again on a second press.
TEST(BrokenCustomers, StopAtTheFailingCustomerWithTheExactText)
{
    const std::string sales =
        "CREATE TABLE MEMBER (MEMBER_ID VARCHAR(10) NOT NULL PRIMARY KEY, MEMBER_NAME VARCHAR(20),"
        " MEMBER_PHONE VARCHAR(%PHONE%), MEMBER_ADD VARCHAR(80), TOTAL_AMT NUMERIC(12, 2), CARD_ID VARCHAR(10),"
        " DISABLE_FLAG VARCHAR(%FLAG%), MAIL_NUM VARCHAR(10), TAX_CODE VARCHAR(1), MAN_SALE VARCHAR(1),"
        " CHG_TIME VARCHAR(8), INVOICE_CLASS VARCHAR(1), UPPER_AMT NUMERIC(12, 2), SHET_YN VARCHAR(1),"
        " SALES_ID VARCHAR(10) %EXTRA%);";
    const std::string fullCustomer = "CREATE TABLE CUSTOMER (CUST_ID VARCHAR(10) NOT NULL PRIMARY KEY, CUST_NAME VARCHAR(40),"
                                     " TEL_1 VARCHAR(20), BUSINESS_ADD VARCHAR(80), MAIL_NUM VARCHAR(10), SALES_ID VARCHAR(10));";
    // The client checks a bound text against the column before the statement
    // runs, so the server's text begins with the general error and its code.
    auto truncation = [](int expected, int actual) {
        return "dbExpress Error: [0x0065]: SQL Error\r\nSQL Server Error: Dynamic SQL Error\r\nSQL error code = -303\r\n"
               "arithmetic exception, numeric overflow, or string truncation\r\nstring right truncation\r\n"
               "expected length " + std::to_string(expected) + ", actual " + std::to_string(actual);
    };
    const struct {
        const char* what;
        std::string customerTable;
        std::string phone, flag, extra;
        std::string error;
        int kept;     // members written before the failure
        int position; // where the bar stands
    } cases[] = {
        {"a phone too long for its column", fullCustomer, "5", "5", "", truncation(5, 8), 1, 2},
        {"a column that cannot hold the word False", fullCustomer, "20", "1", "", truncation(1, 5), 0, 1},
        {"a required member column the program does not write", fullCustomer, "20", "5", ", EXTRA INTEGER NOT NULL",
         "dbExpress Error: [0x0065]: SQL Error\r\nSQL Server Error: validation error for column \"MEMBER\".\"EXTRA\","
         " value \"*** null ***\"",
         0, 1},
        {"no TEL_1 column", "CREATE TABLE CUSTOMER (CUST_ID VARCHAR(10) NOT NULL PRIMARY KEY, CUST_NAME VARCHAR(40),"
                            " BUSINESS_ADD VARCHAR(80), MAIL_NUM VARCHAR(10), SALES_ID VARCHAR(10));",
         "20", "5", "", "ClientDataSet1: Field 'TEL_1' not found", 0, 1},
        {"no CUST_ID column", "CREATE TABLE CUSTOMER (ID VARCHAR(10) NOT NULL PRIMARY KEY, CUST_NAME VARCHAR(40),"
                              " TEL_1 VARCHAR(20), BUSINESS_ADD VARCHAR(80), MAIL_NUM VARCHAR(10), SALES_ID VARCHAR(10));",
         "20", "5", "", "ClientDataSet1: Field 'CUST_ID' not found", 0, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string member = sales;
        member.replace(member.find("%PHONE%"), 7, c.phone);
        member.replace(member.find("%FLAG%"), 6, c.flag);
        member.replace(member.find("%EXTRA%"), 7, c.extra);
        TempDatabase db(c.customerTable + member);
        const bool hasPhone = c.customerTable.find("TEL_1") != std::string::npos;
        for (const char* row : {"'C1', 'One', '123'", "'C2', 'Two', '12345678'", "'C3', 'Three', '1'"}) {
            std::string values = row;
            if (!hasPhone)
                values = values.substr(0, values.rfind(','));
            db.execute("INSERT INTO CUSTOMER VALUES (" + values + ", 'addr', '100', 'S1')");
        }
        for (int press = 1; press <= 2; ++press) {
            TransferRig rig;
            EXPECT_EQ(rig.run(), c.error) << "press " << press;
            EXPECT_TRUE(rig.view.messages.empty());
            EXPECT_EQ(rig.session.progress().position(), c.position);
            EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM MEMBER"), std::to_string(c.kept));
        }
    }
}

} // namespace
