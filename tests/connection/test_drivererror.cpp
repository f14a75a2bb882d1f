// Composing the operator's text of a driver result.
#include "db/connection/drivererror.h"
#include "errortext.h"
#include "platform/codepage.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>

using namespace didu;

namespace {

// A message holder whose answers each case sets.
class Source final : public dbx::ISQLObject {
public:
    Source(std::string message, dbx::Result lengthResult = 0, int extraLength = 0)
        : m_message(std::move(message)), m_lengthResult(lengthResult), m_extraLength(extraLength)
    {
    }
    ~Source() override = default;
    std::uint32_t addRef() override { return 1; }
    std::uint32_t release() override { return 1; }
    dbx::Result getErrorMessageLen(std::uint16_t* length) override
    {
        ++asked;
        *length = static_cast<std::uint16_t>(m_message.size() + static_cast<std::size_t>(m_extraLength));
        return m_lengthResult;
    }
    dbx::Result getErrorMessage(char* buffer) override
    {
        ++fetched;
        std::memcpy(buffer, m_message.c_str(), m_message.size() + 1);
        return 0;
    }
    int asked = 0;
    int fetched = 0;

private:
    std::string m_message;
    dbx::Result m_lengthResult;
    int m_extraLength;
};

} // namespace

TEST(DriverErrorText, CombinesTheCodeTextTheSourceMessageAndTheFallbacks)
{
    const struct {
        const char* what;
        dbx::Result code;
        const char* message; // null: no source
        dbx::Result lengthResult;
        const char* ownerLast;
        const char* text;
    } cases[] = {
        {"code row, no source", 6, nullptr, 0, "", "dbExpress Error: [0x0006]: Invalid Time"},
        {"code row and message", 6, "lock conflict", 0, "",
         "dbExpress Error: [0x0006]: Invalid Time\r\nSQL Server Error: lock conflict"},
        {"code row, empty message", 21, "", 0, "", "dbExpress Error: [0x0015]: Connection failed"},
        {"code row, length call fails", 21, "hidden", 4, "", "dbExpress Error: [0x0015]: Connection failed"},
        {"no row, message only", 9999, "table unknown", 0, "", "SQL Server Error: table unknown"},
        {"no row, no message: last error", 9999, "", 0, "earlier text", "earlier text"},
        {"no row, no source: last error", 9999, nullptr, 0, "earlier text", "earlier text"},
        {"no row, nothing at all", 9999, nullptr, 0, "", "dbExpress Error: Unknown Error Code '9999'"},
        {"gap in the table", 18, nullptr, 0, "", "dbExpress Error: Unknown Error Code '18'"},
        {"largest code", 65535, "", 0, "", "dbExpress Error: Unknown Error Code '65535'"},
        {"row text that names itself", 11, nullptr, 0, "", "dbExpress Error: dbExpress Error [0x000B]: Parameter Not Set"},
        {"row text without colon", 12, "bad password", 0, "",
         "dbExpress Error: [0x000C] Invalid Username/Password\r\nSQL Server Error: bad password"},
        {"code row wins over last error", 101, nullptr, 0, "earlier", "dbExpress Error: [0x0065]: SQL Error"},
        {"end of data", 100, nullptr, 0, "", "dbExpress Error: [0x0064]: No more data"},
        {"a message is read in the code page", 101, "\xa5\xbf\xbd\x54", 0, "",
         "dbExpress Error: [0x0065]: SQL Error\r\nSQL Server Error: 正確"},
        {"bytes that are no character", 101, "ok \xff", 0, "",
         "dbExpress Error: [0x0065]: SQL Error\r\nSQL Server Error: ok \uFFFD"},
    };
    const CodePage big5 = CodePage::named("BIG5");
    for (const auto& c : cases) {
        std::optional<Source> source;
        if (c.message)
            source.emplace(c.message, c.lengthResult);
        EXPECT_EQ(driverErrorText(c.code, source ? &*source : nullptr, c.ownerLast, big5), c.text) << c.what;
    }
}

TEST(DriverErrorText, FetchesTheMessageOnlyWhenItsLengthIsAboveZero)
{
    Source empty("");
    driverErrorText(6, &empty, "", CodePage());
    EXPECT_EQ(empty.asked, 1);
    EXPECT_EQ(empty.fetched, 0);

    // A driver that reports more than it writes leaves zeros, not garbage.
    Source longer("short", 0, 20);
    EXPECT_EQ(driverErrorText(6, &longer, "", CodePage()),
              "dbExpress Error: [0x0006]: Invalid Time\r\nSQL Server Error: short");
    EXPECT_EQ(longer.fetched, 1);
}

TEST(DriverErrorText, RaisingKeepsTheTextAsTheOwnersLastError)
{
    std::string last;
    Source source("first failure");
    const CodePage ascii;
    EXPECT_EQ(test::errorText([&] { raiseDriverError(9999, &source, last, ascii); }), "SQL Server Error: first failure");
    EXPECT_EQ(last, "SQL Server Error: first failure");
    // The next failure without text of its own repeats the last one.
    EXPECT_EQ(test::errorText([&] { raiseDriverError(9999, nullptr, last, ascii); }), "SQL Server Error: first failure");
    EXPECT_EQ(test::errorKind([&] { raiseDriverError(6, nullptr, last, ascii); }), "EDatabaseError");
    EXPECT_EQ(last, "dbExpress Error: [0x0006]: Invalid Time");
    EXPECT_EQ(test::errorText([&] { checkDriverResult(0, &source, last, ascii); }), "(no error)");
}
