// The parameter list across changes of the lines, and how values fix types.
#include "tests/statements/statementfixture.h"

#include "platform/codepage.h"

#include <functional>

namespace didu::test {
namespace {

using StatementParams = RecordedStatement;

std::vector<std::string> names(const SQLStatement& statement)
{
    std::vector<std::string> out;
    for (const SQLParam& param : statement.params())
        out.push_back(param.name());
    return out;
}

TEST_F(StatementParams, InsertLinesGrowTheListAndEveryParameterStartsUntyped)
{
    std::vector<std::size_t> counts;
    m_query->clearLines();
    for (const std::string& line : insertLines()) {
        m_query->addLine(line);
        counts.push_back(m_query->params().size());
    }
    EXPECT_EQ(counts, (std::vector<std::size_t>{0, 0, 0, 3, 8, 13, 15}));
    EXPECT_EQ(m_query->text().size(), 366u);
    EXPECT_EQ(m_query->driverText().size(), 227u);
    for (const SQLParam& param : m_query->params()) {
        EXPECT_EQ(param.valueType(), SQLParam::ValueType::None) << param.name();
        EXPECT_FALSE(param.bound());
        EXPECT_EQ(param.direction(), 0);
    }

    m_query->paramByName("member_id").setValue(std::string_view("C9"));
    EXPECT_EQ(m_query->params()[0].text(), "C9");
    EXPECT_EQ(m_query->params()[0].valueType(), SQLParam::ValueType::Text);
    EXPECT_TRUE(m_query->params()[0].bound());
    EXPECT_TRUE(statementCalls().empty()) << "building the lines reaches no driver";
}

TEST_F(StatementParams, ValuesCarryOverToTheSameNamesOfTheNewText)
{
    setLines(*m_query, {"UPDATE T SET A = :A, B = :b, C = :C, D = :D"});
    m_query->paramByName("A").setValue(std::string_view("kept"));
    m_query->paramByName("B").setValue(std::uint8_t{7});
    m_query->paramByName("C").setValue(std::string_view("c"));
    m_query->paramByName("C").setNull();
    m_query->paramByName("D").setValue(std::string_view("typed"));
    m_query->paramByName("D").clear();
    m_query->execute(); // gives every typed parameter its direction

    m_query->addLine("WHERE :B = :a AND :E = 1 AND :c = :d");
    EXPECT_EQ(names(*m_query), (std::vector<std::string>{"A", "b", "C", "D", "B", "a", "E", "c", "d"}));

    const auto& params = m_query->params();
    EXPECT_EQ(params[0].text(), "kept");
    EXPECT_EQ(params[0].valueType(), SQLParam::ValueType::Text);
    EXPECT_EQ(params[0].direction(), dbx::ParamIn);
    EXPECT_EQ(params[1].integer(), 7);
    EXPECT_EQ(params[1].valueType(), SQLParam::ValueType::Int16);
    EXPECT_TRUE(params[2].bound()) << "a NULL keeps its bound flag...";
    EXPECT_EQ(params[2].kind(), SQLParam::Kind::Unset) << "...but comes back cleared";
    EXPECT_EQ(params[2].valueType(), SQLParam::ValueType::Text);
    EXPECT_EQ(params[3].valueType(), SQLParam::ValueType::Text);
    EXPECT_EQ(params[3].kind(), SQLParam::Kind::Unset);
    for (std::size_t later : {4u, 5u, 6u, 7u, 8u}) {
        EXPECT_EQ(params[later].valueType(), SQLParam::ValueType::None) << later;
        EXPECT_FALSE(params[later].bound()) << later;
    }

    // Clearing forgets every parameter; the same names then come back fresh.
    m_query->clearLines();
    EXPECT_TRUE(m_query->params().empty());
    m_query->addLine("UPDATE T SET A = :A");
    EXPECT_EQ(m_query->params()[0].valueType(), SQLParam::ValueType::None);
}

class WholeTextStatement : public SQLStatement {
public:
    using SQLStatement::SQLStatement;
    using SQLStatement::setText;
};

TEST_F(StatementParams, WithRepeatedOldNamesTheLastOneWins)
{
    WholeTextStatement whole("SQLDataSet1", m_connection.get());
    whole.setText("UPDATE T SET A = :a");
    whole.paramByName("A").setValue(std::string_view("v"));
    whole.setText("UPDATE T SET A = :A WHERE B = 1");
    ASSERT_EQ(names(whole), std::vector<std::string>{"a"}) << "the old name, as written there, is taken over";
    EXPECT_EQ(whole.params()[0].text(), "v");
    EXPECT_EQ(whole.lines(), std::vector<std::string>{"UPDATE T SET A = :A WHERE B = 1"});

    setLines(*m_query, {":x, :X"});
    m_query->params()[0].setValue(std::string_view("first"));
    m_query->params()[1].setValue(std::string_view("second"));
    m_query->addLine(":y");
    ASSERT_EQ(names(*m_query), (std::vector<std::string>{"X", "X", "y"}));
    EXPECT_EQ(m_query->params()[0].text(), "second");
    EXPECT_FALSE(m_query->params()[1].bound());
    EXPECT_EQ(&m_query->paramByName("x"), &m_query->params()[0]) << "by name, the first match wins";
}

TEST_F(StatementParams, FirstValueFixesTheType)
{
    const struct {
        const char* what;
        std::function<void(SQLParam&)> give;
        SQLParam::ValueType type;
        bool bound;
    } cases[] = {
        {"text", [](SQLParam& p) { p.setValue(std::string_view("x")); }, SQLParam::ValueType::Text, true},
        {"empty text", [](SQLParam& p) { p.setValue(std::string_view()); }, SQLParam::ValueType::Text, true},
        {"unsigned 8-bit", [](SQLParam& p) { p.setValue(std::uint8_t{0}); }, SQLParam::ValueType::Int16, true},
        {"signed 8-bit", [](SQLParam& p) { p.setValue(std::int8_t{-8}); }, SQLParam::ValueType::Int16, true},
        {"signed 16-bit", [](SQLParam& p) { p.setValue(std::int16_t{-32768}); }, SQLParam::ValueType::Int16, true},
        {"NULL", [](SQLParam& p) { p.setNull(); }, SQLParam::ValueType::None, true},
        {"cleared", [](SQLParam& p) { p.clear(); }, SQLParam::ValueType::None, false},
        {"text, then a number", [](SQLParam& p) { p.setValue(std::string_view("1")); p.setValue(std::uint8_t{2}); },
         SQLParam::ValueType::Text, true},
        {"number, then text", [](SQLParam& p) { p.setValue(std::uint8_t{2}); p.setValue(std::string_view("1")); },
         SQLParam::ValueType::Int16, true},
        {"NULL, then text", [](SQLParam& p) { p.setNull(); p.setValue(std::string_view("1")); },
         SQLParam::ValueType::Text, true},
    };
    for (const auto& c : cases) {
        SQLParam param("P");
        c.give(param);
        EXPECT_EQ(param.valueType(), c.type) << c.what;
        EXPECT_EQ(param.bound(), c.bound) << c.what;
    }
}

TEST_F(StatementParams, TextHeldByAnIntegerParameterMustBeAWholeNumber)
{
    setLines(*m_query, {"UPDATE T SET A = :A"});
    m_query->paramByName("A").setValue(std::uint8_t{0});
    m_query->paramByName("A").setValue(std::string_view("abc"));
    EXPECT_EQ(failureText([&] { m_query->execute(); }), "'abc' is not a valid integer value");
    m_query->paramByName("A").setValue(std::string_view("70000"));
    EXPECT_EQ(failureText([&] { m_query->execute(); }), "'70000' is not a valid integer value");
}

TEST_F(StatementParams, Big5NamesCompareByWholeCharacters)
{
    // A connection of its own that reads Big5: its statements follow it, this
    // fixture's UTF-8 or ASCII one stays as it was.
    m_config->writeConnections({"DriverName=Interbase", "Database=x", "ServerCharSet=BIG_5"});
    SQLConnection big5;
    big5.open();
    ASSERT_EQ(big5.codePage().name(), "BIG5");
    SQLQuery query(&big5);
    // Two different Big5 characters whose second bytes differ only in ASCII case.
    setLines(query, {"UPDATE T SET A = :\xA4\x61"});
    EXPECT_NO_THROW(query.paramByName("\xA4\x61"));
    EXPECT_EQ(failureText([&] { query.paramByName("\xA4\x41"); }), "SQLQuery1: Parameter '\xA4\x41' not found");

    // Under Big5 a second byte 0x60 opens no literal, so the marker after it is found.
    setLines(query, {"UPDATE T SET N = '\xA4\x60' WHERE A = :A"});
    EXPECT_EQ(names(query), std::vector<std::string>{"A"});
    setLines(*m_query, {"UPDATE T SET N = '\xA4\x60' WHERE A = :A"});
    EXPECT_NE(m_connection->codePage().name(), "BIG5");
    EXPECT_EQ(names(*m_query), std::vector<std::string>{}) << "outside Big5 the 0x60 opens a literal";
}

TEST_F(StatementParams, DuplicateColumnNamesAreNumbered)
{
    recording::Rows rows;
    for (const char* name : {"A", "B", "a", "A_1", "A"})
        rows.columns.push_back({name, dbx::FieldInt32, 0, 4});
    rows.rows.push_back({std::string("1"), std::nullopt, std::string("3"), std::string("4"), std::string("5")});
    rec().setRows(joined({"SELECT A, B, a, A_1, A FROM T"}), rows);
    setLines(*m_query, {"SELECT A, B, a, A_1, A FROM T"});
    m_query->open();
    std::vector<std::string> fieldNames;
    for (const SQLField& field : m_query->fields())
        fieldNames.push_back(field.name);
    EXPECT_EQ(fieldNames, (std::vector<std::string>{"A", "B", "a_1", "A_1_1", "A_2"}));
    EXPECT_FALSE(m_query->fieldByName("a").isNull());
    EXPECT_TRUE(m_query->fieldByName("b").isNull());
    EXPECT_EQ(m_query->fieldByName("A_2").number, 5);
}

TEST_F(StatementParams, AFieldKeptAcrossAWiderOpenStaysAFieldOfTheOpenResult)
{
    rec().setRows(joined({"SELECT A FROM T"}), textRows("A", {std::string("1")}));
    setLines(*m_query, {"SELECT A FROM T"});
    m_query->open();
    const SQLField& kept = m_query->fieldByName("A");

    // Forty columns: more than any room the first open had for its fields.
    recording::Rows wide;
    recording::Row row;
    for (int i = 1; i <= 40; ++i) {
        wide.columns.push_back({"C" + std::to_string(i), dbx::FieldInt32, 0, 4});
        row.push_back(std::string("7"));
    }
    wide.rows.push_back(row);
    rec().setRows(joined({"SELECT * FROM W"}), wide);
    setLines(*m_query, {"SELECT * FROM W"});
    m_query->open();
    try {
        EXPECT_FALSE(kept.isNull());
        EXPECT_EQ(&kept, &m_query->fields()[kept.number - 1u]);
    } catch (const DatabaseError& error) {
        EXPECT_STREQ(error.what(), "Cannot perform this operation on a closed dataset");
    }
}

TEST_F(StatementParams, TheNullTestReadsEachTypeWithItsOwnReader)
{
    const struct {
        std::uint16_t type;
        const char* reader; // null: no reader, the value counts as NULL unread
        const char* value;
    } cases[] = {
        {dbx::FieldZString, "Cursor.getString(1)", "x"},     {dbx::FieldInt16, "Cursor.getShort(1)", "1"},
        {dbx::FieldBool, "Cursor.getShort(1)", "1"},         {dbx::FieldInt32, "Cursor.getLong(1)", "1"},
        {dbx::FieldInt64, "Cursor.getInt64(1)", "1"},        {dbx::FieldFloat, "Cursor.getDouble(1)", "1.5"},
        {dbx::FieldBcd, "Cursor.getBcd(1)", "1.25"},         {dbx::FieldDate, "Cursor.getDate(1)", "2024-01-02"},
        {dbx::FieldTime, "Cursor.getTime(1)", "10:11:12"},   {dbx::FieldTimeStamp, "Cursor.getTimeStamp(1)", "2024-01-02 10:11:12"},
        {dbx::FieldBytes, "Cursor.getBytes(1)", "ab"},       {dbx::FieldBlob, "Cursor.getBlobSize(1)", "blob"},
        {dbx::FieldUnknown, nullptr, "?"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        recording::Rows rows;
        rows.columns.push_back({"V", c.type, 0, 32});
        rows.rows.push_back({std::string(c.value)});
        rows.rows.push_back({std::nullopt});
        rec().setRows(joined({"SELECT V FROM T"}), rows);
        setLines(*m_query, {"SELECT V FROM T"});
        m_query->open();
        rec().clearCalls();
        const bool firstIsNull = m_query->fieldByName("V").isNull();
        std::vector<std::string> expected = {"Cursor.getColumnType(1)"};
        if (c.reader)
            expected.push_back(c.reader);
        const std::vector<std::string> calls = rec().callsStartingWith("Cursor.");
        ASSERT_GE(calls.size(), expected.size());
        EXPECT_EQ(std::vector<std::string>(calls.begin(), calls.begin() + expected.size()), expected);
        EXPECT_EQ(firstIsNull, c.reader == nullptr);
        m_query->next();
        EXPECT_TRUE(m_query->fieldByName("V").isNull());
    }
}

} // namespace
} // namespace didu::test
