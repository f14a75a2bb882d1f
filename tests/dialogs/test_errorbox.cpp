// The error box and the start-up error box.
#include "app/errorbox.h"
#include "app/modaldisplay.h"
#include "platform/errors.h"
#include "platform/library.h"
#include "tests/dialogs/dialoghelpers.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <memory>

namespace didu {
namespace {

struct SeenBox {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
};

SeenBox look(QDialog& dialog)
{
    SeenBox seen;
    auto* box = qobject_cast<QMessageBox*>(&dialog);
    if (!box)
        return seen;
    seen.title = box->windowTitle();
    seen.text = box->text();
    seen.icon = box->icon();
    for (QAbstractButton* button : box->buttons())
        seen.buttons << button->text().remove(QLatin1Char('&'));
    return seen;
}

/// What `show` puts on the screen, closed with Enter; `shown` counts the boxes.
SeenBox showAndClose(const std::function<void()>& show, int* shown = nullptr)
{
    SeenBox seen;
    test::DialogAnswerer answerer([&](QDialog& d) {
        seen = look(d);
        QTest::keyClick(&d, Qt::Key_Return);
    });
    show();
    if (shown)
        *shown = answerer.count();
    return seen;
}

SeenBox showAndClose(const std::exception& error, int* shown = nullptr)
{
    return showAndClose([&] { showError(error); }, shown);
}

/// The start-up text's first line for an error of `kind`, in this test program.
std::string startupPrefix(const std::string& kind, const char* lineEnd = "\r\n")
{
    const std::string module = executablePath().substr(executablePath().find_last_of('/') + 1);
    return "Exception " + kind + " in module " + module + " at 00000000." + lineEnd;
}

TEST(ErrorBox, ShowsTheMessageWithTheFullStopRule)
{
    struct Case {
        std::string message;
        QString shown;
    };
    const std::vector<Case> cases = {
        {"Unable to execute Query", "Unable to execute Query."},
        {"Record not found or changed by another user", "Record not found or changed by another user."},
        {"SQLQuery1: Parameter 'X' not found", "SQLQuery1: Parameter 'X' not found."},
        {"Already done.", "Already done."},
        {"Stop!", "Stop!"},
        {"(none)", "(none)"},
        {"", ""},
        {"\xe8\xb3\x87\xe6\x96\x99", QString::fromUtf8("資料.")},
    };
    for (const auto& c : cases) {
        int shown = 0;
        const SeenBox seen = showAndClose(DatabaseError(c.message), &shown);
        EXPECT_EQ(shown, 1);
        EXPECT_EQ(seen.text, c.shown) << c.message;
        EXPECT_EQ(seen.icon, QMessageBox::Critical);
        EXPECT_EQ(seen.buttons, QStringList{"OK"});
        EXPECT_EQ(seen.title, QStringLiteral("Diduradozori"));
    }
    // The silent error shows nothing.
    int shown = -1;
    showAndClose(AbortError(), &shown);
    EXPECT_EQ(shown, 0);
}

TEST(ErrorBox, TitleIsReadWhenTheBoxShows)
{
    QApplication::setApplicationDisplayName(QStringLiteral("Renamed"));
    const SeenBox renamed = showAndClose(Error("x"));
    QApplication::setApplicationDisplayName(QStringLiteral("Diduradozori"));
    EXPECT_EQ(renamed.title, QStringLiteral("Renamed"));
    EXPECT_EQ(showAndClose(Error("x")).title, QStringLiteral("Diduradozori"));
}

TEST(ErrorBox, CtrlCCopiesTheBoxInSevenLines)
{
    QGuiApplication::clipboard()->clear();
    test::DialogAnswerer answerer([](QDialog& d) {
        QTest::keyClick(&d, Qt::Key_C, Qt::ControlModifier);
        QTest::keyClick(&d, Qt::Key_Return);
    });
    showError(DatabaseError("Unable to execute Query"));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), test::copiedBox("Diduradozori", "Unable to execute Query."));
}

