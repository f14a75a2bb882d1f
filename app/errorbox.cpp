#include "app/errorbox.h"

#include "app/modaldisplay.h"
#include "platform/errors.h"
#include "platform/fullstop.h"
#include "platform/library.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>

#include <cstdio>
#include <cstdlib>
#include <cxxabi.h>
#include <memory>
#include <optional>
#include <typeinfo>

namespace didu {

namespace {

// The platform message box stood in for by QMessageBox: stop icon, one OK
// button, and Ctrl+C copying the text in the same form as the information dialog.
class ErrorBox : public QMessageBox {
public:
    ErrorBox(const QString& title, const QString& text, QScreen* screen)
        : QMessageBox(QMessageBox::Critical, title, text, QMessageBox::Ok), m_screen(screen)
    {
        setTextFormat(Qt::PlainText);
    }

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        if (event->key() == Qt::Key_C && event->modifiers() == Qt::ControlModifier) {
            QStringList captions;
            for (const QAbstractButton* button : buttons())
                captions << button->text();
            try {
                copyDialogText(dialogCopyText(windowTitle(), text(), captions));
            } catch (const std::exception& error) {
                // A box of its own on top of this one; this one stays open.
                showError(error);
            }
            return;
        }
        QMessageBox::keyPressEvent(event);
    }

    void showEvent(QShowEvent* event) override
    {
        QMessageBox::showEvent(event);
        // The box shows on the monitor of the window the operator works in.
        if (m_screen) {
            const QPoint centre = m_screen->geometry().center();
            move(centre.x() - width() / 2, centre.y() - height() / 2);
        }
    }

private:
    QPointer<QScreen> m_screen;
};

bool displayOpen()
{
    return qobject_cast<QApplication*>(QCoreApplication::instance()) && QGuiApplication::primaryScreen();
}

QScreen* targetScreen()
{
    if (QWidget* active = QApplication::activeWindow())
        return active->screen();
    return QGuiApplication::primaryScreen();
}

int runBox(ErrorBox& box)
{
    scheduleModalDialogHook(box);
    return box.exec();
}

std::string kindOf(const std::exception& error)
{
    if (const auto* own = dynamic_cast<const Error*>(&error))
        return own->kind();
    const char* mangled = typeid(error).name();
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> demangled(abi::__cxa_demangle(mangled, nullptr, nullptr, &status), std::free);
    return status == 0 && demangled ? std::string(demangled.get()) : std::string(mangled);
}

std::string moduleName()
{
    const std::string path = executablePath();
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

// The box for a text already shaped for the operator.
static void showShownText(const std::string& shown)
{
    if (!displayOpen()) {
        std::fprintf(stderr, "%s\n", shown.c_str());
        return;
    }
    cancelMouseCapture();
    QPointer<QWidget> previous = QApplication::activeWindow();
    QPointer<QWidget> focus = QApplication::focusWidget();
    {
        // The title is read now, not cached: the window may have renamed it.
        ErrorBox box(QGuiApplication::applicationDisplayName(), QString::fromUtf8(shown), targetScreen());
        runBox(box);
    }
    if (previous)
        previous->activateWindow();
    if (focus)
        focus->setFocus(Qt::OtherFocusReason);
}

void showError(const std::exception& error)
{
    if (const std::optional<std::string> shown = shownErrorText(error))
        showShownText(*shown);
}

void showErrorMessage(const std::string& message)
{
    showShownText(shownMessage(message));
}

std::string startupErrorText(const std::exception& error)
{
    const std::string message = error.what();
    const bool addStop = !message.empty() && message.back() != '.';
    // No code address is known on this platform; zero is stable and says so.
    return "Exception " + kindOf(error) + " in module " + moduleName() + " at 00000000.\r\n" + message
        + (addStop ? "." : "") + "\r\n";
}

void showStartupError(const std::exception& error)
{
    const std::string text = startupErrorText(error);
    if (!displayOpen()) {
        std::fputs(text.c_str(), stderr);
        std::fflush(stderr);
        return;
    }
    QString shown = QString::fromUtf8(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    ErrorBox box(QStringLiteral("Application Error"), shown.trimmed(), nullptr);
    runBox(box);
}

} // namespace didu
