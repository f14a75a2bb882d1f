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
#include <utility>
#include <vector>

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

TEST_F(FormKeys, TabVisitsTheTwoButtonsArrowsAllThreeChildrenAndBothWrap)
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
        {Qt::Key_Tab, Qt::NoModifier, "BitBtn1"},
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
    EXPECT_EQ(runs, 0);
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

TEST_F(FormKeys, WhichKeysCloseTheWindowAndWhichRunTheTransfer)
{
    using Key = std::pair<Qt::Key, Qt::KeyboardModifiers>;
    struct Case {
        const char* what;
        std::vector<Key> keys; // pressed on a fresh window, focus on OK
        int runs;
        bool closed;
    };
    const Qt::KeyboardModifiers none = Qt::NoModifier;
    std::vector<Case> cases = {
        {"Enter on Cancel closes", {{Qt::Key_Tab, none}, {Qt::Key_Return, none}}, 0, true},
        {"Esc on the panel closes", {{Qt::Key_Left, none}, {Qt::Key_Escape, none}}, 0, true},
        {"Space clicks the focused OK", {{Qt::Key_Space, none}}, 1, false},
        {"Space clicks OK, then Cancel", {{Qt::Key_Space, none}, {Qt::Key_Tab, none}, {Qt::Key_Space, none}}, 1, true},
        {"Ctrl+F4 does nothing", {{Qt::Key_F4, Qt::ControlModifier}}, 0, false},
        {"Alt+F4 closes like Cancel", {{Qt::Key_F4, Qt::AltModifier}}, 0, true},
        {"Enter and Esc with modifiers do nothing", {}, 0, false},
    };
    for (Qt::KeyboardModifiers m : {Qt::ShiftModifier, Qt::ControlModifier, Qt::AltModifier}) {
        cases.back().keys.push_back({Qt::Key_Return, m});
        cases.back().keys.push_back({Qt::Key_Escape, m});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        form.reset();
        runs = 0;
        SetUp();
        for (const auto& [key, modifiers] : c.keys)
            press(key, modifiers);
        EXPECT_EQ(runs, c.runs);
        EXPECT_EQ(closed(), c.closed);
    }
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
