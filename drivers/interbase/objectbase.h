// What every object of the driver shares: its reference count and its last
// error message, the text the connection layer shows after "SQL Server Error: ".
//
// A message answers for the call that failed and for no later one. Callers may
// ignore a failed result (a refused option, for one) and later ask another
// object's message, or this one's after other calls; an old text there would
// name a reason that no longer holds. So a message is only answered while the
// failure that wrote it is the latest failure of any object of the driver on
// this thread: every failure elsewhere, and every later failure here, takes
// its place. Each call that fails writes its message before it returns, so the
// message read after a failed call is that call's own.
#pragma once

#include "db/connection/dbxdriver.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>

namespace didu::ib {

/// The object whose failure is the latest on this thread: the only one whose
/// message still answers.
inline thread_local const void* t_lastFailed = nullptr;

/// Implements the ISQLObject half of `Interface`.
template <typename Interface>
class ObjectBase : public Interface {
public:
    std::uint32_t addRef() override { return ++m_references; }

    std::uint32_t release() override
    {
        const std::uint32_t left = --m_references;
        if (left == 0)
            delete this;
        return left;
    }

    dbx::Result getErrorMessageLen(std::uint16_t* length) override
    {
        if (!length)
            return dbx::ResultInvalidParameter;
        *length = static_cast<std::uint16_t>(std::min<std::size_t>(message().size(), 0xFFFF));
        return dbx::ResultOk;
    }

    dbx::Result getErrorMessage(char* buffer) override
    {
        if (!buffer)
            return dbx::ResultInvalidParameter;
        const std::string& text = message();
        const std::size_t n = std::min<std::size_t>(text.size(), 0xFFFF);
        std::memcpy(buffer, text.data(), n);
        buffer[n] = '\0';
        return dbx::ResultOk;
    }

protected:
    ObjectBase() = default;
    ~ObjectBase() override
    {
        // A later object at the same address must not inherit the message.
        if (t_lastFailed == this)
            t_lastFailed = nullptr;
    }

    /// Records `message` as the last error and answers `code`, so a failure reads
    /// `return fail(code, text);`.
    dbx::Result fail(dbx::Result code, std::string message)
    {
        m_error = std::move(message);
        t_lastFailed = this;
        return code;
    }

private:
    const std::string& message() const
    {
        static const std::string none;
        return t_lastFailed == this ? m_error : none;
    }

    std::atomic<std::uint32_t> m_references {1};
    std::string m_error;
};


/// Copies a text option value, which arrives as a `const char*` cast to intptr_t
/// and belongs to the caller.
inline std::string textOption(std::intptr_t value)
{
    const char* text = reinterpret_cast<const char*>(value);
    return text ? std::string(text) : std::string();
}

} // namespace didu::ib
