// What reaches the driver when ClientDataSet1 opens through its provider: the
// prepare with option 7, one index listing per prepared command, the kept
// command on a reopen, and the state left behind by a failure in any step.
#include "tests/resultset/resultsetfixture.h"
#include "tests/connection/errortext.h"

#include "platform/errors.h"

#include <algorithm>
#include <array>

using namespace didu;
using namespace didu::test;
using recording::Rows;

namespace {

Rows threeCustomers()
{
    return textRows({"CUST_ID", "CUST_NAME"},
                    {{std::string("C3"), std::string("Three")},
                     {std::string("C1"), std::string("One")},
                     {std::string("C2"), std::string("Two")}});
}

Rows primaryOnCustId()
{
    return indexRows({{"RDB$PRIMARY1", "CUST_ID", "5", "A"}});
}

std::size_t count(const std::vector<std::string>& calls, const std::string& line)
{
    return static_cast<std::size_t>(std::count(calls.begin(), calls.end(), line));
}

} // namespace

TEST_F(RecordedChain, FirstOpenPreparesListsIndicesOnceAndClosesTheStatementAgain)
{
    driver().setRows(CustomerQuery, threeCustomers());
    driver().setIndices("CUSTOMER", primaryOnCustId());

    EXPECT_EQ(openAndReadIds(), (std::vector<std::string>{"C1", "C2", "C3"}));
    EXPECT_EQ(clientDataSet->rowCount(), 3);
    EXPECT_FALSE(dataSet->isOpen());
    EXPECT_TRUE(dataSet->prepared());
    EXPECT_TRUE(connection->connected());

    const auto commands = driver().callsStartingWith("Command.");
    const std::vector<std::string> expectedStart = {"Command.setOption(0, 20)", "Command.setOption(7, 0)",
                                                    "Command.prepare(\"select * from CUSTOMER \", 0)",
                                                    "Command.execute()"};
    ASSERT_GE(commands.size(), expectedStart.size());
    EXPECT_EQ(std::vector<std::string>(commands.begin(), commands.begin() + 4), expectedStart);
    const auto calls = driver().calls();
    EXPECT_EQ(count(calls, "MetaData.getIndices(\"CUSTOMER\", 0)"), 1u);
    // Every row fetched, every column read, the cursor given back.
    EXPECT_EQ(driver().callsStartingWith("Cursor.next").size(), 4u + 2u); // 3 rows + end, listing: 1 row + end
    EXPECT_EQ(count(calls, "Cursor.getString(1)"), 3u + 1u);
    EXPECT_EQ(driver().liveObjects("Cursor"), 0);
}

TEST_F(RecordedChain, CloseReachesNoDriverAndReopenExecutesTheKeptCommand)
{
    driver().setRows(CustomerQuery, threeCustomers());
    driver().setIndices("CUSTOMER", primaryOnCustId());
    openAndReadIds();

    driver().clearCalls();
    clientDataSet->close();
    EXPECT_TRUE(driver().calls().empty());
    EXPECT_FALSE(clientDataSet->isOpen());

    // A new customer appears; the reopen sees it with no new prepare or listing.
    auto rows = threeCustomers();
    rows.rows.push_back({std::string("C0"), std::string("Zero")});
    driver().setRows(CustomerQuery, rows);
    EXPECT_EQ(openAndReadIds(), (std::vector<std::string>{"C0", "C1", "C2", "C3"}));
    const auto calls = driver().calls();
    EXPECT_TRUE(driver().callsStartingWith("Command.prepare").empty());
    EXPECT_TRUE(driver().callsStartingWith("Command.setOption").empty());
    EXPECT_TRUE(driver().callsStartingWith("MetaData.").empty());
    EXPECT_EQ(count(calls, "Command.execute()"), 1u);
    EXPECT_EQ(count(calls, "Cursor.getColumnCount()"), 1u);
    EXPECT_EQ(driver().callsStartingWith("Cursor.next").size(), 5u);
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back(), "Cursor.release()");

    // A different text is a new command: prepared and listed again.
    driver().setRows("select * from CUSTOMER order by CUST_NAME", rows);
    driver().clearCalls();
    clientDataSet->close();
    clientDataSet->setCommandText("select * from CUSTOMER order by CUST_NAME");
    clientDataSet->open();
    EXPECT_EQ(driver().callsStartingWith("Command.prepare").size(), 1u);
    EXPECT_EQ(driver().callsStartingWith("MetaData.getIndices").size(), 1u);
    EXPECT_EQ(clientDataSet->valueAsText("CUST_NAME"), "One");
}

