// The window's keyboard: Tab over the two buttons, the arrow keys over the
// window's three direct children, Enter and Esc for the default and cancel
// buttons, Alt+F4 to close. Qt's own handling differs (its arrow keys skip
// widgets that take no focus, its buttons ignore Enter outside dialogs), so the
// window's keys are decided here before any widget sees them.
#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

class QAbstractButton;
class QKeyEvent;
class QWidget;

namespace didu {

class FormKeyboard : public QObject {
    Q_OBJECT
public:
    /// `children` are the window's direct children in tab order; `tabStops`
    /// those of them that Tab visits. Enter clicks the focused button, or else
    /// `defaultButton`; Esc clicks `cancelButton`.
    FormKeyboard(QWidget* form, QList<QWidget*> children, QList<QWidget*> tabStops,
                 QAbstractButton* defaultButton, QAbstractButton* cancelButton);

    /// Handles one key press aimed at the window; true when it was acted on.
    bool handleKey(const QKeyEvent& event);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* focused() const;
    void moveFocus(const QList<QWidget*>& ring, bool forward, Qt::FocusReason reason);

    QWidget* m_form;
    QList<QWidget*> m_children;
    QList<QWidget*> m_tabStops;
    QAbstractButton* m_default;
    QAbstractButton* m_cancel;
};

} // namespace didu
