// The recorded driver, connection, metadata and command objects, and the
// plugin's driver entry.
#include "tests/support/recording/recordingobject.h"

namespace didu::recording {

namespace {

std::string number(std::int64_t n)
{
    return std::to_string(n);
}

class Command final : public Recorded<dbx::ISQLCommand> {
public:
    Command() : Recorded("Command") {}

    dbx::Result setOption(std::int32_t option, std::intptr_t value) override
    {
        return call("setOption", number(option) + ", " + number(value));
    }

    dbx::Result getOption(std::int32_t option, void* value, std::int32_t bufferLength, std::int32_t* length) override
    {
        return answerOption(option, value, bufferLength, length);
    }

    dbx::Result setParameter(std::uint16_t n, std::uint16_t child, std::int32_t direction, std::uint16_t type,
                             std::uint16_t subType, std::int32_t precision, std::int32_t scale, std::uint32_t length,
                             const void* buffer, std::int32_t isNull) override
    {
        std::string shown;
        if (isNull)
            shown = "(unread)";
        else if (!buffer)
            shown = "null";
        else if (type == dbx::FieldZString)
            shown = quotedBytes(buffer, length && static_cast<const char*>(buffer)[length - 1] == '\0' ? length - 1
                                                                                                        : length);
        else
            shown = hexBytes(buffer, length);
        return call("setParameter", number(n) + ", " + number(child) + ", " + number(direction) + ", " +
                                        number(type) + ", " + number(subType) + ", " + number(precision) + ", " +
                                        number(scale) + ", " + number(length) + ", " + shown + ", " + number(isNull));
    }

    dbx::Result prepare(const char* text, std::uint16_t paramCount) override
    {
        if (const dbx::Result r = call("prepare", quoted(text) + ", " + number(paramCount)))
            return r;
        m_text = text ? text : "";
        return dbx::ResultOk;
    }

    dbx::Result execute(dbx::ISQLCursor** cursor) override
    {
        *cursor = nullptr;
        if (const dbx::Result r = call("execute", ""))
            return r;
        if (auto rows = State::instance().rowsFor(m_text))
            *cursor = makeCursor(std::move(*rows));
        return dbx::ResultOk;
    }

    dbx::Result getRowsAffected(std::uint32_t* rows) override
    {
        if (const dbx::Result r = call("getRowsAffected", ""))
            return r;
        *rows = State::instance().rowsAffected();
        return dbx::ResultOk;
    }

    dbx::Result close() override { return call("close", ""); }

private:
    std::string m_text;
};

class MetaData final : public Recorded<dbx::ISQLMetaData> {
public:
    MetaData() : Recorded("MetaData") {}

    dbx::Result setOption(std::int32_t option, std::intptr_t value) override
    {
        const bool text = option == dbx::MetaCatalogName || option == dbx::MetaSchemaName;
        return call("setOption", number(option) + ", " +
                                     (text ? quoted(reinterpret_cast<const char*>(value)) : number(value)));
    }

    dbx::Result getOption(std::int32_t option, void* value, std::int32_t bufferLength, std::int32_t* length) override
    {
        return answerOption(option, value, bufferLength, length);
    }

    dbx::Result getIndices(const char* tableName, std::uint32_t indexType, dbx::ISQLCursor** cursor) override
    {
        *cursor = nullptr;
        if (const dbx::Result r = call("getIndices", quoted(tableName) + ", " + number(indexType)))
            return r;
        *cursor = makeCursor(State::instance().indicesFor(tableName ? tableName : ""));
        return dbx::ResultOk;
    }
};

class Connection final : public Recorded<dbx::ISQLConnection> {
public:
    Connection() : Recorded("Connection") {}

    dbx::Result connect(const char* database, const char* userName, const char* password) override
    {
        return call("connect", quoted(database) + ", " + quoted(userName) + ", " + quoted(password));
    }

    dbx::Result disconnect() override { return call("disconnect", ""); }

    dbx::Result getSQLCommand(dbx::ISQLCommand** command) override
    {
        *command = nullptr;
        if (const dbx::Result r = call("getSQLCommand", ""))
            return r;
        *command = new Command;
        return dbx::ResultOk;
    }

    dbx::Result getSQLMetaData(dbx::ISQLMetaData** metaData) override
    {
        *metaData = nullptr;
        if (const dbx::Result r = call("getSQLMetaData", ""))
            return r;
        *metaData = new MetaData;
        return dbx::ResultOk;
    }

    dbx::Result setOption(std::int32_t option, std::intptr_t value) override
    {
        switch (option) {
        case dbx::ConnRoleName:
        case dbx::ConnHostName:
        case dbx::ConnServerCharSet:
        case dbx::ConnServerPort:
        case dbx::ConnQualifiedName:
        case dbx::ConnCustomInfo: {
            const char* text = reinterpret_cast<const char*>(value);
            const dbx::Result r = call("setOption", number(option) + ", " + quoted(text));
            if (r == dbx::ResultOk && option == dbx::ConnQualifiedName)
                m_qualifiedName = text ? text : "";
            return r;
        }
        default:
            return call("setOption", number(option) + ", " + number(value));
        }
    }

    dbx::Result getOption(std::int32_t option, void* value, std::int32_t bufferLength, std::int32_t* length) override
    {
        std::optional<std::string> fallback;
        if (option == dbx::ConnCatalogName || option == dbx::ConnSchemaName)
            fallback = std::string();
        else if (option == dbx::ConnObjectName)
            fallback = m_qualifiedName;
        return answerOption(option, value, bufferLength, length, fallback);
    }

private:
    std::string m_qualifiedName;
};

class Driver final : public Recorded<dbx::ISQLDriver> {
public:
    Driver() : Recorded("Driver") {}

    dbx::Result getSQLConnection(dbx::ISQLConnection** connection) override
    {
        *connection = nullptr;
        if (const dbx::Result r = call("getSQLConnection", ""))
            return r;
        *connection = new Connection;
        return dbx::ResultOk;
    }
};

} // namespace
} // namespace didu::recording

extern "C" __attribute__((visibility("default"))) dbx::Result
getSQLDriverINTERBASE(const char* vendorLib, const char* resourceFile, dbx::ISQLDriver** driver)
{
    using namespace didu::recording;
    *driver = nullptr;
    const auto s = State::instance().record("", 0, "getSQLDriverINTERBASE", quoted(vendorLib) + ", " + quoted(resourceFile));
    if (s && s->result != dbx::ResultOk)
        return s->result;
    *driver = new Driver;
    return dbx::ResultOk;
}
