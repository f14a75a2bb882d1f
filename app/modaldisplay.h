// What the program's two modal displays (information dialog, error box) share:
// releasing a mouse capture before they open, the test hook that answers them,
// and the Ctrl+C copy of their text.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QDialog;

namespace didu {

/// Releases a mouse grab and a pressed button, so no drag outlives the display.
void cancelMouseCapture();

/// Queues the modal-dialog hook (if one is set) to run once `dialog`'s own loop
/// has started.
void scheduleModalDialogHook(QDialog& dialog);

/// The seven CR LF lines of a dialog's copy: hyphen lines around the title, the
/// message and the button captions (each followed by three spaces, "&" removed).
QString dialogCopyText(const QString& title, const QString& message, const QStringList& captions);

/// Beeps and puts `text` on the clipboard; "Cannot open clipboard" as an error
/// when the clipboard cannot be taken.
void copyDialogText(const QString& text);

/// Replaces the clipboard writer (false: could not take it); empty restores the
/// real clipboard. For tests.
void setClipboardWriterForTesting(std::function<bool(const QString&)> writer);

} // namespace didu
