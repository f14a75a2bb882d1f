// OK in the real window over a fresh embedded database, through the real
// driver and store plugins: the bar, the completion dialog, the error box.
#include "app/frmdiduradozori.h"
#include "app/informationdialog.h"
#include "app/progressbar.h"
#include "tests/support/tempdb/tempdatabase.h"
#include "tests/window/dialogrecorder.h"
#include "transfer/transfersession.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

using didu::TFormDiduRaDozori;
using didu::test::TempDatabase;

std::string salesSchema()
{
    QFile file(QStringLiteral(DIDU_SALES_SCHEMA));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll().toStdString();
}

using didu::test::Dialogs;

class FormTransfer : public testing::Test {
protected:
    void SetUp() override
    {
        db = std::make_unique<TempDatabase>(salesSchema());
        addCustomers({"C001", "C002", "C003"});
        // C002 is a member already.
        db->execute("INSERT INTO MEMBER (MEMBER_ID, MEMBER_NAME) VALUES ('C002', 'old')");
        // Made after the fixture, so the window's connection finds its files.
        form = std::make_unique<TFormDiduRaDozori>();
        form->showCentred();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        QObject::connect(form->ProgressBar1(), &QProgressBar::valueChanged,
                         [this](int value) { positions << value; });
    }

    void addCustomers(const std::vector<std::string>& ids)
    {
        for (const std::string& id : ids)
            db->execute("INSERT INTO CUSTOMER VALUES (?, ?, ?, ?, ?, ?)",
                        {id, "\xe9\x99\xb3\xe5\xb0\x8f\xe6\x98\x8e " + id, "02-1234", std::nullopt, "100", "S1"});
    }

    void pressOk()
    {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : form->focusWidget();
        QTest::keyClick(target ? target : form.get(), Qt::Key_Return);
    }

    std::string memberCount() { return db->scalar("SELECT COUNT(*) FROM MEMBER").value_or("NULL"); }

    std::unique_ptr<TempDatabase> db;
    std::unique_ptr<TFormDiduRaDozori> form;
    QList<int> positions;
};

TEST_F(FormTransfer, TwoRunsFillTheBarOnceAndAGrownTableCountsOn)
{
    Dialogs dialogs;
    pressOk();
    EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("|").toStdString();
    EXPECT_EQ(dialogs.messages, QStringList{QStringLiteral("資料轉移完成.")});
    EXPECT_EQ(form->ProgressBar1()->progressMaximum(), 3);
    EXPECT_EQ(form->ProgressBar1()->progressPosition(), 3);
    EXPECT_EQ(positions, (QList<int>{1, 2, 3}));
    EXPECT_EQ(memberCount(), "3");
    const auto row = db->query("SELECT MEMBER_NAME, MEMBER_PHONE, MEMBER_ADD, CARD_ID FROM MEMBER WHERE MEMBER_ID = 'C003'");
    ASSERT_EQ(row.size(), 1u);
    EXPECT_EQ(row[0][0], "\xe9\x99\xb3\xe5\xb0\x8f\xe6\x98\x8e C003");
    EXPECT_EQ(row[0][1], "02-1234");
    EXPECT_EQ(row[0][2], "");   // a NULL customer column reads as empty text
    EXPECT_EQ(row[0][3], "C003");

    // Again: the bar is full from the first step and never drops back.
    positions.clear();
    pressOk();
    EXPECT_EQ(dialogs.messages.size(), 2);
    EXPECT_TRUE(positions.isEmpty());
    EXPECT_EQ(form->ProgressBar1()->progressPosition(), 3);
    EXPECT_EQ(memberCount(), "3");

    // Two more customers: the new maximum, then counting on from 3.
    addCustomers({"C004", "C005"});
    pressOk();
    EXPECT_EQ(form->ProgressBar1()->progressMaximum(), 5);
    EXPECT_EQ(positions, (QList<int>{4, 5}));
    EXPECT_EQ(memberCount(), "5");
    EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("|").toStdString();
}

TEST_F(FormTransfer, NoCustomersLeavesTheBarAsItWasAndShowsNothing)
{
    Dialogs dialogs;
    db->execute("DELETE FROM CUSTOMER");
    form->session().progress().setPosition(42);
    form->showProgress(form->session().progress());
    positions.clear();
    pressOk();
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("|").toStdString();
    EXPECT_EQ(form->ProgressBar1()->progressMaximum(), 100);
    EXPECT_EQ(form->ProgressBar1()->progressPosition(), 42);
    EXPECT_TRUE(positions.isEmpty());
}

TEST_F(FormTransfer, AnErrorMidwayKeepsTheRowsAndTheBarAndOkWorksAgain)
{
    Dialogs dialogs;
    db->execute("ALTER TABLE MEMBER ADD CONSTRAINT NOT_C003 CHECK (MEMBER_ID <> 'C003')");
    pressOk();
    ASSERT_EQ(dialogs.errors.size(), 1);
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_TRUE(dialogs.errors[0].contains("NOT_C003")) << dialogs.errors[0].toStdString();
    EXPECT_EQ(form->ProgressBar1()->progressMaximum(), 3);
    EXPECT_EQ(form->ProgressBar1()->progressPosition(), 3); // the third customer failed
    EXPECT_EQ(memberCount(), "2");                          // C001 stays inserted
    EXPECT_TRUE(form->isVisible());

    db->execute("ALTER TABLE MEMBER DROP CONSTRAINT NOT_C003");
    pressOk();
    EXPECT_EQ(dialogs.errors.size(), 1);
    EXPECT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(memberCount(), "3");
}

} // namespace
