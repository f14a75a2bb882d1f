// What a run hands the driver, seen through the recording driver: the statement
// texts in order and every bound parameter, byte for byte.
#include "tests/support/recording/recordingsetup.h"
#include "tests/transfer/transferfixture.h"

#include <gtest/gtest.h>

namespace didu::test {
namespace {

using recording::Rows;

const std::string kLookupOfC1 = "SELECT MEMBER_ID FROM MEMBER \r\n WHERE MEMBER_ID = 'C1'\r\n";
const std::string kLookupOfONeil = "SELECT MEMBER_ID FROM MEMBER \r\n WHERE MEMBER_ID = 'O''Neil'\r\n";
const std::string kInsert = "INSERT INTO MEMBER(MEMBER_ID,MEMBER_NAME,MEMBER_PHONE,\r\n"
                            "MEMBER_ADD,TOTAL_AMT,CARD_ID,DISABLE_FLAG,MAIL_NUM,\r\n"
                            "TAX_CODE,MAN_SALE,CHG_TIME,INVOICE_CLASS,UPPER_AMT,\r\n"
                            "SHET_YN,SALES_ID) VALUES (?,?,?,\r\n"
                            "?,?,?,?,?,\r\n"
                            "?,?,?,?,?,\r\n"
                            "?,?) \r\n";

Rows memberIdRows(std::vector<recording::Row> rows)
{
    return Rows{{{"MEMBER_ID", dbx::FieldZString, 0, 20}}, std::move(rows)};
}

// The parameter number, type and bytes of a logged setParameter call.
std::string parameterOf(const std::string& call)
{
    std::string inner = call.substr(call.find('(') + 1);
    inner.pop_back(); // ")"
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (int i = 0; i < 8; ++i) {
        const std::size_t comma = inner.find(", ", start);
        fields.push_back(inner.substr(start, comma - start));
        start = comma + 2;
    }
    const std::size_t last = inner.rfind(", ");
    const std::string value = inner.substr(start, last - start);
    const std::string isNull = inner.substr(last + 2);
    return fields[0] + " type " + fields[3] + " " + value + (isNull == "0" ? "" : " NULL");
}

TEST(TransferCalls, LookupTextsAndTheInsertsBoundValues)
{
    auto config = recording::useRecordingDriver();
    recording::Control& driver = recording::control();
    driver.setIndices("CUSTOMER", Rows{recording::indexColumns(), {{"PK_CUSTOMER", "CUST_ID", "6", "A"}}});
    driver.setRows("select * from CUSTOMER ",
                   Rows{{{"CUST_ID", dbx::FieldZString, 0, 10},
                         {"CUST_NAME", dbx::FieldZString, 0, 40},
                         {"TEL_1", dbx::FieldZString, 0, 20},
                         {"BUSINESS_ADD", dbx::FieldZString, 0, 60},
                         {"MAIL_NUM", dbx::FieldZString, 0, 10},
                         {"SALES_ID", dbx::FieldZString, 0, 10}},
                        {{"C1", "Ann", "1", "a", "100", "S00"},
                         {"O'Neil", "ABCDEFGHIJKLMNOPQRSTUVWXY", std::nullopt, "1 Main Rd", "106", "S01"}}});
    driver.setRows(kLookupOfC1, memberIdRows({{"C1"}}));
    driver.setRows(kLookupOfONeil, memberIdRows({}));
    driver.setRowsAffected(1);

    TransferSession session;
    LoggingView view;
    ScriptedClock clock{{{7, 5, 9, 0}}};
    driver.clearCalls();
    session.run(view, clock.clock());

    std::vector<std::string> prepares;
    std::vector<std::string> parameters;
    for (const std::string& call : driver.calls()) {
        if (call.rfind("Command.prepare(", 0) == 0)
            prepares.push_back(call);
        else if (call.rfind("Command.setParameter(", 0) == 0)
            parameters.push_back(parameterOf(call));
    }
    auto quoted = [](const std::string& text) {
        std::string out = "\"";
        for (char c : text) {
            if (c == '\r')
                out += "\\r";
            else if (c == '\n')
                out += "\\n";
            else
                out += c;
        }
        return out + "\"";
    };
    EXPECT_EQ(prepares, (std::vector<std::string>{
                            "Command.prepare(" + quoted("select * from CUSTOMER ") + ", 0)",
                            "Command.prepare(" + quoted(kLookupOfC1) + ", 0)",
                            "Command.prepare(" + quoted(kLookupOfONeil) + ", 0)",
                            "Command.prepare(" + quoted(kInsert) + ", 15)",
                        }));
    EXPECT_EQ(parameters, (std::vector<std::string>{
                              "1 type 1 \"O'Neil\"",
                              "2 type 1 \"ABCDEFGHIJKLMNOPQRST\"",
                              "3 type 1 \"\"",
                              "4 type 1 \"1 Main Rd\"",
                              "5 type 5 [00 00]",
                              "6 type 1 \"O'Neil\"",
                              "7 type 1 \"False\"",
                              "8 type 1 \"106\"",
                              "9 type 1 \"Y\"",
                              "10 type 1 \"N\"",
                              "11 type 1 \"07:05:09\"",
                              "12 type 1 \"0\"",
                              "13 type 5 [00 00]",
                              "14 type 1 \"N\"",
                              "15 type 1 \"S01\"",
                          }));
    EXPECT_EQ(view.calls, progressCalls(2));
}

} // namespace
} // namespace didu::test
