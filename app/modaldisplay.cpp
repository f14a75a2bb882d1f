#include "app/modaldisplay.h"

#include "app/informationdialog.h"
#include "platform/errors.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QMimeData>
#include <QPointer>
#include <QWidget>

namespace didu {

namespace {

std::function<void(QDialog&)> g_hook;
std::function<bool(const QString&)> g_clipboardWriter;

const QString kHyphens = QStringLiteral("---------------------------");
const QString kLineEnd = QStringLiteral("\r\n");

bool writeSystemClipboard(const QString& text)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return false;
    clipboard->setText(text, QClipboard::Clipboard);
    // Qt cannot say whether the platform took the text; reading it back can.
    const QMimeData* data = clipboard->mimeData(QClipboard::Clipboard);
    return data && data->hasText() && data->text() == text;
}

} // namespace

void setModalDialogHook(std::function<void(QDialog&)> hook)
{
    g_hook = std::move(hook);
}

void scheduleModalDialogHook(QDialog& dialog)
{
    if (!g_hook)
        return;
    QPointer<QDialog> target(&dialog);
    QMetaObject::invokeMethod(
        &dialog,
        [target] {
            if (target && g_hook)
                g_hook(*target);
        },
        Qt::QueuedConnection);
}

void cancelMouseCapture()
{
    if (QWidget* popup = QApplication::activePopupWidget())
        popup->close();
    if (QWidget* grabber = QWidget::mouseGrabber())
        grabber->releaseMouse();
    // Qt keeps the implicit grab of a pressed button to itself; letting go of
    // the button is what keeps the press from turning into a click later.
    for (QWidget* top : QApplication::topLevelWidgets()) {
        for (auto* button : top->findChildren<QAbstractButton*>()) {
            if (button->isDown())
                button->setDown(false);
        }
    }
}

QString dialogCopyText(const QString& title, const QString& message, const QStringList& captions)
{
    QString buttons;
    for (QString caption : captions)
        buttons += caption.remove(QLatin1Char('&')) + QStringLiteral("   ");
    return kHyphens + kLineEnd + title + kLineEnd + kHyphens + kLineEnd + message + kLineEnd + kHyphens
        + kLineEnd + buttons + kLineEnd + kHyphens + kLineEnd;
}

void copyDialogText(const QString& text)
{
    QApplication::beep();
    const bool taken = g_clipboardWriter ? g_clipboardWriter(text) : writeSystemClipboard(text);
    if (!taken)
        throw Error("Cannot open clipboard");
}

void setClipboardWriterForTesting(std::function<bool(const QString&)> writer)
{
    g_clipboardWriter = std::move(writer);
}

} // namespace didu
