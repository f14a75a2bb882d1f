#include "app/formkeyboard.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QWidget>

namespace didu {

FormKeyboard::FormKeyboard(QWidget* form, QList<QWidget*> children, QList<QWidget*> tabStops,
                           QAbstractButton* defaultButton, QAbstractButton* cancelButton)
    : QObject(form),
      m_form(form),
      m_children(std::move(children)),
      m_tabStops(std::move(tabStops)),
      m_default(defaultButton),
      m_cancel(cancelButton)
{
    // Key presses go to the focused widget first; watching the window and
    // every widget in it lets the window's keys win wherever the focus is.
    m_form->installEventFilter(this);
    for (QWidget* widget : m_form->findChildren<QWidget*>())
        widget->installEventFilter(this);
}

bool FormKeyboard::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != m_form)
        return false;
    return handleKey(*static_cast<QKeyEvent*>(event));
}

QWidget* FormKeyboard::focused() const
{
    QWidget* focus = m_form->focusWidget();
    // A widget inside one of the children (the picture, the bar) stands for
    // the child that holds it.
    while (focus && focus->parentWidget() && focus->parentWidget() != m_form)
        focus = focus->parentWidget();
    return focus;
}

void FormKeyboard::moveFocus(const QList<QWidget*>& ring, bool forward, Qt::FocusReason reason)
{
    if (ring.isEmpty())
        return;
    const qsizetype count = ring.size();
    QWidget* current = focused();
    qsizetype index = ring.indexOf(current);
    if (index < 0) {
        // From a widget outside the ring (Panel1 under Tab), go on from its own
        // place in the window's tab order.
        const qsizetype order = m_children.indexOf(current);
        index = forward ? -1 : count;
        for (qsizetype i = 0; order >= 0 && i < count; ++i) {
            const qsizetype at = m_children.indexOf(ring[i]);
            if (forward && at < order)
                index = i;
            if (!forward && at > order) {
                index = i;
                break;
            }
        }
    }
    for (qsizetype step = 1; step <= count; ++step) {
        const qsizetype next = ((index + (forward ? step : -step)) % count + count) % count;
        QWidget* candidate = ring[next];
        if (candidate->isEnabled() && candidate->isVisible()) {
            candidate->setFocus(reason);
            return;
        }
    }
}

bool FormKeyboard::handleKey(const QKeyEvent& event)
{
    const Qt::KeyboardModifiers modifiers =
        event.modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    const bool shift = modifiers & Qt::ShiftModifier;
    const bool control = modifiers & Qt::ControlModifier;
    const bool alt = modifiers & Qt::AltModifier;

    switch (event.key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        if (control || alt)
            return false;
        moveFocus(m_tabStops, event.key() == Qt::Key_Tab && !shift, Qt::TabFocusReason);
        return true;
    case Qt::Key_Right:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Up:
        // Swallowed while Alt is held: Qt's buttons would otherwise move the
        // focus along their own chain.
        if (!alt)
            moveFocus(m_children, event.key() == Qt::Key_Right || event.key() == Qt::Key_Down,
                      Qt::OtherFocusReason);
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter: {
        if (modifiers)
            return true;
        auto* button = qobject_cast<QAbstractButton*>(focused());
        if (!button || !m_children.contains(button))
            button = m_default;
        if (button && button->isEnabled())
            button->click();
        return true;
    }
    case Qt::Key_Escape:
        if (modifiers)
            return true;
        if (m_cancel && m_cancel->isEnabled())
            m_cancel->click();
        return true;
    case Qt::Key_F4:
        if (alt && !control && !shift) {
            m_form->close();
            return true;
        }
        return false;
    default:
        // Space and everything else: the focused widget's own handling (a
        // button clicks on Space).
        return false;
    }
}

} // namespace didu