TEST_F(RecordedChain, FailureInAnyProviderStepLeavesBothSetsClosed)
{
    const std::string sqlError = "dbExpress Error: [0x0065]: SQL Error\r\nSQL Server Error: boom";
    struct Case {
        const char* what;
        std::vector<std::pair<std::string, dbx::Result>> scripts; // scripted in order with message "boom"
        std::string message;
    };
    const std::vector<Case> cases = {
        {"prepare", {{"Command.prepare", 101}}, sqlError},
        {"option 7 refused", {{"Command.setOption", 0}, {"Command.setOption", 101}}, sqlError},
        {"execute", {{"Command.execute", 101}}, sqlError},
        {"column description", {{"Cursor.getColumnType", 101}}, sqlError},
        {"first fetch", {{"Cursor.next", 101}}, sqlError},
        {"index listing", {{"MetaData.getIndices", 101}}, sqlError},
        {"fetch in the middle", {{"Cursor.next", 0}, {"Cursor.next", 0}, {"Cursor.next", 101}}, sqlError},
        {"reading a value", {{"Cursor.getString", 0}, {"Cursor.getString", 101}}, sqlError},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        makeChain(recording::referenceParams());
        driver().setRows(CustomerQuery, threeCustomers());
        driver().setIndices("CUSTOMER", primaryOnCustId());
        for (const auto& [operation, result] : c.scripts)
            driver().scriptNext(operation, result, result ? "boom" : "");
        clientDataSet->setCommandText(CustomerQuery);
        EXPECT_EQ(test::errorText([&] { clientDataSet->open(); }), c.message);
        EXPECT_FALSE(clientDataSet->isOpen());
        EXPECT_TRUE(clientDataSet->eof());
        EXPECT_FALSE(dataSet->isOpen());
        EXPECT_FALSE(provider->openedDataSet());
        EXPECT_EQ(driver().liveObjects("Cursor"), 0);
        // Nothing is stuck: the next open reads everything.
        EXPECT_EQ(openAndReadIds(), (std::vector<std::string>{"C1", "C2", "C3"}));
    }
}

TEST_F(RecordedChain, ObjectLevelFailuresCarryTheirPrefix)
{
    // No provider on the window, or a provider without a data set.
    ClientDataSet orphan(nullptr);
    DataSetProvider empty(nullptr);
    ClientDataSet overEmpty(&empty);
    for (ClientDataSet* set : {&orphan, &overEmpty}) {
        set->setCommandText(CustomerQuery);
        EXPECT_EQ(test::errorKindAndText([&] { set->open(); }),
                  "EDatabaseError: ClientDataSet1: Missing data provider or data packet");
        EXPECT_FALSE(set->isOpen());
    }

    // A provider that does not take command texts.
    provider->setOptions(0);
    clientDataSet->setCommandText(CustomerQuery);
    EXPECT_EQ(test::errorText([&] { clientDataSet->open(); }), "CommandText changes are not allowed");
    EXPECT_TRUE(driver().calls().empty());
    provider->setOptions(DataSetProvider::poAllowCommandText);

    // A text that gives no cursor.
    clientDataSet->setCommandText("delete from CUSTOMER ");
    EXPECT_EQ(test::errorText([&] { clientDataSet->open(); }), "SQLDataSet1: Cursor not returned from Query");
    EXPECT_FALSE(clientDataSet->isOpen());

    // Reading a closed set, and a column the rows lack: the position stays.
    EXPECT_THROW(clientDataSet->rowCount(), DatabaseError);
    driver().setRows(CustomerQuery, threeCustomers());
    clientDataSet->setCommandText(CustomerQuery);
    clientDataSet->open();
    clientDataSet->next();
    EXPECT_EQ(test::errorText([&] { clientDataSet->valueAsText("TEL_9"); }),
              "ClientDataSet1: Field 'TEL_9' not found");
    EXPECT_EQ(clientDataSet->valueAsText("cust_id"), "C1");
}