TEST(ErrorBox, ReleasesAPressedButtonAndGivesFocusBack)
{
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* button = new QPushButton(QStringLiteral("B"), &window);
    button->setFocusPolicy(Qt::NoFocus); // the press must not move the focus itself
    auto* first = new QLineEdit(&window);
    auto* second = new QLineEdit(&window);
    layout->addWidget(button);
    layout->addWidget(first);
    layout->addWidget(second);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    second->setFocus();
    int clicks = 0;
    QObject::connect(button, &QPushButton::clicked, [&] { ++clicks; });
    QTest::mousePress(button, Qt::LeftButton);
    ASSERT_TRUE(button->isDown());

    bool otherWindowBlocked = false;
    test::DialogAnswerer answerer([&](QDialog& d) {
        otherWindowBlocked = QApplication::activeModalWidget() == &d;
        QTest::keyClick(&d, Qt::Key_Return);
    });
    showError(DatabaseError("boom"));
    EXPECT_TRUE(otherWindowBlocked);
    EXPECT_FALSE(button->isDown());
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    QTest::mouseRelease(button, Qt::LeftButton);
    EXPECT_EQ(clicks, 0); // the press was cancelled, not turned into a click
    EXPECT_EQ(window.focusWidget(), second);
    // Activation comes back through the window system's events.
    EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    EXPECT_EQ(QApplication::focusWidget(), second);
}

TEST(StartupErrorBox, TextFormatAndTheBoxThatShowsIt)
{
    struct Case {
        std::unique_ptr<std::exception> error;
        std::string expected;
    };
    std::vector<Case> cases;
    cases.push_back({std::make_unique<DatabaseError>("Unable to open"),
                     startupPrefix("EDatabaseError") + "Unable to open.\r\n"});
    cases.push_back({std::make_unique<ConfigurationError>("Invalid data type for 'X'"),
                     startupPrefix("EConfigurationError") + "Invalid data type for 'X'.\r\n"});
    cases.push_back({std::make_unique<Error>("Ends in a stop."), startupPrefix("Exception") + "Ends in a stop.\r\n"});
    // Unlike the error box, only a final "." is spared.
    cases.push_back({std::make_unique<Error>("Wow!"), startupPrefix("Exception") + "Wow!.\r\n"});
    cases.push_back({std::make_unique<Error>(""), startupPrefix("Exception") + "\r\n"});
    cases.push_back({std::make_unique<std::runtime_error>("plain"),
                     startupPrefix("std::runtime_error") + "plain.\r\n"});
    for (const auto& c : cases)
        EXPECT_EQ(startupErrorText(*c.error), c.expected);

    int shown = 0;
    const SeenBox seen = showAndClose([] { showStartupError(DatabaseError("Unable to open")); }, &shown);
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(seen.title, QStringLiteral("Application Error"));
    EXPECT_EQ(seen.icon, QMessageBox::Critical);
    EXPECT_EQ(seen.buttons, QStringList{"OK"});
    EXPECT_EQ(seen.text.toStdString(), startupPrefix("EDatabaseError", "\n") + "Unable to open.");
}

// This test program run again with `arguments`: its exit code (128 + the
// signal when one ended it) and everything it wrote.
std::pair<int, std::string> runSelf(const std::string& arguments)
{
    const std::string command = executablePath() + " " + arguments + " 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return {-1, "cannot start " + command};
    std::string output;
    char buffer[256];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
        output.append(buffer, n);
    const int status = ::pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), output};
}

TEST(StartupErrorBox, WithoutADisplayTheTextGoesToStandardError)
{
    const auto [code, output] = runSelf("--startup-error-without-display 'no display'");
    EXPECT_EQ(code, 1);
    EXPECT_EQ(output, startupPrefix("EDatabaseError") + "no display.\r\n");
}

TEST(StartupErrorBox, AnyFailureWhileTheWindowIsBuiltShowsTheBoxAndEndsWithOne)
{
    const std::string prefix = "Application Error|" + startupPrefix("Exception", "\n");
    const struct {
        const char* how;
        std::string box;
    } cases[] = {
        {"foreign", prefix + "Unknown error.\n"},
        {"fatal", prefix + "The window cannot be made.\n"},
    };
    for (const auto& c : cases) {
        const auto [code, output] = runSelf(std::string("--window-fails ") + c.how);
        EXPECT_EQ(code, 1) << c.how << ": " << output;
        EXPECT_TRUE(output.ends_with(c.box)) << c.how << ": " << output; // after whatever Qt says
    }
}

} // namespace
} // namespace didu
