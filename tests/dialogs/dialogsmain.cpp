// The dialog tests run inside one QApplication on the offscreen platform. Run
// with --startup-error-without-display MESSAGE, the program instead shows the
// start-up error with no application object at all, as main() does when no
// display can be opened, so a test can check what reaches standard error.
// Run with --window-fails HOW, it starts as the program does with a window that
// fails while it is built (HOW: "foreign" throws what is no std::exception,
// "fatal" gives a fatal Qt message); the boxes that come up are written to
// standard output and closed with Enter.
#include "app/application.h"
#include "app/errorbox.h"
#include "platform/errors.h"
#include "tests/dialogs/dialoghelpers.h"

#include <QApplication>
#include <QMessageBox>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

namespace {

int startWithAFailingWindow(char** argv, const std::string& how)
{
    int argc = 1;
    std::unique_ptr<didu::test::DialogAnswerer> answerer;
    return didu::runProgram(argc, argv, [&]() -> std::unique_ptr<QWidget> {
        answerer = std::make_unique<didu::test::DialogAnswerer>([](QDialog& dialog) {
            const auto* box = qobject_cast<QMessageBox*>(&dialog);
            std::printf("%s|%s\n", qPrintable(dialog.windowTitle()), box ? qPrintable(box->text()) : "");
            std::fflush(stdout);
            QTest::keyClick(&dialog, Qt::Key_Return);
        });
        if (how == "fatal")
            qFatal("The window cannot be made");
        throw 42;
    });
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--startup-error-without-display") == 0) {
        didu::showStartupError(didu::DatabaseError(argv[2]));
        return 1;
    }
    if (argc == 3 && std::strcmp(argv[1], "--window-fails") == 0)
        return startWithAFailingWindow(argv, argv[2]);
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Diduradozori"));
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
