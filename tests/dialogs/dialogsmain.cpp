// The dialog tests run inside one QApplication on the offscreen platform. Run
// with --startup-error-without-display MESSAGE, the program instead shows the
// start-up error with no application object at all, as main() does when no
// display can be opened, so a test can check what reaches standard error.
#include "app/errorbox.h"
#include "platform/errors.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <cstring>

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--startup-error-without-display") == 0) {
        didu::showStartupError(didu::DatabaseError(argv[2]));
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Diduradozori"));
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
