#include "app/application.h"

#include "app/applicationtitle.h"
#include "app/errorbox.h"
#include "platform/library.h"
#include "platform/timeseparator.h"

#include <QIcon>
#include <QSessionManager>

#include <exception>

namespace didu {

Application::Application(int& argc, char** argv) : QApplication(argc, argv)
{
    // The error box reads the title back at the moment it shows, from here.
    // Set as the application's name rather than its display name: Qt appends
    // a display name to every window's caption, and the window's caption and
    // the error box's title must stand as they are.
    setApplicationName(title());
    setWindowIcon(QIcon(QStringLiteral(":/didu/mainicon.png")));
    // Once the session is ending the program leaves at once: no question, no
    // saved state (it has none), exit code 0.
    connect(this, &QGuiApplication::commitDataRequest, this, [](QSessionManager&) { QCoreApplication::exit(0); });
}

QString Application::title()
{
    return QString::fromLocal8Bit(applicationTitle(executablePath()));
}

bool Application::notify(QObject* receiver, QEvent* event)
{
    // The change time of new members uses the locale's separator as it is now.
    if (event->type() == QEvent::LocaleChange)
        reloadTimeSeparator();
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        showError(error);
    } catch (...) {
        showErrorMessage("Unknown error");
    }
    return false;
}

} // namespace didu
