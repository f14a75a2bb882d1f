#include "db/statements/clientdataset.h"

#include "db/statements/datasetprovider.h"
#include "db/statements/markerscanner.h"
#include "db/statements/sqldataset.h"
#include "db/statements/storeloader.h"
#include "platform/errors.h"
#include "platform/locale.h"

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

namespace didu {

/// The held rows: the store with its cursor, and the column names for lookups.
class HeldRows {
public:
    std::unique_ptr<store::IRowStore> store;
    // After the store it points into, so that it goes first.
    std::unique_ptr<store::IStoreCursor> cursor;
    std::vector<std::string> names;
};

namespace {

const char* const NoProvider = "Missing data provider or data packet";
const char* const ClosedDataSet = "Cannot perform this operation on a closed dataset";

std::string decimalSeparator()
{
    const std::lconv* conventions = std::localeconv();
    return conventions && conventions->decimal_point && *conventions->decimal_point ? conventions->decimal_point
                                                                                      : ".";
}

/// The shortest general form of up to 15 significant digits: the fewest digits
/// that read back as the same value, written in plain notation while the
/// exponent lies from -5 to 14 and as mantissa, "E" and exponent otherwise
/// ("1E20", "1.5E-6"), with the locale's decimal separator.
std::string floatText(double value)
{
    if (value != value)
        return "NAN";
    if (value == HUGE_VAL || value == -HUGE_VAL)
        return value < 0 ? "-INF" : "INF";
    char buffer[64];
    for (int digits = 1; digits <= 15; ++digits) {
        std::snprintf(buffer, sizeof buffer, "%.*E", digits - 1, value);
        if (digits == 15 || std::strtod(buffer, nullptr) == value)
            break;
    }
    // buffer: [-]D[.DDD]E[+-]XX
    std::string text(buffer);
    const bool negative = text[0] == '-';
    const auto e = text.find('E');
    const int exponent = std::atoi(text.c_str() + e + 1);
    std::string digits;
    for (std::size_t i = negative ? 1 : 0; i < e; ++i)
        if (text[i] >= '0' && text[i] <= '9')
            digits += text[i];
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();
    const std::string point = decimalSeparator();
    if (value == 0)
        return "0"; // negative zero too
    std::string out = negative ? "-" : "";
    if (exponent < -5 || exponent >= 15) {
        out += digits.substr(0, 1);
        if (digits.size() > 1)
            out += point + digits.substr(1);
        out += "E" + std::to_string(exponent);
    } else if (exponent < 0) {
        out += "0" + point + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
    } else {
        const auto whole = static_cast<std::size_t>(exponent) + 1;
        if (digits.size() <= whole) {
            out += digits + std::string(whole - digits.size(), '0');
        } else {
            out += digits.substr(0, whole) + point + digits.substr(whole);
        }
    }
    return out;
}

std::string bcdText(std::int64_t unscaled, std::int16_t scale)
{
    const bool negative = unscaled < 0;
    // Work on the magnitude as unsigned so that the smallest value keeps its digits.
    std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(unscaled) : static_cast<std::uint64_t>(unscaled);
    std::string digits = std::to_string(magnitude);
    if (scale > 0) {
        if (digits.size() <= static_cast<std::size_t>(scale))
            digits.insert(0, static_cast<std::size_t>(scale) + 1 - digits.size(), '0');
        digits.insert(digits.size() - static_cast<std::size_t>(scale), decimalSeparator());
    } else if (scale < 0 && magnitude) {
        digits.append(static_cast<std::size_t>(-scale), '0');
    }
    return (negative && magnitude ? "-" : "") + digits;
}

std::string twoDigits(unsigned value)
{
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%02u", value % 100);
    return buffer;
}

std::string dateText(std::int64_t value)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04lld-%02lld-%02lld", static_cast<long long>(value / 10000),
                  static_cast<long long>(value / 100 % 100), static_cast<long long>(value % 100));
    return buffer;
}

std::string timeText(std::int64_t value)
{
    const auto seconds = value / 10000;
    return twoDigits(static_cast<unsigned>(seconds / 3600)) + ":" + twoDigits(static_cast<unsigned>(seconds / 60 % 60))
           + ":" + twoDigits(static_cast<unsigned>(seconds % 60));
}

