// The program's errors. Every failure is raised as one of these, and what() is
// exactly the text the operator reads; nothing below the window catches them.
#pragma once

#include <stdexcept>
#include <string>

namespace didu {

/// Base of every error the program raises itself; kind() names it for the
/// start-up error box ("Exception %s in module ...").
class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
    virtual const char* kind() const noexcept { return "Exception"; }
};

/// A failure of the database layers: driver results, statements, result sets.
class DatabaseError : public Error {
public:
    using Error::Error;
    const char* kind() const noexcept override { return "EDatabaseError"; }
};

/// A failure reading the connection's configuration (files, per-user setting).
class ConfigurationError : public Error {
public:
    using Error::Error;
    const char* kind() const noexcept override { return "EConfigurationError"; }
};

/// A connection set-up that cannot be used: a configuration file, a driver
/// entry, a library it names or a parameter value stopped the connect before
/// the driver was asked to reach the database. What the database or a server
/// answers is never one. It keeps the text and the kind of the failure it
/// stands for ("EConvertError" for a parameter that is not a number).
class SetupError : public DatabaseError {
public:
    explicit SetupError(const Error& cause) : DatabaseError(cause.what()), m_kind(cause.kind()) {}
    const char* kind() const noexcept override { return m_kind; }

private:
    const char* m_kind; // every kind() is a literal
};

/// A value that is not a whole number where one is needed.
class ConvertError : public Error {
public:
    using Error::Error;
    const char* kind() const noexcept override { return "EConvertError"; }
};

/// The silent error: ends an action without showing anything.
class AbortError : public Error {
public:
    AbortError() : Error("Operation aborted") {}
    const char* kind() const noexcept override { return "EAbort"; }
};

/// Formats "%s: %s": an object's name before a message.
inline std::string withPrefix(const std::string& objectName, const std::string& message)
{
    return objectName + ": " + message;
}

} // namespace didu
