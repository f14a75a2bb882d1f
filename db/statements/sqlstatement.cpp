// The statement's life around its driver command: the lines and their scan, the
// parameter list, prepare, unprepare and close. Running the command (open,
// execute, binding, reading) is in statementrun.cpp.
#include "db/statements/sqlstatement.h"

#include "db/connection/drivererror.h"
#include "platform/asciitext.h"
#include "platform/errors.h"
#include "platform/locale.h"

#include <charconv>

namespace didu {

namespace {

constexpr std::int32_t kDefaultRowsetSize = 20;

// Rows per fetch from the connection's "RowsetSize": a decimal whole number,
// else the default.
std::int32_t rowsetSize(const SQLConnection& connection)
{
    const std::string value = connection.params().value("RowsetSize");
    const std::string_view number = trimBlanksAndControls(value);
    std::int32_t size = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), size);
    if (number.empty() || error != std::errc() || end != number.data() + number.size())
        return kDefaultRowsetSize;
    return size;
}

// The connection's extra-connection rule counts statements whose first word is SELECT.
bool firstWordIsSelect(std::string_view text)
{
    text = trimLeadingBlanksAndControls(text);
    std::size_t end = 0;
    while (end < text.size() && ((text[end] >= 'A' && text[end] <= 'Z') || (text[end] >= 'a' && text[end] <= 'z')))
        ++end;
    return asciiEqualsIgnoreCase(text.substr(0, end), "SELECT");
}

} // namespace

SQLStatement::SQLStatement(std::string name, SQLConnection* connection)
    : m_name(std::move(name))
    , m_connection(connection)
{
    m_connection->attach(this);
}

SQLStatement::~SQLStatement()
{
    m_connection->detach(this);
    releaseCursor();
    try {
        unprepare(true);
    } catch (...) {
        // Nothing may leave a destructor; unprepare keeps driver failures to
        // itself, and a failing idle close of the connection changes nothing here.
    }
}

// Lines ---------------------------------------------------------------------

void SQLStatement::clearLines()
{
    if (m_lines.empty() && !m_wholeText)
        return;
    m_lines.clear();
    m_wholeText = false;
    m_text.clear();
    linesChanged(false);
}

void SQLStatement::addLine(std::string line)
{
    const bool appended = !m_wholeText;
    if (!appended) {
        // The text was set whole; from now on it is joined from the lines again.
        m_wholeText = false;
        m_text.clear();
        for (const std::string& earlier : m_lines)
            m_text.append(earlier).append("\r\n");
    }
    m_text.append(line).append("\r\n");
    m_lines.push_back(std::move(line));
    // The old text is the start of the new one, so only the new line is scanned.
    linesChanged(appended);
}

void SQLStatement::setText(std::string text)
{
    m_lines.clear();
    m_text = text;
    if (!text.empty())
        m_lines.push_back(std::move(text));
    m_wholeText = !m_lines.empty();
    linesChanged(false);
}

void SQLStatement::linesChanged(bool appended)
{
    close();
    unprepare(true);
    if (appended)
        continueMarkerScan(m_text, m_connection->codePage(), m_scan);
    else
        scanMarkers(m_text, m_connection->codePage(), m_scan);
    rebuildParams();
    m_quoteAsked = false;
}

void SQLStatement::rebuildParams()
{
    std::vector<SQLParam>& fresh = m_spareParams;
    const std::size_t count = m_scan.names.size();
    for (std::size_t i = 0; i < count; ++i) {
        if (i < fresh.size())
            fresh[i].reset(m_scan.names[i]);
        else
            fresh.emplace_back(m_scan.names[i]);
    }
    fresh.erase(fresh.begin() + static_cast<std::ptrdiff_t>(count), fresh.end());

    // Values survive a change for the names that come back.
    carryOverByName(m_params, fresh, Carry::Whole, m_connection->codePage());
    m_params.swap(fresh);
}

SQLParam& SQLStatement::paramByName(std::string_view name)
{
    for (SQLParam& param : m_params)
        if (sameTextIgnoreCase(param.m_name, name, m_connection->codePage()))
            return param;
    throw DatabaseError(withPrefix(m_name, "Parameter '" + std::string(name) + "' not found"));
}

// Prepare and unprepare -----------------------------------------------------

SQLConnection* SQLStatement::activeConnection() const
{
    return m_extraConnection ? m_extraConnection.get() : m_connection;
}

