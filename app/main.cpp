// The program DiduRaDozori: start-up, the message loop, shutdown.
#include "app/application.h"
#include "app/errorbox.h"
#include "app/frmdiduradozori.h"
#include "platform/errors.h"

#include <QtGlobal>

#include <cstdlib>
#include <memory>

namespace {

bool g_startingUp = true;
QtMessageHandler g_previousHandler = nullptr;

// Qt ends the process itself when it cannot open a display. While the program
// starts, that becomes the start-up error (on standard error, since there is
// no display to show a box on) and exit code 1 instead of an abort.
void startupMessageHandler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtFatalMsg && g_startingUp) {
        const QByteArray display = qgetenv("DISPLAY");
        didu::showStartupError(didu::Error("Cannot open display \"" + display.toStdString() + "\""));
        std::_Exit(1);
    }
    if (g_previousHandler)
        g_previousHandler(type, context, message);
}

} // namespace

int main(int argc, char** argv)
{
    g_previousHandler = qInstallMessageHandler(startupMessageHandler);

    // The application object: title, icon. The window's picture format needs no
    // registration of its own: the stored picture names its handler, which the
    // picture reader knows. The thread needs no component-system set-up here.
    didu::Application application(argc, argv);
    g_startingUp = false;

    std::unique_ptr<didu::TFormDiduRaDozori> form;
    try {
        form = std::make_unique<didu::TFormDiduRaDozori>();
        form->showCentred();
    } catch (const std::exception& error) {
        didu::showStartupError(error);
        return 1;
    }

    application.exec();

    // The window goes first, with everything it owns: statements release,
    // then the connection disconnects.
    form.reset();
    return 0;
}
