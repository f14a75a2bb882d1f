// The window's database objects against the recording driver: nothing reaches
// a driver before OK, and closing lets every statement go before the
// connection disconnects.
#include "app/frmdiduradozori.h"
#include "app/informationdialog.h"
#include "tests/support/recording/recordingsetup.h"

#include <QDialog>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

using didu::recording::Column;
using didu::recording::Rows;

Rows customers()
{
    Rows rows;
    for (const char* name : {"CUST_ID", "CUST_NAME", "TEL_1", "BUSINESS_ADD", "MAIL_NUM", "SALES_ID"})
        rows.columns.push_back(Column{name, dbx::FieldZString, 0, 21});
    rows.rows.push_back({"C1", "Chen", "02-1", "Taipei", "100", "S1"});
    rows.rows.push_back({"C2", "Lin", std::nullopt, std::nullopt, std::nullopt, std::nullopt});
    return rows;
}

TEST(FormShutdown, NothingReachesTheDriverBeforeOkAndStatementsGoBeforeTheConnection)
{
    auto config = didu::recording::useRecordingDriver();
    auto& driver = didu::recording::control();
    driver.setRows("select * from CUSTOMER ", customers());
    Rows member;
    member.columns.push_back(Column{"MEMBER_ID", dbx::FieldZString, 0, 11});
    member.rows.push_back({"C1"});
    driver.setRows("SELECT MEMBER_ID FROM MEMBER \r\n WHERE MEMBER_ID = 'C1'\r\n", member);
    member.rows.clear();
    driver.setRows("SELECT MEMBER_ID FROM MEMBER \r\n WHERE MEMBER_ID = 'C2'\r\n", member);

    auto form = std::make_unique<didu::TFormDiduRaDozori>();
    EXPECT_TRUE(driver.calls().empty()) << driver.calls().front();

    int dialogs = 0;
    didu::setModalDialogHook([&](QDialog& dialog) {
        ++dialogs;
        dialog.accept();
    });
    form->BitBtn1Click();
    didu::setModalDialogHook({});
    ASSERT_EQ(dialogs, 1);
    // The lookup of C1 found it; C2 was inserted.
    EXPECT_EQ(driver.callsStartingWith("Command.execute").size(), 4u);
    EXPECT_GT(driver.liveObjects("Command"), 0);

    form.reset();
    EXPECT_EQ(driver.liveObjects("Command"), 0);
    EXPECT_EQ(driver.liveObjects("Cursor"), 0);
    EXPECT_EQ(driver.liveObjects("Connection"), 0);

    const std::vector<std::string> calls = driver.calls();
    const auto disconnect = std::find(calls.begin(), calls.end(), "Connection.disconnect()");
    ASSERT_NE(disconnect, calls.end());
    for (auto it = disconnect; it != calls.end(); ++it)
        EXPECT_TRUE(it->rfind("Command.", 0) != 0 && it->rfind("Cursor.", 0) != 0)
            << *it << " after the disconnect";
}

} // namespace
