// A Taiwanese desktop (zh_TW.UTF-8) on a shop's Big5 data (ServerCharSet=BIG_5),
// in a process started as the program is: the engine's text from the system (a
// path with Chinese folders, the system's own error text, both UTF-8) and from
// the database (a Big5 exception) read right in the error text of one run.
#include "tests/reliability/childprocess.h"
#include "tests/reliability/salesdata.h"
#include "tests/support/locales/privatelocale.h"
#include "tests/support/tempdb/tempdatabase.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <locale.h>
#include <string.h>

namespace {

using namespace std::chrono_literals;
using didu::test::ChildProcess;
using didu::test::TempDatabase;

// 禁止加入會員 in Big5: its second bytes include "T", "[", "J" and "|".
const std::string kBlockedBig5 = "\xb8\x54\xa4\xee\xa5\x5b\xa4\x4a\xb7\x7c\xad\xfb";

TEST(SystemText, PathsAndDatabaseMessagesReadRightOnABig5Connection)
{
    const auto folder = didu::test::privateLocales({"zh_TW.UTF-8"});
    ASSERT_TRUE(folder) << "localedef cannot build zh_TW.UTF-8 here";
    const std::vector<std::string> desktop = {"LOCPATH=" + *folder, "LANG=zh_TW.UTF-8", "LC_ALL=zh_TW.UTF-8"};

    TempDatabase db(didu::test::kSalesSchema + "CREATE EXCEPTION MEMBER_BLOCKED '" + kBlockedBig5 + "';");
    db.execute("CREATE TRIGGER MEMBER_CHECK FOR MEMBER BEFORE INSERT AS BEGIN"
               " IF (NEW.MEMBER_ID = 'BLOCK') THEN EXCEPTION MEMBER_BLOCKED; END");
    db.execute("INSERT INTO CUSTOMER VALUES ('BLOCK', 'x', '', '', '', '')");
    const std::string missing = db.folder() + "/\xe8\xb3\x87\xe6\x96\x99/TORDATA.FDB"; // 資料

    std::string systemError; // as the C library writes it on that desktop
    {
        didu::test::ScopedLocale locale(*folder, "zh_TW.UTF-8");
        const locale_t zhTW = newlocale(LC_ALL_MASK, "", static_cast<locale_t>(nullptr));
        ASSERT_NE(zhTW, static_cast<locale_t>(nullptr));
        systemError = strerror_l(ENOENT, zhTW);
        freelocale(zhTW);
    }
    // The command writes the error box's text, one line of it per line. The
    // column of the trigger's position is the engine's own count and is left out.
    const struct {
        std::string database;
        std::string text;
    } cases[] = {
        {missing,
         "dbExpress Error: [0x0015]: Connection failed\n"
         "SQL Server Error: I/O error during \"open\" operation for file \"" + missing + "\"\n"
         "Error while trying to open file\n" + systemError + ".\n"},
        {db.databasePath(),
         "dbExpress Error: [0x0065]: SQL Error\n"
         "SQL Server Error: exception 1\nMEMBER_BLOCKED\n禁止加入會員\n"
         "At trigger 'MEMBER_CHECK' line: 1, col: "},
    };
    db.detach();
    for (const auto& c : cases) {
        db.writeConfiguration({{"Database", c.database}, {"ServerCharSet", "BIG_5"}});
        ChildProcess run({didu::test::executableFolder() + "/diduradozori-transfer", "--quiet"}, desktop);
        EXPECT_EQ(run.wait(60s), 1);
        EXPECT_EQ(run.errorOutput().substr(0, c.text.size()), c.text);
    }
}

} // namespace
