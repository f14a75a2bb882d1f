#include "app/informationdialog.h"

#include "app/errorbox.h"
#include "app/modaldisplay.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

#include <algorithm>
#include <exception>

namespace didu {

namespace {

constexpr int kIconSize = 32;
constexpr int kTextFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap | Qt::TextExpandTabs;

// Draws its text with exactly the flags the layout measured it with, so the
// wrapped lines are the ones the dialog was sized for.
class MessageLabel : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setFont(font());
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(rect(), kTextFlags, text());
    }
};

// Dialog units of the dialog's font: X the average width of the 52 letters, Y the
// line height; values convert to the nearest whole pixel.
struct DialogUnits {
    int x;
    int y;
    int horizontal(int value) const { return (value * x + 2) / 4; }
    int vertical(int value) const { return (value * y + 4) / 8; }
};

DialogUnits unitsOf(const QFontMetrics& metrics)
{
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    return DialogUnits{metrics.horizontalAdvance(letters) / 52, metrics.height()};
}

QScreen* screenOfActiveWindow()
{
    if (QWidget* active = QApplication::activeWindow()) {
        if (QScreen* screen = active->screen())
            return screen;
    }
    return QGuiApplication::primaryScreen();
}

} // namespace

InformationDialog::InformationDialog(const QString& message, QWidget* parent)
    : InformationDialog(message, QFontDatabase::systemFont(QFontDatabase::GeneralFont), parent)
{
}

InformationDialog::InformationDialog(const QString& message, const QFont& font, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
    , m_message(message)
{
    setWindowTitle(QStringLiteral("Information"));
    setFont(font);

    m_icon = new QLabel(this);
    m_icon->setObjectName(QStringLiteral("Image"));
    m_icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(kIconSize, kIconSize));

    m_text = new MessageLabel(message, this);
    m_text->setObjectName(QStringLiteral("Message"));
    m_text->setTextFormat(Qt::PlainText);

    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(QStringLiteral("OK"));
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, [this] { done(InformationOk); });

    layOut();
    m_ok->setFocus();
}

void InformationDialog::layOut()
{
    const QFontMetrics metrics(font());
    const DialogUnits du = unitsOf(metrics);
    const int marginX = du.horizontal(8);
    const int marginY = du.vertical(8);
    const int spacingX = du.horizontal(10);
    const int spacingY = du.vertical(10);
    const int buttonHeight = du.vertical(14);
    const int buttonWidth = std::max(du.horizontal(50), metrics.horizontalAdvance(m_ok->text()) + 8);

    const QScreen* primary = QGuiApplication::primaryScreen();
    const int boxWidth = primary ? primary->geometry().width() / 2 : 640;
    const QRect textBox = metrics.boundingRect(QRect(0, 0, boxWidth, 0), kTextFlags, m_message);
    const int textWidth = textBox.width();
    const int textHeight = textBox.height();

    const int iconTextWidth = textWidth + kIconSize + spacingX;
    const int iconTextHeight = std::max(textHeight, kIconSize);
    const int groupWidth = buttonWidth; // one button
    const int clientWidth = std::max(iconTextWidth, groupWidth) + 2 * marginX;
    const int clientHeight = iconTextHeight + buttonHeight + spacingY + 2 * marginY;

    m_icon->setGeometry(marginX, marginY, kIconSize, kIconSize);
    m_text->setGeometry(iconTextWidth - textWidth + marginX, marginY, textWidth, textHeight);
    m_ok->setGeometry((clientWidth - groupWidth) / 2, iconTextHeight + marginY + spacingY, buttonWidth, buttonHeight);
    setFixedSize(clientWidth, clientHeight);

    // Centred on the primary screen, or on the monitor of the active window when
    // that is another one.
    QScreen* screen = screenOfActiveWindow();
    if (screen) {
        const QPoint centre = screen->geometry().center();
        move(centre.x() - clientWidth / 2, centre.y() - clientHeight / 2);
    }
}

QString InformationDialog::clipboardText() const
{
    return dialogCopyText(windowTitle(), m_message, {m_ok->text()});
}

void InformationDialog::reject()
{
    done(InformationClosed);
}

void InformationDialog::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_C && event->modifiers() == Qt::ControlModifier) {
        try {
            copyDialogText(clipboardText());
        } catch (const std::exception& error) {
            showError(error);
        }
        return;
    }
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        // OK is the cancel button too: Esc answers as OK does.
        done(InformationOk);
        return;
    }
    QDialog::keyPressEvent(event);
}

int showInformationMessage(const QString& message, QWidget* parent)
{
    cancelMouseCapture();
    QPointer<QWidget> previous = QApplication::activeWindow();
    int result = InformationClosed;
    {
        InformationDialog dialog(message, parent);
        QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
        scheduleModalDialogHook(dialog);
        result = dialog.exec();
        dialog.hide();
        QGuiApplication::restoreOverrideCursor();
    }
    if (previous)
        previous->activateWindow();
    // Anything but OK (the close box, a quit ending the loop) counts as closed.
    return result == InformationOk ? InformationOk : InformationClosed;
}

} // namespace didu
