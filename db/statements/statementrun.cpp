// Running the statement's command: open as a query, execute as a command, the
// binding of parameters by position, and reading the result's columns.
#include "db/statements/sqlstatement.h"

#include "platform/asciitext.h"
#include "platform/errors.h"
#include "platform/locale.h"

#include <charconv>

namespace didu {

namespace {

// A 16-bit parameter holding text (its type was fixed by an earlier value).
std::int16_t textAsInt16(const std::string& text)
{
    std::string_view number = trimSpaces(text);
    if (!number.empty() && number.front() == '+')
        number.remove_prefix(1);
    std::int16_t value = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (number.empty() || error != std::errc() || end != number.data() + number.size())
        throw ConvertError("'" + text + "' is not a valid integer value");
    return value;
}

} // namespace

// Open, fields and rows ------------------------------------------------------

void SQLStatement::open()
{
    if (isOpen())
        return;
    if (m_text.empty())
        throw DatabaseError("Missing query, table name or procedure name");
    m_connection->open();
    if (!prepared())
        prepare();
    if (!prepared())
        raiseHeldPrepareFailure();

    if (!m_params.empty())
        bindParams();
    DriverHandle<dbx::ISQLCursor> cursor;
    checkDriver(m_command->execute(cursor.receive()), m_command.get());
    m_commandOpen = true;
    if (!cursor) {
        m_command->close();
        throw DatabaseError(withPrefix(m_name, "Cursor not returned from Query"));
    }
    m_cursor = std::move(cursor);
    try {
        describeColumns();
        fetchFirst();
    } catch (...) {
        // A failed open leaves the statement closed (and still prepared).
        releaseCursor();
        throw;
    }
}

void SQLStatement::describeColumns()
{
    m_fieldCount = 0;
    std::uint16_t count = 0;
    checkDriver(m_cursor->getColumnCount(&count), m_cursor.get());
    std::string columnName;
    for (std::uint16_t column = 1; column <= count && column != 0; ++column) {
        SQLField field;
        field.m_statement = this;
        field.number = column;
        std::uint16_t nameLength = 0;
        checkDriver(m_cursor->getColumnNameLength(column, &nameLength), m_cursor.get());
        columnName.assign(nameLength + 1u, '\0');
        checkDriver(m_cursor->getColumnName(column, columnName.data()), m_cursor.get());
        columnName.resize(std::char_traits<char>::length(columnName.c_str()));
        checkDriver(m_cursor->getColumnType(column, &field.type, &field.subType), m_cursor.get());
        field.kind = columnKind(field.type, field.subType);
        checkDriver(m_cursor->getColumnLength(column, &field.length), m_cursor.get());
        checkDriver(m_cursor->getColumnPrecision(column, &field.precision), m_cursor.get());
        checkDriver(m_cursor->getColumnScale(column, &field.scale), m_cursor.get());
        std::int32_t flag = 0;
        checkDriver(m_cursor->isNullable(column, &flag), m_cursor.get());
        field.nullable = flag != 0;
        checkDriver(m_cursor->isReadOnly(column, &flag), m_cursor.get());
        field.readOnly = flag != 0;

        // Two columns of the same name: the later one is told apart by "_1", "_2"...
        field.name = columnName;
        auto taken = [this](const std::string& name) {
            for (std::size_t i = 0; i < m_fieldCount; ++i)
                if (sameTextIgnoreCase(m_fields[i].name, name, m_connection->codePage()))
                    return true;
            return false;
        };
        for (int suffix = 1; taken(field.name); ++suffix)
            field.name = columnName + "_" + std::to_string(suffix);
        if (m_fieldCount < m_fields.size())
            m_fields[m_fieldCount] = std::move(field);
        else
            m_fields.push_back(std::move(field));
        ++m_fieldCount;
    }
    // Fields of an earlier, wider result that this one has no column for fail
    // from now on as a closed dataset's would.
    for (std::size_t i = m_fieldCount; i < m_fields.size(); ++i)
        m_fields[i].m_statement = nullptr;
}

void SQLStatement::fetchFirst()
{
    m_eof = false;
    const dbx::Result result = m_cursor->next();
    if (result == dbx::ResultEndOfData || result == dbx::ResultEndOfDataAlt)
        m_eof = true;
    else
        checkDriver(result, m_cursor.get());
}

void SQLStatement::next()
{
    if (!isOpen())
        throw DatabaseError("Cannot perform this operation on a closed dataset");
    if (m_eof)
        return;
    const dbx::Result result = m_cursor->next();
    if (result == dbx::ResultEndOfData || result == dbx::ResultEndOfDataAlt)
        m_eof = true;
    else
        checkDriver(result, m_cursor.get());
}

FieldList SQLStatement::fields() const
{
    // A field kept past a close still answers, with the closed-dataset failure.
    const auto first = m_fields.cbegin();
    return {first, first + static_cast<std::ptrdiff_t>(isOpen() ? m_fieldCount : 0)};
}

const SQLField& SQLStatement::fieldByName(std::string_view name) const
{
    for (const SQLField& field : fields())
        if (sameTextIgnoreCase(field.name, name, m_connection->codePage()))
            return field;
    throw DatabaseError(withPrefix(m_name, "Field '" + std::string(name) + "' not found"));
}

bool SQLStatement::fieldIsNull(const SQLField& field)
{
    if (!isOpen())
        throw DatabaseError("Cannot perform this operation on a closed dataset");
    if (m_eof)
        return true;
    // The type is asked afresh: the NULL test reads the column as the driver
    // describes it now.
    std::uint16_t type = 0;
    std::uint16_t subType = 0;
    checkDriver(m_cursor->getColumnType(field.number, &type, &subType), m_cursor.get());
    // Room for the longest value the driver announced, and its zero byte.
    m_valueBuffer.resize(std::size_t(field.length) + 1);
    ColumnValue value;
    checkDriver(readColumn(*m_cursor, field.number, columnKind(type, subType), value, m_valueBuffer.data(),
                           static_cast<std::uint32_t>(m_valueBuffer.size())),
                m_cursor.get());
    return value.null;
}

void SQLStatement::readValue(std::size_t index, ColumnValue& value, char* room, std::uint32_t size)
{
    const SQLField& field = m_fields[index];
    checkDriver(readColumn(*m_cursor, field.number, field.kind, value, room, size), m_cursor.get());
}

void SQLStatement::readBlobValue(std::size_t index, ColumnValue& value, char* room, std::uint32_t size)
{
    const SQLField& field = m_fields[index];
    checkDriver(readBlob(*m_cursor, field.number, field.kind, value, room, size), m_cursor.get());
}

// Execute and binding --------------------------------------------------------

std::uint32_t SQLStatement::execute()
{
    if (m_text.empty())
        throw DatabaseError(m_lastError.empty() ? "Unable to execute Query" : m_lastError);
    // A statement keeps one cursor at a time: an open result ends first.
    close();
    m_connection->open();
    m_rowsAffected = 0;
    if (!prepared())
        prepare();
    if (!prepared())
        raiseHeldPrepareFailure();

    bindParams();
    DriverHandle<dbx::ISQLCursor> cursor;
    try {
        checkDriver(m_command->execute(cursor.receive()), m_command.get());
        m_commandOpen = true;
        if (!(m_rowsAffected && *m_rowsAffected > 0)) {
            std::uint32_t rows = 0;
            checkDriver(m_command->getRowsAffected(&rows), m_command.get());
            m_rowsAffected = rows;
        }
    } catch (...) {
        if (cursor) {
            cursor.reset();
            m_commandOpen = false;
        } else
            m_command->close();
        throw;
    }
    // No result is kept: a cursor that came back goes at once, else the run ends.
    if (cursor) {
        cursor.reset();
        m_commandOpen = false;
    } else {
        m_command->close();
    }
    return *m_rowsAffected;
}

void SQLStatement::bindParams()
{
    SQLConnection* connection = activeConnection();
    std::uint16_t number = 0;
    for (SQLParam& param : m_params) {
        ++number;
        if (param.m_type == SQLParam::ValueType::None)
            throw DatabaseError("No value for parameter '" + param.m_name + "'");
        if (param.m_direction == 0)
            param.m_direction = dbx::ParamIn;

        const bool isNull = param.isNull();
        std::uint16_t type = dbx::FieldZString;
        std::int32_t precision = 0;
        std::uint32_t length = 0;
        const void* buffer = nullptr;
        std::uint8_t integerBytes[2] = {0, 0};
        if (param.m_type == SQLParam::ValueType::Text) {
            if (!isNull) {
                // std::string keeps a zero byte after its text: bind it in place.
                const std::string* text = &param.m_text;
                if (param.m_kind == SQLParam::Kind::Int) {
                    m_bindText = std::to_string(param.m_integer);
                    text = &m_bindText;
                }
                precision = static_cast<std::int32_t>(text->size());
                length = static_cast<std::uint32_t>(text->size() + 1);
                buffer = text->c_str();
            }
        } else {
            type = dbx::FieldInt16;
            if (!isNull) {
                const std::int16_t value =
                    param.m_kind == SQLParam::Kind::Text ? textAsInt16(param.m_text) : param.m_integer;
                const auto bits = static_cast<std::uint16_t>(value);
                integerBytes[0] = static_cast<std::uint8_t>(bits & 0xFF);
                integerBytes[1] = static_cast<std::uint8_t>(bits >> 8);
                length = 2;
                buffer = integerBytes;
            }
        }
        const dbx::Result result = m_command->setParameter(number, 0, param.m_direction, type, dbx::SubTypeNone,
                                                           precision, 0, length, buffer, isNull ? 1 : 0);
        connection->check(result, connection->driverConnection());
    }
}

} // namespace didu