TEST_F(RecordedChain, LocaleCodeIsReadAsHexadecimal)
{
    struct Case {
        std::string value;
        std::string error; // empty: opens
    };
    const std::vector<Case> cases = {{"0000", ""}, {"", ""}, {"0404", ""}, {"7fffFFFF", ""},
                                     {"xyz", "'xyz' is not a valid integer value"},
                                     {"04 04", "'04 04' is not a valid integer value"},
                                     {"100000000", "'100000000' is not a valid integer value"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        auto params = recording::referenceParams();
        for (auto& line : params)
            if (line.rfind("LocaleCode=", 0) == 0)
                line = "LocaleCode=" + c.value;
        makeChain(params);
        driver().setRows(CustomerQuery, threeCustomers());
        clientDataSet->setCommandText(CustomerQuery);
        if (c.error.empty()) {
            EXPECT_NO_THROW(clientDataSet->open());
            EXPECT_EQ(clientDataSet->rowCount(), 3);
        } else {
            EXPECT_EQ(test::errorKindAndText([&] { clientDataSet->open(); }), "EConvertError: " + c.error);
            EXPECT_FALSE(clientDataSet->isOpen());
            EXPECT_FALSE(dataSet->isOpen());
        }
    }
}

TEST_F(RecordedChain, DefaultOrderComesFromOrderByOrTheFirstUsablePrimaryIndex)
{
    const Rows rows = textRows({"CUST_ID", "CUST_NAME", "AREA"},
                               {{std::string("B"), std::string("x"), std::string("2")},
                                {std::string("A"), std::string("y"), std::string("1")},
                                {std::string("C"), std::string("x"), std::string("1")},
                                {std::string("A"), std::string("x"), std::string("3")}});
    struct Case {
        const char* what;
        std::string text;
        Rows indices;
        bool listed;
        std::vector<std::string> order; // CUST_ID + CUST_NAME in held order
    };
    const std::vector<Case> cases = {
        {"primary key, equal keys in delivered order", CustomerQuery, indexRows({{"PK", "CUST_ID", "5", "A"}}), true,
         {"Ay", "Ax", "Bx", "Cx"}},
        {"no primary index: delivered order", CustomerQuery,
         indexRows({{"U1", "CUST_NAME", "2", "A"}}), true, {"Bx", "Ay", "Cx", "Ax"}},
        {"two-column primary key", CustomerQuery,
         indexRows({{"PK", "CUST_ID", "5", "A"}, {"PK", "CUST_NAME", "5", "A"}}), true, {"Ax", "Ay", "Bx", "Cx"}},
        {"descending primary key", CustomerQuery, indexRows({{"PK", "CUST_ID", "5", "D"}}), true,
         {"Cx", "Bx", "Ay", "Ax"}},
        {"primary key with a column not in the result: none", CustomerQuery,
         indexRows({{"PK", "CUST_ID", "5", "A"}, {"PK", "TEL_1", "5", "A"}}), true, {"Bx", "Ay", "Cx", "Ax"}},
        {"the first primary index that fits", CustomerQuery,
         indexRows({{"U1", "CUST_NAME", "2", "A"}, {"PK", "TEL_1", "5", "A"}, {"PK2", "AREA", "5", "D"}}), true,
         {"Ax", "Bx", "Ay", "Cx"}},
        {"order by wins over the key", "select * from CUSTOMER order by CUST_NAME desc, AREA",
         indexRows({{"PK", "CUST_ID", "5", "A"}}), true, {"Ay", "Cx", "Bx", "Ax"}},
        {"order by position", "select * from CUSTOMER order by 3", indexRows({}), true, {"Ay", "Cx", "Bx", "Ax"}},
        {"a join lists no indices", "select * from CUSTOMER c join AREAS a on a.ID = c.AREA",
         indexRows({{"PK", "CUST_ID", "5", "A"}}), false, {"Bx", "Ay", "Cx", "Ax"}},
        {"two tables list no indices", "select * from CUSTOMER, AREAS", indexRows({{"PK", "CUST_ID", "5", "A"}}),
         false, {"Bx", "Ay", "Cx", "Ax"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        makeChain(recording::referenceParams());
        driver().setRows(c.text, rows);
        driver().setIndices("CUSTOMER", c.indices);
        clientDataSet->setCommandText(c.text);
        clientDataSet->open();
        std::vector<std::string> seen;
        for (; !clientDataSet->eof(); clientDataSet->next())
            seen.push_back(clientDataSet->valueAsText("CUST_ID") + clientDataSet->valueAsText("CUST_NAME"));
        EXPECT_EQ(seen, c.order);
        EXPECT_EQ(driver().callsStartingWith("MetaData.getIndices").size(), c.listed ? 1u : 0u);
    }
}

TEST_F(RecordedChain, CommandTextLosesLeadingBlanksAndAnEqualTextKeepsTheCommand)
{
    driver().setRows(CustomerQuery, threeCustomers());
    clientDataSet->setCommandText(" \r\n\t" + CustomerQuery);
    clientDataSet->open();
    EXPECT_EQ(dataSet->commandText(), CustomerQuery);
    EXPECT_EQ(driver().callsStartingWith("Command.prepare"),
              (std::vector<std::string>{"Command.prepare(\"select * from CUSTOMER \", 0)"}));
    clientDataSet->close();
    driver().clearCalls();
    clientDataSet->setCommandText(CustomerQuery);
    clientDataSet->open();
    EXPECT_TRUE(driver().callsStartingWith("Command.prepare").empty());
}

TEST_F(RecordedChain, ValuesOfEveryKindReadAsText)
{
    Rows rows;
    rows.columns = {{"ID", dbx::FieldZString, 0, 8},       {"N", dbx::FieldInt32, 0, 4},
                    {"S", dbx::FieldInt16, 0, 2},         {"F", dbx::FieldFloat, 0, 8},
                    {"AMT", dbx::FieldBcd, 0, 0, 18, 2},  {"D", dbx::FieldDate, 0, 4},
                    {"TS", dbx::FieldTimeStamp, 0, 16},   {"ID", dbx::FieldZString, 0, 8},
                    {"MEMO", dbx::FieldBlob, dbx::SubTypeMemo, 0}};
    rows.rows = {{std::string("A  "), std::string("-42"), std::string("7"), std::string("0.1"),
                  std::string("-12.50"), std::string("2024-02-29"), std::string("2024-02-29 23:59:58"),
                  std::string("second"), std::string("long text")},
                 {std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt,
                  std::nullopt, std::nullopt, std::nullopt}};
    driver().setRows(CustomerQuery, rows);
    clientDataSet->setCommandText(CustomerQuery);
    clientDataSet->open();
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"ID", "A  "}, {"n", "-42"}, {"S", "7"}, {"F", "0.1"}, {"AMT", "-12.50"}, {"D", "2024-02-29"},
        {"TS", "2024-02-29 23:59:58"}, {"ID_1", "second"}, {"memo", "long text"}};
    for (const auto& [name, text] : expected)
        EXPECT_EQ(clientDataSet->valueAsText(name), text) << name;
    clientDataSet->next();
    for (const auto& [name, text] : expected)
        EXPECT_EQ(clientDataSet->valueAsText(name), "") << name;
    clientDataSet->next();
    EXPECT_TRUE(clientDataSet->eof());
    clientDataSet->next();
    EXPECT_TRUE(clientDataSet->eof());
}

TEST_F(RecordedChain, NumbersReadInTheirShortestForm)
{
    // Each row: a floating value and a scaled decimal, then the texts they give.
    const std::vector<std::array<std::string, 4>> cases = {
        {"0.1", "0.1", "0", "0"},
        {"-2.5", "-2.5", "-0.05", "-0.05"},
        {"1e20", "1E20", "100", "100"},
        {"1.5e-5", "0.000015", "12345.678", "12345.678"},
        {"1.5e-6", "1.5E-6", "2", "2"},
        {"-0.0", "0", "3", "3"},
        {"999999999999999", "999999999999999", "4", "4"},
        {"123456789012345678", "1.23456789012346E17", "-9223372036854775.808", "-9223372036854775.808"},
        {"0.30000000000000004", "0.3", "1", "1"},
        {"100", "100", "0.10", "0.10"},
    };
    Rows rows;
    rows.columns = {{"F", dbx::FieldFloat, 0, 8}, {"AMT", dbx::FieldBcd, 0, 0, 19, 3}};
    for (const auto& c : cases)
        rows.rows.push_back({c[0], c[2]});
    driver().setRows(CustomerQuery, rows);
    clientDataSet->setCommandText(CustomerQuery);
    clientDataSet->open();
    for (const auto& c : cases) {
        EXPECT_EQ(clientDataSet->valueAsText("F"), c[1]) << c[0];
        EXPECT_EQ(clientDataSet->valueAsText("AMT"), c[3]) << c[2];
        clientDataSet->next();
    }
}

TEST_F(RecordedChain, SettingsThatTurnTheOrderOff)
{
    driver().setRows(CustomerQuery, threeCustomers());
    driver().setIndices("CUSTOMER", primaryOnCustId());

    // Without metadata no index is listed, so the server's order stays.
    dataSet->setGetMetadata(false);
    EXPECT_EQ(openAndReadIds(), (std::vector<std::string>{"C3", "C1", "C2"}));
    EXPECT_TRUE(driver().callsStartingWith("MetaData.getIndices").empty());

    // Keeping the server's order lists the key but does not sort by it.
    makeChain(recording::referenceParams());
    driver().setRows(CustomerQuery, threeCustomers());
    driver().setIndices("CUSTOMER", primaryOnCustId());
    provider->setOptions(DataSetProvider::poAllowCommandText | DataSetProvider::poRetainServerOrder);
    EXPECT_EQ(openAndReadIds(), (std::vector<std::string>{"C3", "C1", "C2"}));
    EXPECT_EQ(driver().callsStartingWith("MetaData.getIndices").size(), 1u);
}
