#include "tests/support/recording/recordingstate.h"

#include <cstdio>

namespace didu::recording {

State& State::instance()
{
    static State state;
    return state;
}

void State::resetLocked()
{
    m_log.clear();
    m_next.clear();
    m_always.clear();
    m_rows.clear();
    m_queuedRows.clear();
    m_indices.clear();
    m_options.clear();
    m_options[{"MetaData", dbx::MetaObjectQuoteChar}] = "\"";
    const std::int32_t noLimit = 0;
    m_options[{"Connection", dbx::ConnMaxStmtsPerConn}] =
        std::string(reinterpret_cast<const char*>(&noLimit), sizeof noLimit);
    m_rowsAffected = 0;
    m_serial.clear();
}

std::vector<std::string> State::calls() const
{
    std::lock_guard lock(m_mutex);
    std::vector<std::string> out;
    out.reserve(m_log.size());
    for (const Entry& e : m_log)
        out.push_back(e.plain);
    return out;
}

std::vector<std::string> State::callsWithIds() const
{
    std::lock_guard lock(m_mutex);
    std::vector<std::string> out;
    out.reserve(m_log.size());
    for (const Entry& e : m_log)
        out.push_back(e.withId);
    return out;
}

void State::clearCalls()
{
    std::lock_guard lock(m_mutex);
    m_log.clear();
}

void State::reset()
{
    std::lock_guard lock(m_mutex);
    resetLocked();
}

void State::scriptNext(const std::string& operation, dbx::Result result, const std::string& message)
{
    std::lock_guard lock(m_mutex);
    m_next[operation].push_back({result, message});
}

void State::scriptAlways(const std::string& operation, dbx::Result result, const std::string& message)
{
    std::lock_guard lock(m_mutex);
    m_always[operation] = {result, message};
}

void State::clearScript(const std::string& operation)
{
    std::lock_guard lock(m_mutex);
    m_next.erase(operation);
    m_always.erase(operation);
}

void State::setRows(const std::string& text, Rows rows)
{
    std::lock_guard lock(m_mutex);
    m_rows[text] = std::move(rows);
}

void State::queueRows(const std::string& text, Rows rows)
{
    std::lock_guard lock(m_mutex);
    m_queuedRows[text].push_back(std::move(rows));
}

void State::setIndices(const std::string& table, Rows rows)
{
    std::lock_guard lock(m_mutex);
    m_indices[table] = std::move(rows);
}

void State::setOptionAnswer(const std::string& object, std::int32_t option, std::string bytes)
{
    std::lock_guard lock(m_mutex);
    m_options[{object, option}] = std::move(bytes);
}

void State::setRowsAffected(std::uint32_t rows)
{
    std::lock_guard lock(m_mutex);
    m_rowsAffected = rows;
}

int State::liveObjects(const std::string& kind) const
{
    std::lock_guard lock(m_mutex);
    const auto it = m_live.find(kind);
    return it == m_live.end() ? 0 : it->second;
}

int State::objectCreated(const std::string& kind)
{
    std::lock_guard lock(m_mutex);
    ++m_live[kind];
    return ++m_serial[kind];
}

void State::objectFreed(const std::string& kind)
{
    std::lock_guard lock(m_mutex);
    --m_live[kind];
}

std::optional<Scripted> State::record(const std::string& kind, int id, const std::string& operation,
                                      const std::string& arguments)
{
    std::lock_guard lock(m_mutex);
    const std::string call = operation + "(" + arguments + ")";
    if (kind.empty())
        m_log.push_back({call, call});
    else
        m_log.push_back({kind + "#" + std::to_string(id) + "." + call, kind + "." + call});

    const std::string name = kind.empty() ? operation : kind + "." + operation;
    if (auto it = m_next.find(name); it != m_next.end() && !it->second.empty()) {
        Scripted s = it->second.front();
        it->second.pop_front();
        return s;
    }
    if (auto it = m_always.find(name); it != m_always.end())
        return it->second;
    return std::nullopt;
}

std::optional<Rows> State::rowsFor(const std::string& text)
{
    std::lock_guard lock(m_mutex);
    if (auto it = m_queuedRows.find(text); it != m_queuedRows.end() && !it->second.empty()) {
        Rows rows = std::move(it->second.front());
        it->second.pop_front();
        return rows;
    }
    if (auto it = m_rows.find(text); it != m_rows.end())
        return it->second;
    return std::nullopt;
}

Rows State::indicesFor(const std::string& table)
{
    std::lock_guard lock(m_mutex);
    if (auto it = m_indices.find(table); it != m_indices.end())
        return it->second;
    return Rows{indexColumns(), {}};
}

std::optional<std::string> State::optionAnswer(const std::string& kind, std::int32_t option)
{
    std::lock_guard lock(m_mutex);
    if (auto it = m_options.find({kind, option}); it != m_options.end())
        return it->second;
    return std::nullopt;
}

std::uint32_t State::rowsAffected()
{
    std::lock_guard lock(m_mutex);
    return m_rowsAffected;
}

std::string quotedBytes(const void* bytes, std::size_t length)
{
    const auto* p = static_cast<const unsigned char*>(bytes);
    std::string out = "\"";
    for (std::size_t i = 0; i < length; ++i) {
        const unsigned char c = p[i];
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20 || c == 0x7f) {
                char hex[8];
                std::snprintf(hex, sizeof hex, "\\x%02x", c);
                out += hex;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out + "\"";
}

std::string quoted(const char* text)
{
    if (!text)
        return "null";
    return quotedBytes(text, std::char_traits<char>::length(text));
}

std::string hexBytes(const void* bytes, std::size_t length)
{
    const auto* p = static_cast<const unsigned char*>(bytes);
    std::string out = "[";
    for (std::size_t i = 0; i < length; ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02x", p[i]);
        if (i)
            out += ' ';
        out += hex;
    }
    return out + "]";
}

} // namespace didu::recording

extern "C" __attribute__((visibility("default"))) didu::recording::Control* recordingDriverControl()
{
    return &didu::recording::State::instance();
}
