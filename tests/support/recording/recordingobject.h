// Inside the recording plugin: what every recorded driver object shares, the
// reference count, the last error message and the logging of each call.
#pragma once

#include "tests/support/recording/recordingstate.h"

#include <cstring>
#include <string>

namespace didu::recording {

template <class Interface>
class Recorded : public Interface {
public:
    std::uint32_t addRef() override
    {
        log("addRef", "");
        return ++m_refs;
    }

    std::uint32_t release() override
    {
        log("release", "");
        const std::uint32_t left = --m_refs;
        if (left == 0)
            delete this;
        return left;
    }

    dbx::Result getErrorMessageLen(std::uint16_t* length) override
    {
        if (const auto s = log("getErrorMessageLen", ""); s && s->result != dbx::ResultOk) {
            *length = 0;
            return s->result;
        }
        *length = static_cast<std::uint16_t>(m_error.size());
        return dbx::ResultOk;
    }

    dbx::Result getErrorMessage(char* buffer) override
    {
        if (const auto s = log("getErrorMessage", ""); s && s->result != dbx::ResultOk)
            return s->result;
        std::memcpy(buffer, m_error.c_str(), m_error.size() + 1);
        return dbx::ResultOk;
    }

protected:
    explicit Recorded(const char* kind) : m_kind(kind), m_id(State::instance().objectCreated(kind)) {}
    ~Recorded() override { State::instance().objectFreed(m_kind); }

    /// Logs the call and answers its script; a scripted message becomes the
    /// object's last error message.
    std::optional<Scripted> log(const std::string& operation, const std::string& arguments)
    {
        auto s = State::instance().record(m_kind, m_id, operation, arguments);
        if (s && !s->message.empty())
            m_error = s->message;
        return s;
    }

    /// Logs the call and answers the scripted result, or 0.
    dbx::Result call(const std::string& operation, const std::string& arguments)
    {
        const auto s = log(operation, arguments);
        return s ? s->result : dbx::ResultOk;
    }

    /// getOption's common part: copies the answer for `option` of this kind.
    dbx::Result answerOption(std::int32_t option, void* value, std::int32_t bufferLength, std::int32_t* length,
                             const std::optional<std::string>& fallback = std::nullopt)
    {
        if (const dbx::Result r = call("getOption", std::to_string(option) + ", " + std::to_string(bufferLength)))
            return r;
        std::optional<std::string> answer = State::instance().optionAnswer(m_kind, option);
        if (!answer)
            answer = fallback;
        if (!answer)
            return dbx::ResultNotSupported;
        const std::size_t room = bufferLength > 0 ? static_cast<std::size_t>(bufferLength) : 0;
        const std::size_t n = answer->size() < room ? answer->size() : room;
        if (value && n)
            std::memcpy(value, answer->data(), n);
        if (value && n < room)
            static_cast<char*>(value)[n] = '\0';
        if (length)
            *length = static_cast<std::int32_t>(answer->size());
        return dbx::ResultOk;
    }

    std::string m_kind;
    int m_id;

private:
    std::uint32_t m_refs = 1;
    std::string m_error;
};

/// Makes the cursor over scripted rows.
dbx::ISQLCursor* makeCursor(Rows rows);

} // namespace didu::recording
