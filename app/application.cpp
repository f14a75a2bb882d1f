#include "app/application.h"

#include "app/applicationtitle.h"
#include "app/errorbox.h"
#include "platform/errors.h"
#include "platform/library.h"
#include "platform/timeseparator.h"

#include <QIcon>
#include <QSessionManager>
#include <QThread>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <exception>

namespace didu {

namespace {

enum class Stage { MakingApplication, StartingWindow, Running };
Stage g_stage = Stage::MakingApplication;
QtMessageHandler g_previousHandler = nullptr;

// Qt ends the process itself after a fatal message. While the program starts,
// that becomes the start-up error and exit code 1 instead of an abort. Before
// the application object is made, the fatal message is Qt's failure to open a
// display, so the error names the display (and goes to standard error, there
// being no display to show a box on).
void startupMessageHandler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtFatalMsg && g_stage != Stage::Running) {
        const bool ownThread = QCoreApplication::instance()
            && QThread::currentThread() == QCoreApplication::instance()->thread();
        if (g_stage == Stage::MakingApplication)
            showStartupError(Error("Cannot open display \"" + qgetenv("DISPLAY").toStdString() + "\""));
        else if (ownThread)
            showStartupError(Error(message.toStdString()));
        else
            std::fputs(startupErrorText(Error(message.toStdString())).c_str(), stderr);
        std::fflush(stderr);
        std::_Exit(1);
    }
    if (g_previousHandler)
        g_previousHandler(type, context, message);
}

} // namespace

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

int runProgram(int& argc, char** argv, const std::function<std::unique_ptr<QWidget>()>& startWindow)
{
    g_previousHandler = qInstallMessageHandler(startupMessageHandler);
    std::unique_ptr<Application> application;
    std::unique_ptr<QWidget> window;
    try {
        // The window's picture format needs no registration of its own: the
        // stored picture names its handler, which the picture reader knows. The
        // thread needs no component-system set-up here.
        application = std::make_unique<Application>(argc, argv);
        g_stage = Stage::StartingWindow;
        window = startWindow();
    } catch (const std::exception& error) {
        showStartupError(error);
        return 1;
    } catch (...) {
        showStartupError(Error("Unknown error"));
        return 1;
    }
    g_stage = Stage::Running;

    application->exec();

    // The window goes first, with everything it owns: statements release,
    // then the connection disconnects.
    window.reset();
    return 0;
}

} // namespace didu
