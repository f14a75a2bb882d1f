// A connection over the recording driver, opened, with the log cleared, so that a
// test sees only the calls its statement makes.
#pragma once

#include "db/connection/sqlconnection.h"
#include "db/statements/sqlstatement.h"
#include "platform/errors.h"
#include "tests/support/recording/recordingsetup.h"
#include "transfer/transfer.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace didu::test {

/// The member lookup's two lines for `id`.
inline std::vector<std::string> lookupLines(const std::string& id)
{
    return {"SELECT MEMBER_ID FROM MEMBER ", " WHERE MEMBER_ID = '" + id + "'"};
}

/// The member insert's seven lines.
inline std::vector<std::string> insertLines()
{
    return {kMemberInsertLines.begin(), kMemberInsertLines.end()};
}

/// The lines joined as the statement joins them.
inline std::string joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}

inline void setLines(SQLStatement& statement, const std::vector<std::string>& lines)
{
    statement.clearLines();
    for (const std::string& line : lines)
        statement.addLine(line);
}

/// One text column named `name`, with the given values (nullopt: NULL).
inline recording::Rows textRows(const std::string& name, std::vector<recording::Value> values)
{
    recording::Rows rows;
    rows.columns.push_back({name, dbx::FieldZString, 0, 21});
    for (auto& value : values)
        rows.rows.push_back({std::move(value)});
    return rows;
}

class RecordedStatement : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_config = recording::useRecordingDriver();
        m_connection = std::make_unique<SQLConnection>();
        m_connection->open();
        m_query = std::make_unique<SQLQuery>(m_connection.get());
        rec().clearCalls();
    }

    void TearDown() override
    {
        m_query.reset();
        m_connection.reset();
        m_config.reset();
    }

    recording::Control& rec() { return recording::control(); }

    /// The logged calls on commands and cursors (and command creation), in order.
    std::vector<std::string> statementCalls() const
    {
        std::vector<std::string> out;
        for (const std::string& line : recording::control().calls())
            if (line.rfind("Command.", 0) == 0 || line.rfind("Cursor.", 0) == 0 ||
                line.rfind("Connection.getSQLCommand", 0) == 0 || line.rfind("MetaData.getOption", 0) == 0)
                out.push_back(line);
        return out;
    }

    std::unique_ptr<recording::ConfigFolder> m_config;
    std::unique_ptr<SQLConnection> m_connection;
    std::unique_ptr<SQLQuery> m_query;
};

/// Runs `action` and answers the text of the didu::Error it raised ("" if none).
template <class Action>
std::string failureText(Action&& action)
{
    try {
        action();
    } catch (const std::exception& error) {
        return error.what();
    }
    return {};
}

} // namespace didu::test
