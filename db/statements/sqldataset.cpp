#include "db/statements/sqldataset.h"

#include "db/statements/querytext.h"

#include <cstdlib>
#include <cstring>
#include <vector>

namespace didu {

namespace {

/// Releases a driver cursor when it goes out of scope.
struct CursorGuard {
    dbx::ISQLCursor* cursor;
    ~CursorGuard()
    {
        if (cursor)
            cursor->release();
    }
};

std::string trimRight(std::string text)
{
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= 0x20)
        text.pop_back();
    return text;
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
    std::size_t start = 0;
    while (start < text.size() && static_cast<unsigned char>(text[start]) <= 0x20)
        ++start;
    const std::string_view stripped = text.substr(start);
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
    check(command->setOption(dbx::CommandStoredProc, 0), command);
}

void SQLDataSet::commandReleased()
{
    m_indices.reset();
}

void SQLDataSet::check(dbx::Result result, dbx::ISQLObject* source)
{
    if (result != dbx::ResultOk)
        checkDriver(result, source);
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
    dbx::ISQLCursor* cursor = nullptr;
    check(metaData->getIndices(table.c_str(), 0, &cursor), metaData);
    CursorGuard guard{cursor};
    if (!cursor)
        return indices;

    std::uint16_t count = 0;
    check(cursor->getColumnCount(&count), cursor);
    std::uint16_t nameColumn = 0, columnColumn = 0, typeColumn = 0, orderColumn = 0;
    for (std::uint16_t c = 1; c <= count; ++c) {
        std::uint16_t length = 0;
        check(cursor->getColumnNameLength(c, &length), cursor);
        std::vector<char> name(std::size_t(length) + 1, '\0');
        check(cursor->getColumnName(c, name.data()), cursor);
        const std::string_view text(name.data());
        if (equalsIgnoreCase(text, "INDEX_NAME"))
            nameColumn = c;
        else if (equalsIgnoreCase(text, "COLUMN_NAME"))
            columnColumn = c;
        else if (equalsIgnoreCase(text, "INDEX_TYPE"))
            typeColumn = c;
        else if (equalsIgnoreCase(text, "SORT_ORDER"))
            orderColumn = c;
    }

    auto readText = [&](std::uint16_t column) -> std::string {
        if (!column)
            return {};
        std::uint32_t length = 0;
        check(cursor->getColumnLength(column, &length), cursor);
        std::vector<char> buffer(std::size_t(length) + 1, '\0');
        std::int32_t blank = 0;
        check(cursor->getString(column, buffer.data(), &blank), cursor);
        return blank ? std::string() : trimRight(std::string(buffer.data(), strnlen(buffer.data(), length)));
    };
    auto readInt = [&](std::uint16_t column) -> std::int64_t {
        if (!column)
            return 0;
        std::uint16_t type = 0, subType = 0;
        check(cursor->getColumnType(column, &type, &subType), cursor);
        std::int32_t blank = 0;
        switch (type) {
        case dbx::FieldInt16: {
            std::int16_t v = 0;
            check(cursor->getShort(column, &v, &blank), cursor);
            return blank ? 0 : v;
        }
        case dbx::FieldInt64: {
            std::int64_t v = 0;
            check(cursor->getInt64(column, &v, &blank), cursor);
            return blank ? 0 : v;
        }
        case dbx::FieldZString: {
            const std::string text = readText(column);
            return std::strtoll(text.c_str(), nullptr, 10);
        }
        default: {
            std::int32_t v = 0;
            check(cursor->getLong(column, &v, &blank), cursor);
            return blank ? 0 : v;
        }
        }
    };

    for (;;) {
        const dbx::Result result = cursor->next();
        if (result == dbx::ResultEndOfData || result == dbx::ResultEndOfDataAlt)
            break;
        check(result, cursor);
        const std::string indexName = readText(nameColumn);
        const std::string columnName = readText(columnColumn);
        const std::int64_t type = readInt(typeColumn);
        const std::string order = readText(orderColumn);
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
    return indices;
}

} // namespace didu
