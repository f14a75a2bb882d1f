// The application object: the title and icon of the program, and the last
// stop of every error that escapes the handling of a message.
#pragma once

#include <QApplication>

#include <functional>
#include <memory>

namespace didu {

class Application : public QApplication {
    Q_OBJECT
public:
    /// Sets the title (from the executable's name) and the icon. Quits at once,
    /// with exit code 0, when the session ends (log-off, shutdown).
    Application(int& argc, char** argv);

    /// Delivers one event; an error escaping its handling is shown in the error
    /// box and the loop goes on.
    bool notify(QObject* receiver, QEvent* event) override;

    /// The title derived from this executable's name.
    static QString title();
};

/// The program from start to end: makes the application object, has
/// `startWindow` build and show the main window, runs the message loop and
/// destroys the window. An error of any kind before the loop runs (a foreign
/// exception or a fatal message of Qt's too) shows the start-up error box and
/// answers exit code 1; otherwise the answer is 0.
int runProgram(int& argc, char** argv, const std::function<std::unique_ptr<QWidget>()>& startWindow);

} // namespace didu
