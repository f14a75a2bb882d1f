// A shop's Big5 data on a real embedded database, run the way Taiwanese desktops
// run the program: under the real zh_TW.BIG5 locale, and under zh_TW.UTF-8 with
// "ServerCharSet=BIG_5". Names are cut on whole Big5 characters, an id whose
// second byte is a back quote reaches the server whole, the change time is
// "hh:nn:ss", and a Big5 message raised by the database reads as Chinese.
#include "tests/transfer/transferfixture.h"

#include "platform/codepage.h"
#include "platform/errors.h"
#include "platform/timeseparator.h"
#include "tests/support/locales/privatelocale.h"

namespace didu::test {
namespace {

const std::string kChen = "\xb3\xaf";               // 陳
const std::string kBackQuoteSecond = "\xa4\x60";    // 亡, second byte "`"
// 禁止加入會員: its second bytes include "T", "[", "J" and "|".
const std::string kBlockedBig5 = "\xb8\x54\xa4\xee\xa5\x5b\xa4\x4a\xb7\x7c\xad\xfb";
const std::string kBlockedUtf8 = "禁止加入會員";

struct Desktop {
    const char* locale;
    const char* serverCharSet;
};

class Big5Transfer : public TransferRun, public ::testing::WithParamInterface<Desktop> {};

TEST_P(Big5Transfer, WholeCharactersExactIdsAndReadableMessages)
{
    const Desktop desktop = GetParam();
    const auto folder = privateLocales({desktop.locale});
    ASSERT_TRUE(folder) << "localedef cannot build " << desktop.locale << " here";
    ScopedLocale locale(*folder, desktop.locale);
    reloadTimeSeparator();

    // The shop's exception text is stored as Big5 bytes, as its old system wrote it.
    open(std::string(kCustomerTable) + kMemberTable + "CREATE EXCEPTION MEMBER_BLOCKED '" + kBlockedBig5 + "';");
    db->execute("CREATE TRIGGER MEMBER_CHECK FOR MEMBER BEFORE INSERT AS BEGIN"
                " IF (NEW.MEMBER_ID = 'BLOCK') THEN EXCEPTION MEMBER_BLOCKED; END");
    if (*desktop.serverCharSet)
        db->writeConfiguration({{"ServerCharSet", desktop.serverCharSet}});

    struct Customer {
        std::string id;
        std::string name;
        std::string memberName;
    };
    const std::vector<Customer> customers = {
        {"K0", repeat(kChen, 10), repeat(kChen, 10)},
        {"K1", repeat(kChen, 11), repeat(kChen, 10)},
        {"K2", "A" + repeat(kChen, 10), "A" + repeat(kChen, 9)},
        {kBackQuoteSecond + ":x", kBackQuoteSecond + ":x", kBackQuoteSecond + ":x"},
    };
    for (const Customer& c : customers)
        addCustomer({c.id, c.name, "02", "Taipei", "100", "S1"});
    clock.times = {{8, 31, 28, 0}};

    run();
    EXPECT_EQ(view.messages, std::vector<std::string>{"資料轉移完成."});
    EXPECT_EQ(connection->params().value("ServerCharSet"), desktop.serverCharSet);
    EXPECT_EQ(connection->codePage().name(), "BIG5");
    std::vector<Row> expected;
    for (const Customer& c : customers)
        expected.push_back(memberRow(c.id, c.memberName, "02", "Taipei", "100", "S1", "08:31:28"));
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(members(), expected);

    addCustomer({"BLOCK", "x", "", "", "", ""});
    try {
        run();
        ADD_FAILURE() << "the trigger did not stop the run";
    } catch (const DatabaseError& error) {
        const std::string text = error.what();
        EXPECT_NE(text.find(kBlockedUtf8), std::string::npos) << text;
    }
    EXPECT_EQ(members().size(), customers.size());
}

INSTANTIATE_TEST_SUITE_P(Desktops, Big5Transfer,
                         ::testing::Values(Desktop{"zh_TW.BIG5", ""}, Desktop{"zh_TW.UTF-8", "BIG_5"}),
                         [](const auto& info) { return std::string(*info.param.serverCharSet ? "Utf8Desktop" : "Big5Desktop"); });

} // namespace
} // namespace didu::test
