// The information dialog: texts, layout from dialog units, the ways it closes,
// and the Ctrl+C copy.
#include "app/informationdialog.h"
#include "app/modaldisplay.h"
#include "tests/dialogs/dialoghelpers.h"

#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace didu {
namespace {

const QString kComplete = QString::fromUtf8("資料轉移完成.");

QFont knownFont()
{
    QFont font(QStringLiteral("WenQuanYi Zen Hei"));
    font.setPixelSize(11);
    return font;
}

TEST(InformationDialog, TextsIconAndOneButton)
{
    InformationDialog dialog(kComplete);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Information"));
    EXPECT_EQ(dialog.messageLabel()->text(), kComplete);
    EXPECT_FALSE(dialog.iconLabel()->pixmap().isNull());
    const auto buttons = dialog.findChildren<QPushButton*>();
    ASSERT_EQ(buttons.size(), 1);
    EXPECT_EQ(buttons.front()->text(), QStringLiteral("OK"));
    EXPECT_TRUE(buttons.front()->isDefault());
    const Qt::WindowFlags flags = dialog.windowFlags();
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize()); // not resizable
}

TEST(InformationDialog, LayoutFollowsDialogUnitsOfItsFont)
{
    const QFont font = knownFont();
    const QFontMetrics metrics(font);
    const int x = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) / 52;
    const int y = metrics.height();
    ASSERT_GT(x, 0);
    auto h = [x](int units) { return qRound(units * x / 4.0); };
    auto v = [y](int units) { return qRound(units * y / 8.0); };

    InformationDialog dialog(kComplete, font);
    const QRect text = dialog.messageLabel()->geometry();
    const QRect icon = dialog.iconLabel()->geometry();
    const QRect ok = dialog.okButton()->geometry();

    EXPECT_EQ(icon, QRect(h(8), v(8), 32, 32));
    // A short message is one line, as wide as it is.
    const int half = QGuiApplication::primaryScreen()->geometry().width() / 2;
    const QRect measured = metrics.boundingRect(QRect(0, 0, half, 0),
                                                Qt::AlignLeft | Qt::TextWordWrap | Qt::TextExpandTabs, kComplete);
    EXPECT_EQ(text.size(), measured.size());
    EXPECT_EQ(text.height(), y);
    EXPECT_EQ(text.topLeft(), QPoint(32 + h(10) + h(8), v(8)));
    const int buttonWidth = std::max(h(50), metrics.horizontalAdvance(QStringLiteral("OK")) + 8);
    EXPECT_EQ(ok.size(), QSize(buttonWidth, v(14)));
    const int iconTextWidth = text.width() + 32 + h(10);
    const int clientWidth = std::max(iconTextWidth, buttonWidth) + 2 * h(8);
    const int clientHeight = std::max(text.height(), 32) + v(14) + v(10) + 2 * v(8);
    EXPECT_EQ(dialog.size(), QSize(clientWidth, clientHeight));
    EXPECT_EQ(ok.topLeft(), QPoint((clientWidth - buttonWidth) / 2, std::max(text.height(), 32) + v(8) + v(10)));

    // Centred on the screen.
    const QPoint centre = QGuiApplication::primaryScreen()->geometry().center();
    EXPECT_LE(std::abs(dialog.geometry().center().x() - centre.x()), 1);
    EXPECT_LE(std::abs(dialog.geometry().center().y() - centre.y()), 1);
}

TEST(InformationDialog, LongMessagesWrapAtHalfTheScreen)
{
    QString message;
    for (int i = 0; i < 60; ++i)
        message += QStringLiteral("customer\tmember ");
    InformationDialog dialog(message, knownFont());
    const int half = QGuiApplication::primaryScreen()->geometry().width() / 2;
    const QRect text = dialog.messageLabel()->geometry();
    EXPECT_LE(text.width(), half);
    EXPECT_GT(text.width(), half / 2);
    EXPECT_GE(text.height(), 3 * QFontMetrics(knownFont()).height());
    EXPECT_GT(dialog.height(), text.height());
}

