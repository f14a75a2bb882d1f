// What every object of the driver shares: its reference count and its last
// error message, the text the connection layer shows after "SQL Server Error: ".
#pragma once

#include "db/connection/dbxdriver.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>

namespace didu::ib {

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
        *length = static_cast<std::uint16_t>(std::min<std::size_t>(m_error.size(), 0xFFFF));
        return dbx::ResultOk;
    }

    dbx::Result getErrorMessage(char* buffer) override
    {
        if (!buffer)
            return dbx::ResultInvalidParameter;
        const std::size_t n = std::min<std::size_t>(m_error.size(), 0xFFFF);
        std::memcpy(buffer, m_error.data(), n);
        buffer[n] = '\0';
        return dbx::ResultOk;
    }

protected:
    ObjectBase() = default;

    /// Records `message` as the last error and answers `code`, so a failure reads
    /// `return fail(code, text);`.
    dbx::Result fail(dbx::Result code, std::string message)
    {
        m_error = std::move(message);
        return code;
    }

private:
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
