// SQLDataSet1: the statement object behind the buffered result set. It runs the
// command text its provider gives it, like SQLQuery1 runs its lines, and it also
// knows the index definitions of the table it reads, so that the provider can
// order the rows by the table's primary key.
#pragma once

#include "db/statements/sqlstatement.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace didu {

/// One index of the statement's table, as the driver's index listing gives it.
struct IndexDefinition {
    std::string name;
    /// The index's columns in key order, joined by ";".
    std::string fields;
    bool primary = false;
    bool unique = false;
    bool descending = false;

    /// The columns of `fields`, one by one.
    std::vector<std::string> columns() const;
};

class SQLDataSet : public SQLStatement {
public:
    explicit SQLDataSet(SQLConnection* connection, std::string name = "SQLDataSet1");
    ~SQLDataSet() override;

    /// Takes a new command text. A text equal to the current one changes nothing
    /// (the prepared command is kept); another one is stored without its leading
    /// blanks and control bytes, and the statement is unprepared and rescanned.
    void setCommandText(std::string_view text);
    const std::string& commandText() const { return m_commandText; }

    /// Whether the index definitions may be asked of the database (on by default).
    bool getMetadata() const { return m_getMetadata; }
    void setGetMetadata(bool on) { m_getMetadata = on; }

    /// The index definitions of the one table the statement reads, listed through
    /// the driver's metadata object the first time they are wanted for the
    /// prepared command. Empty for a statement over no single table, or with
    /// getMetadata off.
    const std::vector<IndexDefinition>& indexDefinitions();

protected:
    void commandCreated(dbx::ISQLCommand* command) override;
    void commandReleased() override;

private:
    std::vector<IndexDefinition> listIndices(const std::string& table);

    std::string m_commandText;
    bool m_getMetadata = true;
    std::optional<std::vector<IndexDefinition>> m_indices;
};

} // namespace didu
