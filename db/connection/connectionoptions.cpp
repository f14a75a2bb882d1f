#include "db/connection/connectionoptions.h"

#include "platform/errors.h"
#include "platform/asciitext.h"

#include <cstdint>

namespace didu {

namespace {

std::intptr_t textValue(const std::string& text)
{
    // The driver copies the text during the call.
    return reinterpret_cast<std::intptr_t>(text.c_str());
}

} // namespace

std::int32_t optionFlag(std::string_view value)
{
    return asciiEqualsIgnoreCase(trimBlanksControlsAndDelete(value), "TRUE") ? 1 : 0;
}

std::int32_t wholeNumber(std::string_view value)
{
    const std::string_view text = trimBlanksControlsAndDelete(value);
    std::string_view digits = text;
    bool negative = false;
    if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) {
        negative = digits.front() == '-';
        digits.remove_prefix(1);
    }
    // Digits only: from_chars would take a second sign, and stops early otherwise.
    std::int64_t magnitude = 0;
    bool valid = !digits.empty() && digits.size() <= 10;
    for (const char c : digits) {
        if (c < '0' || c > '9') {
            valid = false;
            break;
        }
        magnitude = magnitude * 10 + (c - '0');
    }
    const std::int64_t number = negative ? -magnitude : magnitude;
    if (!valid || number < INT32_MIN || number > INT32_MAX)
        throw ConvertError("'" + std::string(text) + "' is not a valid integer value");
    return static_cast<std::int32_t>(number);
}

std::int32_t isolationLevel(std::string_view value)
{
    if (asciiEqualsIgnoreCase(value, "repeatableread"))
        return dbx::IsoRepeatableRead;
    if (asciiEqualsIgnoreCase(value, "dirtyread"))
        return dbx::IsoDirtyRead;
    return dbx::IsoReadCommitted;
}

void applyConnectionOptions(dbx::ISQLConnection* connection, const NameValueList& params,
                            const std::string& driverName)
{
    enum class Kind { Text, Flag, Number, Isolation };
    struct Row {
        std::string parameter;
        std::int32_t option;
        Kind kind;
    };
    const Row rows[] = {
        {"HostName", dbx::ConnHostName, Kind::Text},
        {"RoleName", dbx::ConnRoleName, Kind::Text},
        {"WaitOnLocks", dbx::ConnWaitOnLocks, Kind::Flag},
        {"CommitRetain", dbx::ConnCommitRetain, Kind::Flag},
        {"AutoCommit", dbx::ConnAutoCommit, Kind::Flag},
        {"BlockingMode", dbx::ConnBlockingMode, Kind::Flag},
        {"ServerCharSet", dbx::ConnServerCharSet, Kind::Text},
        {driverName + " TransIsolation", dbx::ConnTxnIsoLevel, Kind::Isolation},
        {"SqlDialect", dbx::ConnSqlDialect, Kind::Number},
        {"OS Authentication", dbx::ConnOsAuthentication, Kind::Flag},
        {"Server Port", dbx::ConnServerPort, Kind::Text},
        {"Multiple Transaction", dbx::ConnMultipleTransaction, Kind::Flag},
        {"Trim Char", dbx::ConnTrimChar, Kind::Flag},
        {"Custom String", dbx::ConnCustomInfo, Kind::Text},
        {"Connection Timeout", dbx::ConnTimeout, Kind::Number},
    };

    for (const Row& row : rows) {
        const std::string value = params.value(row.parameter);
        // A character set of blanks alone names none.
        if (value.empty() || (row.option == dbx::ConnServerCharSet && trimBlanksControlsAndDelete(value).empty()))
            continue;
        switch (row.kind) {
        case Kind::Text: {
            const std::string text(trimBlanksControlsAndDelete(value));
            connection->setOption(row.option, textValue(text));
            break;
        }
        case Kind::Flag:
            connection->setOption(row.option, optionFlag(value));
            break;
        case Kind::Number:
            connection->setOption(row.option, wholeNumber(value));
            break;
        case Kind::Isolation:
            connection->setOption(row.option, isolationLevel(value));
            break;
        }
    }
}

} // namespace didu
