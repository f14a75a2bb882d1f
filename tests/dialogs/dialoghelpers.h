// Answering the program's modal dialogs from tests: the hook runs once each
// dialog's own loop is up, and the scripted answer decides what it does there.
#pragma once

#include "app/informationdialog.h"

#include <QDialog>
#include <QString>

#include <functional>
#include <vector>

namespace didu::test {

/// Sets the modal-dialog hook to `answer` for the life of the object; counts
/// how many dialogs came up.
class DialogAnswerer {
public:
    explicit DialogAnswerer(std::function<void(QDialog&)> answer)
    {
        setModalDialogHook([this, answer](QDialog& dialog) {
            ++m_count;
            answer(dialog);
        });
    }
    ~DialogAnswerer() { setModalDialogHook({}); }
    DialogAnswerer(const DialogAnswerer&) = delete;
    DialogAnswerer& operator=(const DialogAnswerer&) = delete;

    int count() const { return m_count; }

private:
    int m_count = 0;
};

/// The seven lines Ctrl+C puts on the clipboard for a box with `title`,
/// `message` and the button texts `buttons`.
inline QString copiedBox(const QString& title, const QString& message, const QString& buttons = "OK   ")
{
    const QString hyphens = QString(27, QLatin1Char('-')) + "\r\n";
    return hyphens + title + "\r\n" + hyphens + message + "\r\n" + hyphens + buttons + "\r\n" + hyphens;
}

} // namespace didu::test
