#include "app/bitbtn.h"
#include "app/frmdiduradozori.h"
#include "app/informationdialog.h"
#include "app/panel.h"
#include "platform/errors.h"

#include <QApplication>
#include <QMessageBox>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

using didu::TFormDiduRaDozori;

// A shown, active window whose OK only counts, so the keys are checked apart
// from the database.
class FormKeys : public testing::Test {
protected:
    void SetUp() override
    {
        form = std::make_unique<TFormDiduRaDozori>();
        form->setTransferRunner([this] { ++runs; });
        form->showCentred();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }

    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : form.get();
        QTest::keyClick(target, key, modifiers);
    }

    QString focusName() const
    {
        QWidget* focus = QApplication::focusWidget();
        return focus ? focus->objectName() : QStringLiteral("(none)");
    }

    bool closed() const { return !form->isVisible(); }

    std::unique_ptr<TFormDiduRaDozori> form;
    int runs = 0;
};

TEST_F(FormKeys, TheFirstFocusIsOkAndEnterRunsTheTransfer)
{
    EXPECT_EQ(focusName(), "BitBtn1");
    press(Qt::Key_Return);
    EXPECT_EQ(runs, 1);
    press(Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(runs, 2);
    EXPECT_FALSE(closed());
}

TEST_F(FormKeys, TabAndShiftTabVisitOnlyTheTwoButtonsAndWrap)
{
    struct Step {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        const char* focus;
    };
    const Step steps[] = {
        {Qt::Key_Tab, Qt::NoModifier, "BitBtn2"},
        {Qt::Key_Tab, Qt::NoModifier, "BitBtn1"},
        {Qt::Key_Backtab, Qt::ShiftModifier, "BitBtn2"},
        {Qt::Key_Tab, Qt::ShiftModifier, "BitBtn1"},
        {Qt::Key_Tab, Qt::ControlModifier, "BitBtn1"}, // not acted on
        {Qt::Key_Tab, Qt::AltModifier, "BitBtn1"},
        {Qt::Key_Down, Qt::NoModifier, "BitBtn2"},
        {Qt::Key_Down, Qt::NoModifier, "Panel1"},      // arrows reach the panel
        {Qt::Key_Tab, Qt::NoModifier, "BitBtn1"},      // Tab from the panel: the next stop
        {Qt::Key_Left, Qt::NoModifier, "Panel1"},
        {Qt::Key_Backtab, Qt::ShiftModifier, "BitBtn2"},
    };
    for (const Step& s : steps) {
        press(s.key, s.modifiers);
        EXPECT_EQ(focusName(), s.focus) << "after key " << s.key << " with " << s.modifiers;
    }
    EXPECT_EQ(runs, 0);
}

TEST_F(FormKeys, ArrowsMoveOverTheWindowsThreeChildrenAndWrap)
{
    struct Step {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        const char* focus;
    };
    const Step steps[] = {
        {Qt::Key_Right, Qt::NoModifier, "BitBtn2"},
        {Qt::Key_Right, Qt::NoModifier, "Panel1"},
        {Qt::Key_Down, Qt::NoModifier, "BitBtn1"},
        {Qt::Key_Left, Qt::NoModifier, "Panel1"},
        {Qt::Key_Up, Qt::NoModifier, "BitBtn2"},
        {Qt::Key_Up, Qt::NoModifier, "BitBtn1"},
        {Qt::Key_Right, Qt::AltModifier, "BitBtn1"}, // not acted on while Alt is held
        {Qt::Key_Down, Qt::AltModifier, "BitBtn1"},
        {Qt::Key_Right, Qt::ControlModifier, "BitBtn2"},
        {Qt::Key_Left, Qt::ShiftModifier, "BitBtn1"},
    };
    for (const Step& s : steps) {
        press(s.key, s.modifiers);
        EXPECT_EQ(focusName(), s.focus) << "after key " << s.key << " with " << s.modifiers;
    }
}

TEST_F(FormKeys, EnterOnThePanelRunsTheTransferAndTheDefaultButtonShowsIt)
{
    press(Qt::Key_Left);
    ASSERT_EQ(focusName(), "Panel1");
    EXPECT_TRUE(form->BitBtn1()->isEnterTarget());
    EXPECT_FALSE(form->BitBtn2()->isEnterTarget());
    press(Qt::Key_Return);
    EXPECT_EQ(runs, 1);
    press(Qt::Key_Space); // Space clicks only a focused button
    EXPECT_EQ(runs, 1);
    EXPECT_FALSE(closed());

    press(Qt::Key_Tab);
    press(Qt::Key_Tab);
    ASSERT_EQ(focusName(), "BitBtn2");
    EXPECT_FALSE(form->BitBtn1()->isEnterTarget());
    EXPECT_TRUE(form->BitBtn2()->isEnterTarget());
}

TEST_F(FormKeys, EnterWithModifiersAndEscWithModifiersDoNothing)
{
    for (Qt::KeyboardModifiers m : {Qt::ShiftModifier, Qt::ControlModifier, Qt::AltModifier}) {
        press(Qt::Key_Return, m);
        press(Qt::Key_Escape, m);
    }
    EXPECT_EQ(runs, 0);
    EXPECT_FALSE(closed());
}

TEST_F(FormKeys, EnterOnCancelCloses)
{
    press(Qt::Key_Tab);
    press(Qt::Key_Return);
    EXPECT_TRUE(closed());
    EXPECT_EQ(runs, 0);
}

TEST_F(FormKeys, EscClosesWhereverTheFocusIs)
{
    press(Qt::Key_Left);
    ASSERT_EQ(focusName(), "Panel1");
    press(Qt::Key_Escape);
    EXPECT_TRUE(closed());
    EXPECT_EQ(runs, 0);
}

TEST_F(FormKeys, SpaceClicksTheFocusedButton)
{
    press(Qt::Key_Space);
    EXPECT_EQ(runs, 1);
    press(Qt::Key_Tab);
    press(Qt::Key_Space);
    EXPECT_TRUE(closed());
}

TEST_F(FormKeys, AltF4ClosesLikeCancel)
{
    press(Qt::Key_F4, Qt::ControlModifier);
    EXPECT_FALSE(closed());
    press(Qt::Key_F4, Qt::AltModifier);
    EXPECT_TRUE(closed());
}

TEST_F(FormKeys, AnErrorInOkGoesToTheErrorBoxAndTheWindowGoesOn)
{
    QString shownText, shownTitle;
    int boxes = 0;
    didu::setModalDialogHook([&](QDialog& dialog) {
        ++boxes;
        if (auto* box = qobject_cast<QMessageBox*>(&dialog)) {
            shownText = box->text();
            shownTitle = box->windowTitle();
        }
        dialog.accept();
    });
    form->setTransferRunner([] { throw didu::DatabaseError("Unable to execute Query"); });
    press(Qt::Key_Return);
    EXPECT_EQ(boxes, 1);
    EXPECT_EQ(shownText, "Unable to execute Query.");
    EXPECT_EQ(shownTitle, QApplication::applicationDisplayName());

    // The silent error shows nothing.
    form->setTransferRunner([] { throw didu::AbortError(); });
    press(Qt::Key_Return);
    EXPECT_EQ(boxes, 1);
    didu::setModalDialogHook({});

    EXPECT_FALSE(closed());
    form->setTransferRunner([this] { ++runs; });
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    press(Qt::Key_Return);
    EXPECT_EQ(runs, 1);
}

} // namespace
