// The information dialog: a modal box the program builds itself, used for the
// completion message of the transfer. Its proportions come from dialog units of
// its own font, so it looks the same at every font size.
#pragma once

#include <QDialog>
#include <QFont>
#include <QString>

#include <functional>

class QPushButton;
class QLabel;

namespace didu {

/// Results of the information dialog.
enum InformationResult : int {
    /// The OK button, Enter or Esc.
    InformationOk = 1,
    /// The close box, Alt+F4, or the program told to quit meanwhile.
    InformationClosed = 2,
};

class InformationDialog : public QDialog {
    Q_OBJECT
public:
    /// Builds the dialog for `message`, laid out and centred, not yet shown.
    explicit InformationDialog(const QString& message, QWidget* parent = nullptr);
    /// The same with another font than the platform's message font (tests).
    InformationDialog(const QString& message, const QFont& font, QWidget* parent = nullptr);

    QString message() const { return m_message; }
    QPushButton* okButton() const { return m_ok; }
    QLabel* messageLabel() const { return m_text; }
    QLabel* iconLabel() const { return m_icon; }
    /// The seven lines Ctrl+C puts on the clipboard.
    QString clipboardText() const;

    void reject() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void layOut();

    QString m_message;
    QLabel* m_icon = nullptr;
    QLabel* m_text = nullptr;
    QPushButton* m_ok = nullptr;
};

/// Shows `message` modally and answers InformationOk or InformationClosed once
/// the operator has closed it; the dialog is gone when this returns.
int showInformationMessage(const QString& message, QWidget* parent = nullptr);

/// Called with each of the program's modal dialogs (information dialog, error
/// box) once its own loop runs, so that tests can answer it; empty to remove.
void setModalDialogHook(std::function<void(QDialog&)> hook);

} // namespace didu