TEST(InformationDialog, EnterEscAndClickAnswerOkTheCloseBoxAnswersClosed)
{
    struct Case {
        const char* what;
        std::function<void(QDialog&)> answer;
        int result;
    };
    auto focus = [](QDialog& dialog) -> QWidget* {
        return dialog.focusWidget() ? dialog.focusWidget() : &dialog;
    };
    const std::vector<Case> cases = {
        {"Enter", [&](QDialog& d) { QTest::keyClick(focus(d), Qt::Key_Return); }, InformationOk},
        {"keypad Enter", [&](QDialog& d) { QTest::keyClick(focus(d), Qt::Key_Enter); }, InformationOk},
        {"Esc", [&](QDialog& d) { QTest::keyClick(focus(d), Qt::Key_Escape); }, InformationOk},
        {"click", [](QDialog& d) { QTest::mouseClick(d.findChild<QPushButton*>(), Qt::LeftButton); }, InformationOk},
        {"close box", [](QDialog& d) { d.close(); }, InformationClosed},
    };
    for (const auto& c : cases) {
        bool wasVisible = false;
        test::DialogAnswerer answerer([&](QDialog& d) {
            wasVisible = d.isVisible() && QApplication::activeModalWidget() == &d;
            c.answer(d);
        });
        EXPECT_EQ(showInformationMessage(kComplete), c.result) << c.what;
        EXPECT_EQ(answerer.count(), 1) << c.what;
        EXPECT_TRUE(wasVisible) << c.what;
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << c.what;
        EXPECT_TRUE(QApplication::topLevelWidgets().isEmpty() || !qobject_cast<InformationDialog*>(QApplication::activeModalWidget()));
    }
}

TEST(InformationDialog, QuittingMeanwhileAnswersClosed)
{
    // As in the program: the dialog is up inside the application's own loop
    // when the program is told to quit.
    int result = 0;
    QTimer::singleShot(0, qApp, [&] {
        test::DialogAnswerer answerer([](QDialog&) { QCoreApplication::quit(); });
        result = showInformationMessage(kComplete);
    });
    // A safety net only: it fires only if the quit fails to end the loops.
    QTimer::singleShot(10000, qApp, [] { QCoreApplication::exit(99); });
    EXPECT_EQ(QCoreApplication::exec(), 0);
    EXPECT_EQ(result, InformationClosed);
}

TEST(InformationDialog, OtherWindowsTakeNoInputWhileItIsUp)
{
    QWidget window;
    window.show();
    bool blocked = false;
    test::DialogAnswerer answerer([&](QDialog& d) {
        blocked = QApplication::activeModalWidget() == &d && d.isModal();
        QTest::keyClick(d.focusWidget(), Qt::Key_Return);
    });
    showInformationMessage(kComplete, &window);
    EXPECT_TRUE(blocked);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST(InformationDialog, CtrlCBeepsAndCopiesSevenLines)
{
    QGuiApplication::clipboard()->clear();
    test::DialogAnswerer answerer([](QDialog& d) {
        QTest::keyClick(d.focusWidget(), Qt::Key_C, Qt::ControlModifier);
        QTest::keyClick(d.focusWidget(), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier); // not a copy
        EXPECT_TRUE(d.isVisible());
        QTest::keyClick(d.focusWidget(), Qt::Key_Return);
    });
    showInformationMessage(kComplete);
    const QString expected = test::copiedBox("Information", kComplete);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), expected);
    EXPECT_EQ(QGuiApplication::clipboard()->text().split(QStringLiteral("\r\n")).size(), 8); // seven lines, then nothing
}

TEST(InformationDialog, ClipboardThatCannotBeTakenIsReportedAndTheDialogStays)
{
    setClipboardWriterForTesting([](const QString&) { return false; });
    QString errorText;
    bool stayedOpen = false;
    test::DialogAnswerer answerer([&](QDialog& d) {
        if (auto* box = qobject_cast<QMessageBox*>(&d)) {
            errorText = box->text();
            box->accept();
            return;
        }
        QTest::keyClick(d.focusWidget(), Qt::Key_C, Qt::ControlModifier);
        stayedOpen = d.isVisible();
        QTest::keyClick(d.focusWidget(), Qt::Key_Return);
    });
    EXPECT_EQ(showInformationMessage(kComplete), InformationOk);
    setClipboardWriterForTesting({});
    EXPECT_EQ(errorText, QStringLiteral("Cannot open clipboard."));
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(answerer.count(), 2);
}

TEST(DialogCopyText, AmpersandsDropAndEveryButtonGetsThreeSpaces)
{
    EXPECT_EQ(dialogCopyText("T", "M", {"&Yes", "N&o"}), test::copiedBox("T", "M", "Yes   No   "));
}

} // namespace
} // namespace didu
