// The recording driver itself: the log format others compare against, and the
// scripting of results, rows and option answers.
#include "tests/support/recording/recordingsetup.h"

#include "platform/library.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace didu::recording;
using Lines = std::vector<std::string>;

namespace {

struct Driver {
    Driver()
    {
        control().reset();
        auto entry = reinterpret_cast<GetSQLDriverFunc>(library()->symbol("getSQLDriverINTERBASE"));
        EXPECT_EQ(entry("libfbclient.so.2", "", &driver), 0);
        EXPECT_EQ(driver->getSQLConnection(&connection), 0);
    }
    ~Driver()
    {
        if (connection)
            connection->release();
        if (driver)
            driver->release();
    }
    static std::shared_ptr<didu::LoadedLibrary> library()
    {
        static auto lib = didu::LoadedLibrary::load(pluginPath());
        return lib;
    }
    dbx::ISQLDriver* driver = nullptr;
    dbx::ISQLConnection* connection = nullptr;
};

std::string errorOf(dbx::ISQLObject* object)
{
    std::uint16_t length = 0;
    object->getErrorMessageLen(&length);
    std::string text(length + 1u, '\0');
    object->getErrorMessage(text.data());
    text.resize(length);
    return text;
}

} // namespace

TEST(RecordingDriver, LogsEveryCallWithItsArguments)
{
    Driver d;
    d.connection->setOption(dbx::ConnRoleName, reinterpret_cast<std::intptr_t>("Role \"x\"\r\n"));
    d.connection->setOption(dbx::ConnWaitOnLocks, 1);
    d.connection->connect("/db/t.fdb", "sysdba", "quietfern");
    dbx::ISQLCommand* command = nullptr;
    d.connection->getSQLCommand(&command);
    command->prepare("SELECT * FROM T WHERE A = ? AND B = ?\r\n", 2);
    command->setParameter(1, 0, 1, dbx::FieldZString, 0, 5, 0, 6, "ABCDE", 0);
    const std::int16_t five = 5;
    command->setParameter(2, 0, 1, dbx::FieldInt16, 0, 0, 0, 2, &five, 0);
    command->setParameter(3, 0, 1, dbx::FieldZString, 0, 0, 0, 1, nullptr, 1);
    dbx::ISQLCursor* cursor = nullptr;
    command->execute(&cursor);
    EXPECT_EQ(cursor, nullptr);
    command->release();

    EXPECT_EQ(control().calls(), (Lines{
        "getSQLDriverINTERBASE(\"libfbclient.so.2\", \"\")",
        "Driver.getSQLConnection()",
        "Connection.setOption(3, \"Role \\\"x\\\"\\r\\n\")",
        "Connection.setOption(4, 1)",
        "Connection.connect(\"/db/t.fdb\", \"sysdba\", \"quietfern\")",
        "Connection.getSQLCommand()",
        "Command.prepare(\"SELECT * FROM T WHERE A = ? AND B = ?\\r\\n\", 2)",
        "Command.setParameter(1, 0, 1, 1, 0, 5, 0, 6, \"ABCDE\", 0)",
        "Command.setParameter(2, 0, 1, 5, 0, 0, 0, 2, [05 00], 0)",
        "Command.setParameter(3, 0, 1, 1, 0, 0, 0, 1, (unread), 1)",
        "Command.execute()",
        "Command.release()",
    }));
    EXPECT_EQ(control().callsWithIds().back(), "Command#1.release()");
    EXPECT_EQ(control().liveObjects("Command"), 0);
    EXPECT_EQ(control().liveObjects("Connection"), 1);
}

TEST(RecordingDriver, ScriptsResultsAndMessagesNextThenAlways)
{
    Driver d;
    control().scriptAlways("Connection.connect", 21, "always");
    control().scriptNext("Connection.connect", 12, "first");
    EXPECT_EQ(d.connection->connect("a", "b", "c"), 12);
    EXPECT_EQ(errorOf(d.connection), "first");
    EXPECT_EQ(d.connection->connect("a", "b", "c"), 21);
    EXPECT_EQ(errorOf(d.connection), "always");
    control().clearScript("Connection.connect");
    EXPECT_EQ(d.connection->connect("a", "b", "c"), 0);

    control().scriptNext("Connection.getSQLCommand", 2);
    dbx::ISQLCommand* command = reinterpret_cast<dbx::ISQLCommand*>(1);
    EXPECT_EQ(d.connection->getSQLCommand(&command), 2);
    EXPECT_EQ(command, nullptr);
}

TEST(RecordingDriver, QueuedRowsComeFirstAndValuesConvertToTheGettersType)
{
    // Scripted rows for an exact text, and no cursor for others: DriverContract.
    Driver d;
    control().setRows("SELECT 1", Rows{{{"ID", dbx::FieldInt16}, {"NAME"}}, {{"7", "Lin"}}});
    control().queueRows("SELECT 1", Rows{{{"ID", dbx::FieldInt16}}, {}});
    dbx::ISQLCommand* command = nullptr;
    d.connection->getSQLCommand(&command);
    command->prepare("SELECT 1", 0);

    dbx::ISQLCursor* cursor = nullptr;
    ASSERT_EQ(command->execute(&cursor), 0);
    ASSERT_NE(cursor, nullptr); // the queued, empty set first
    EXPECT_EQ(cursor->next(), dbx::ResultEndOfData);
    cursor->release();

    ASSERT_EQ(command->execute(&cursor), 0);
    std::uint32_t length = 0;
    cursor->getColumnLength(2, &length); // no length scripted: the longest value's, and its end
    EXPECT_EQ(length, 4u);
    ASSERT_EQ(cursor->next(), 0);
    std::int16_t id = 0;
    std::int32_t blank = -1;
    cursor->getShort(1, &id, &blank);
    EXPECT_EQ(id, 7);
    EXPECT_EQ(blank, 0);
    cursor->release();
    command->release();
}

TEST(RecordingDriver, AnswersScriptedOptions)
{
    // The default answers, the same as the real driver's, are in DriverContract.
    Driver d;
    std::int32_t limit = -1;
    std::int32_t length = 0;
    control().setStatementLimit(3);
    EXPECT_EQ(d.connection->getOption(dbx::ConnMaxStmtsPerConn, &limit, 4, &length), 0);
    EXPECT_EQ(limit, 3);

    dbx::ISQLMetaData* meta = nullptr;
    d.connection->getSQLMetaData(&meta);
    char quote = 0;
    control().setQuoteChar('`');
    meta->getOption(dbx::MetaObjectQuoteChar, &quote, 1, &length);
    EXPECT_EQ(quote, '`');
    EXPECT_EQ(meta->getOption(99, &quote, 1, &length), dbx::ResultNotSupported);
    meta->release();
}