void SQLStatement::commandCreated(dbx::ISQLCommand*)
{
}

void SQLStatement::prepare()
{
    m_heldPrepareFailure = nullptr;
    try {
        const bool isSelect = firstWordIsSelect(m_text);
        m_lastError.clear();
        releaseCommand();
        if (auto extra = m_connection->connectionForStatement(isSelect))
            m_extraConnection = std::move(extra);
        SQLConnection* connection = activeConnection();
        connection->loadParams();

        DriverHandle<dbx::ISQLCommand> command;
        const dbx::Result created = connection->driverConnection()->getSQLCommand(command.receive());
        if (created != dbx::ResultOk || !command)
            checkDriver(created != dbx::ResultOk ? created : dbx::ResultInvalidHandle,
                        connection->driverConnection());
        m_command = std::move(command);
        m_command->setOption(dbx::CommandRowsetSize, rowsetSize(*connection));
        m_commandOpen = true;
        m_rowsAffected.reset();
        commandCreated(m_command.get());

        const std::size_t markers = m_scan.names.size();
        if (markers > 0 && !m_quoteAsked) {
            m_quoteAsked = true;
            connection->quoteCharacter();
        }
        // The driver takes a 16-bit count; more markers cannot be passed on honestly.
        if (markers > UINT16_MAX)
            checkDriver(dbx::ResultOutOfRange, nullptr);
        checkDriver(m_command->prepare(m_scan.driverText.c_str(), static_cast<std::uint16_t>(markers)), m_command.get());
    } catch (...) {
        // Held back: the open or execute that asked for the prepare reports it.
        m_heldPrepareFailure = std::current_exception();
        if (m_command && m_commandOpen)
            m_command->close();
        releaseCommand();
    }
}

void SQLStatement::raiseHeldPrepareFailure()
{
    std::exception_ptr failure = m_heldPrepareFailure;
    m_heldPrepareFailure = nullptr;
    if (failure) {
        try {
            std::rethrow_exception(failure);
        } catch (const std::exception& error) {
            if (*error.what() != '\0')
                throw;
        }
    }
    throw DatabaseError(m_lastError.empty() ? "Unable to execute Query" : m_lastError);
}

void SQLStatement::unprepare(bool closeConnectionWhenIdle)
{
    if (m_command) {
        releaseCursor();
        // Failures here are kept as the last error and the change goes on: the
        // command is released whatever the driver says.
        if (!(m_rowsAffected && *m_rowsAffected > 0)) {
            std::uint32_t rows = 0;
            const dbx::Result result = m_command->getRowsAffected(&rows);
            if (result == dbx::ResultOk)
                m_rowsAffected = rows;
            else
                recordDriverError(result, m_command.get());
        }
        if (m_commandOpen) {
            const dbx::Result result = m_command->close();
            if (result != dbx::ResultOk)
                recordDriverError(result, m_command.get());
        }
        releaseCommand();
    }
    if (closeConnectionWhenIdle)
        m_connection->closeWhenIdle();
}

void SQLStatement::releaseCommand()
{
    releaseCursor();
    if (m_command) {
        m_command.reset();
        m_commandOpen = false;
        commandReleased();
    }
    m_extraConnection.reset();
}

void SQLStatement::releaseCursor()
{
    if (m_cursor) {
        m_cursor.reset();
        m_commandOpen = false;
    }
    m_eof = true;
}

void SQLStatement::close()
{
    const bool wasOpen = isOpen();
    releaseCursor();
    // A connection that is not kept open and serves this statement alone can be
    // let go: the statement gives up its command too, so nothing holds it.
    if (wasOpen && !m_connection->settings().keepConnection && m_connection->clientCount() < 2)
        unprepare(true);
}

void SQLStatement::connectionClosing()
{
    close();
    unprepare(false);
}

// Driver failures -------------------------------------------------------------

std::string SQLStatement::recordDriverError(dbx::Result result, dbx::ISQLObject* source)
{
    m_lastError = driverErrorText(result, source, m_lastError, activeConnection()->codePage());
    return m_lastError;
}

void SQLStatement::checkDriver(dbx::Result result, dbx::ISQLObject* source)
{
    if (result != dbx::ResultOk)
        throw DatabaseError(recordDriverError(result, source));
}

} // namespace didu