std::string valueText(const store::Value& value)
{
    if (value.isNull)
        return {};
    switch (value.type) {
    case store::ColumnType::Text:
    case store::ColumnType::Bytes: {
        // Up to the first zero byte, as delivered; the provider has cut text
        // there already, bytes may still hold one.
        const auto* end = static_cast<const char*>(std::memchr(value.bytes, '\0', value.length));
        return std::string(value.bytes, end ? static_cast<std::size_t>(end - value.bytes) : value.length);
    }
    case store::ColumnType::Int32:
    case store::ColumnType::Int64:
        return std::to_string(value.integer);
    case store::ColumnType::Bool:
        return value.integer ? "True" : "False";
    case store::ColumnType::Float:
        return floatText(value.real);
    case store::ColumnType::Bcd:
        return bcdText(value.integer, value.scale);
    case store::ColumnType::Date:
        return dateText(value.integer);
    case store::ColumnType::Time:
        return timeText(value.integer);
    case store::ColumnType::TimeStamp:
        return dateText(value.integer / 864000000) + " " + timeText(value.integer % 864000000);
    }
    return {};
}

// The code page of the connection the rows come from: the text of its names
// and values is in it. A set without a provider has only the locale's.
const CodePage& codePageOf(const DataSetProvider* provider)
{
    if (provider && provider->dataSet())
        return provider->dataSet()->connection()->codePage();
    return userLocale().codePage;
}

} // namespace

ClientDataSet::ClientDataSet(DataSetProvider* provider, std::string name)
    : m_name(std::move(name)), m_provider(provider)
{
}

ClientDataSet::~ClientDataSet()
{
    try {
        close();
    } catch (...) {
        // Going away with the window: the connection closes what is left.
    }
}

void ClientDataSet::setCommandText(std::string text)
{
    if (text == m_commandText)
        return;
    m_commandText = std::move(text);
    // The set's own parameters follow the markers of the new text; values carry
    // over by name.
    const CodePage& codePage = codePageOf(m_provider);
    const MarkerScan scan = scanMarkers(m_commandText, codePage);
    std::vector<SQLParam> fresh;
    fresh.reserve(scan.names.size());
    for (const auto& name : scan.names)
        fresh.emplace_back(name);
    carryOverByName(m_params, fresh, Carry::Value, codePage);
    m_params = std::move(fresh);
}

bool ClientDataSet::isOpen() const
{
    return m_rows != nullptr;
}

void ClientDataSet::open()
{
    if (isOpen())
        return;
    if (!m_provider)
        throw DatabaseError(withPrefix(m_name, NoProvider));
    auto packet = m_provider->getRecords(-1, m_commandText, m_params);
    // A request for every row always comes back with fewer than asked for: the
    // provider is exhausted and has reset itself.
    if (!packet)
        throw DatabaseError(withPrefix(m_name, NoProvider));
    auto rows = std::make_unique<HeldRows>();
    rows->store = StoreLoader::make<store::IRowStore>(store::RowStoreClassId);
    const store::Status loaded = rows->store->load(packet.release());
    if (loaded == store::StatusNoMemory)
        throw std::bad_alloc();
    if (loaded != store::StatusOk)
        throw DatabaseError(withPrefix(m_name, rows->store->lastError()));
    rows->cursor = StoreLoader::make<store::IStoreCursor>(store::StoreCursorClassId);
    if (rows->cursor->attach(rows->store.get()) != store::StatusOk)
        throw DatabaseError(withPrefix(m_name, rows->cursor->lastError()));
    const std::uint16_t columns = rows->store->columnCount();
    rows->names.reserve(columns);
    for (std::uint16_t c = 0; c < columns; ++c) {
        store::ColumnInfo info{};
        rows->store->column(c, &info);
        rows->names.emplace_back(info.name, info.nameLength);
    }
    m_rows = std::move(rows);
}

void ClientDataSet::close()
{
    if (!isOpen())
        return;
    // Position and columns go first; the rows are released however the
    // provider's reset ends.
    std::unique_ptr<HeldRows> rows = std::move(m_rows);
    rows->cursor.reset();
    rows->names.clear();
    if (m_provider)
        m_provider->reset();
}

std::int32_t ClientDataSet::rowCount() const
{
    if (!isOpen())
        throw DatabaseError(withPrefix(m_name, ClosedDataSet));
    return static_cast<std::int32_t>(m_rows->store->rowCount());
}

bool ClientDataSet::eof() const
{
    return !isOpen() || m_rows->cursor->eof();
}

void ClientDataSet::next()
{
    if (!isOpen())
        throw DatabaseError(withPrefix(m_name, ClosedDataSet));
    m_rows->cursor->next();
}

std::string ClientDataSet::valueAsText(std::string_view columnName) const
{
    // A closed set has no columns at all, so every name is missing.
    if (isOpen()) {
        const auto& names = m_rows->names;
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (!sameTextIgnoreCase(names[i], columnName, codePageOf(m_provider)))
                continue;
            store::Value value{};
            // At end of data there is no current row: it reads like NULL.
            if (m_rows->cursor->value(static_cast<std::uint16_t>(i), &value) != store::StatusOk)
                return {};
            return valueText(value);
        }
    }
    throw DatabaseError(withPrefix(m_name, "Field '" + std::string(columnName) + "' not found"));
}

} // namespace didu
