// Inside the recording plugin: the one process-wide state behind the control
// object, shared by every driver object the plugin hands out.
#pragma once

#include "tests/support/recording/recordingdriver.h"

#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace didu::recording {

/// A scripted answer of one operation.
struct Scripted {
    dbx::Result result = dbx::ResultOk;
    std::string message;
};

class State final : public Control {
public:
    static State& instance();

    // Control
    std::vector<std::string> calls() const override;
    std::vector<std::string> callsWithIds() const override;
    void clearCalls() override;
    void reset() override;
    void scriptNext(const std::string& operation, dbx::Result result, const std::string& message) override;
    void scriptAlways(const std::string& operation, dbx::Result result, const std::string& message) override;
    void clearScript(const std::string& operation) override;
    void setRows(const std::string& text, Rows rows) override;
    void queueRows(const std::string& text, Rows rows) override;
    void setIndices(const std::string& table, Rows rows) override;
    void setOptionAnswer(const std::string& object, std::int32_t option, std::string bytes) override;
    void setRowsAffected(std::uint32_t rows) override;
    int liveObjects(const std::string& kind) const override;

    // For the driver objects.
    /// A new object of `kind`: counts it live and answers its serial number.
    int objectCreated(const std::string& kind);
    void objectFreed(const std::string& kind);
    /// Logs "<kind>.<call>" and answers the script of "<kind>.<operation>", if any.
    std::optional<Scripted> record(const std::string& kind, int id, const std::string& operation,
                                   const std::string& arguments);
    /// Rows for one execute of `text`: a queued set first, then the standing one.
    std::optional<Rows> rowsFor(const std::string& text);
    Rows indicesFor(const std::string& table);
    std::optional<std::string> optionAnswer(const std::string& kind, std::int32_t option);
    std::uint32_t rowsAffected();

private:
    State() { resetLocked(); }
    void resetLocked();

    struct Entry {
        std::string withId;
        std::string plain;
    };

    mutable std::mutex m_mutex;
    std::vector<Entry> m_log;
    std::map<std::string, std::deque<Scripted>> m_next;
    std::map<std::string, Scripted> m_always;
    std::map<std::string, Rows> m_rows;
    std::map<std::string, std::deque<Rows>> m_queuedRows;
    std::map<std::string, Rows> m_indices;
    std::map<std::pair<std::string, std::int32_t>, std::string> m_options;
    std::uint32_t m_rowsAffected = 0;
    std::map<std::string, int> m_live;
    std::map<std::string, int> m_serial;
};

/// A text argument as the log shows it: quoted and escaped, or `null`.
std::string quoted(const char* text);
/// `length` bytes as a quoted text.
std::string quotedBytes(const void* bytes, std::size_t length);
/// `length` bytes as "[0a ff ...]".
std::string hexBytes(const void* bytes, std::size_t length);

} // namespace didu::recording
