#include "db/statements/sqldataset.h"

#include "db/statements/querytext.h"
#include "platform/asciitext.h"

#include <cstdlib>
#include <cstring>
#include <vector>

namespace didu {

namespace {

/// Where the index listing keeps what the index needs (0: not listed).
struct ListingColumns {
    std::uint16_t name = 0;
    std::uint16_t column = 0;
    std::uint16_t type = 0;
    std::uint16_t order = 0;
};

/// Adds one row of the listing: a column of a new or an already listed index.
void addIndexColumn(std::vector<IndexDefinition>& indices, const std::string& indexName,
                    const std::string& columnName, std::int64_t type, const std::string& order)
{
    IndexDefinition* index = nullptr;
    for (auto& known : indices)
        if (known.name == indexName)
            index = &known;
    if (!index) {
        indices.push_back({indexName, {}, false, false, false});
        index = &indices.back();
    } else {
        index->fields += ';';
    }
    index->fields += columnName;
    if (type & dbx::IndexPrimary)
        index->primary = true;
    if (type & dbx::IndexUnique)
        index->unique = true;
    if (!order.empty() && (order[0] == 'D' || order[0] == 'd'))
        index->descending = true;
}

} // namespace

std::vector<std::string> IndexDefinition::columns() const
{
    std::vector<std::string> result;
    std::size_t start = 0;
    while (start <= fields.size() && !fields.empty()) {
        const auto end = fields.find(';', start);
        result.push_back(fields.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return result;
}

SQLDataSet::SQLDataSet(SQLConnection* connection, std::string name)
    : SQLStatement(std::move(name), connection)
{
}

SQLDataSet::~SQLDataSet() = default;

void SQLDataSet::setCommandText(std::string_view text)
{
    // Leading blanks, line ends and other control bytes carry no meaning for the
    // database and would only make equal commands look different.
    const std::string_view stripped = trimLeadingBlanksAndControls(text);
    if (stripped == m_commandText)
        return;
    m_commandText = std::string(stripped);
    // Unprepares (which drops the index definitions with the command), rescans
    // the markers and rebuilds the parameters.
    setText(m_commandText);
    m_indices.reset();
}

void SQLDataSet::commandCreated(dbx::ISQLCommand* command)
{
    SQLStatement::commandCreated(command);
    // The text is a query, never a stored procedure; a driver that cannot be told
    // so cannot run it as intended, so this is the one option that must succeed.
    checkDriver(command->setOption(dbx::CommandStoredProc, 0), command);
}

void SQLDataSet::commandReleased()
{
    m_indices.reset();
}

const std::vector<IndexDefinition>& SQLDataSet::indexDefinitions()
{
    if (!m_indices) {
        std::vector<IndexDefinition> found;
        if (m_getMetadata) {
            const std::string table = singleTableName(driverText());
            if (!table.empty())
                found = listIndices(table);
        }
        m_indices = std::move(found);
    }
    return *m_indices;
}

std::vector<IndexDefinition> SQLDataSet::listIndices(const std::string& table)
{
    SQLConnection* connection = activeConnection();
    dbx::ISQLMetaData* metaData = connection ? connection->metaData() : nullptr;
    std::vector<IndexDefinition> indices;
    if (!metaData)
        return indices;
    DriverHandle<dbx::ISQLCursor> cursor;
    checkDriver(metaData->getIndices(table.c_str(), 0, cursor.receive()), metaData);
    if (!cursor)
        return indices;
    auto check = [&](dbx::Result result) { checkDriver(result, cursor.get()); };

    ListingColumns at;
    std::uint16_t count = 0;
    check(cursor->getColumnCount(&count));
    for (std::uint16_t c = 1; c <= count; ++c) {
        std::uint16_t length = 0;
        check(cursor->getColumnNameLength(c, &length));
        std::vector<char> name(std::size_t(length) + 1, '\0');
        check(cursor->getColumnName(c, name.data()));
        const std::string_view text(name.data());
        for (auto [title, into] : {std::pair{"INDEX_NAME", &at.name}, std::pair{"COLUMN_NAME", &at.column},
                                   std::pair{"INDEX_TYPE", &at.type}, std::pair{"SORT_ORDER", &at.order}})
            if (asciiEqualsIgnoreCase(text, title))
                *into = c;
    }

    std::vector<char> buffer;
    auto readText = [&](std::uint16_t column) -> std::string {
        if (!column)
            return {};
        std::uint32_t length = 0;
        check(cursor->getColumnLength(column, &length));
        buffer.assign(std::size_t(length) + 1, '\0');
        ColumnValue value;
        check(readColumn(*cursor, column, ColumnKind::String, value, buffer.data(), length));
        return value.null ? std::string() : std::string(trimTrailingBlanksAndControls(std::string_view(buffer.data(), value.length)));
    };
    auto readNumber = [&](std::uint16_t column) -> std::int64_t {
        if (!column)
            return 0;
        std::uint16_t type = 0, subType = 0;
        check(cursor->getColumnType(column, &type, &subType));
        ColumnKind kind = columnKind(type, subType);
        if (kind == ColumnKind::String)
            return std::strtoll(readText(column).c_str(), nullptr, 10);
        // Any other number of the listing is read as a 32-bit one.
        if (kind != ColumnKind::Short && kind != ColumnKind::Int64)
            kind = ColumnKind::Long;
        ColumnValue value;
        check(readColumn(*cursor, column, kind, value));
        return value.null ? 0 : value.integer;
    };

    for (;;) {
        const dbx::Result result = cursor->next();
        if (result == dbx::ResultEndOfData || result == dbx::ResultEndOfDataAlt)
            break;
        check(result);
        const std::string indexName = readText(at.name);
        const std::string columnName = readText(at.column);
        const std::int64_t type = readNumber(at.type);
        const std::string order = readText(at.order);
        addIndexColumn(indices, indexName, columnName, type, order);
    }
    return indices;
}

} // namespace didu
