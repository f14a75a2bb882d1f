#include "app/bitbtn.h"

#include <QFocusEvent>
#include <QPainter>

namespace didu {

QList<QPixmap> splitGlyphStrip(const QImage& strip)
{
    QList<QPixmap> glyphs;
    if (strip.isNull() || strip.height() <= 0)
        return glyphs;
    const int side = strip.height();
    const int count = std::max(1, strip.width() / side);
    // The strip's bottom-left pixel names its transparent colour.
    const QRgb transparent = strip.pixel(0, strip.height() - 1);
    QImage image = strip.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if ((line[x] & 0xffffff) == (transparent & 0xffffff))
                line[x] = 0;
    }
    for (int i = 0; i < count; ++i)
        glyphs.append(QPixmap::fromImage(image.copy(i * side, 0, side, side)));
    return glyphs;
}

BitBtn::BitBtn(const QString& objectName, const QString& caption, const QPixmap& glyphStrip,
               QWidget* parent)
    : QPushButton(caption, parent)
{
    setObjectName(objectName);
    setFocusPolicy(Qt::StrongFocus);
    setAutoDefault(false);
    const QList<QPixmap> glyphs = splitGlyphStrip(glyphStrip.toImage());
    m_glyphCount = static_cast<int>(glyphs.size());
    if (!glyphs.isEmpty())
        m_enabled = glyphs.first();
    m_disabled = glyphs.size() > 1 ? glyphs.at(1) : m_enabled;
}

QPixmap BitBtn::glyph() const
{
    return isEnabled() ? m_enabled : m_disabled;
}

bool BitBtn::isEnterTarget() const
{
    if (hasFocus())
        return true;
    if (!m_windowDefault)
        return false;
    const QWidget* focused = window()->focusWidget();
    return qobject_cast<const BitBtn*>(focused) == nullptr;
}

void BitBtn::setWindowDefault(bool isDefault)
{
    m_windowDefault = isDefault;
    update();
}

void BitBtn::focusInEvent(QFocusEvent* event)
{
    QPushButton::focusInEvent(event);
    updateSiblings();
}

void BitBtn::focusOutEvent(QFocusEvent* event)
{
    QPushButton::focusOutEvent(event);
    updateSiblings();
}

void BitBtn::updateSiblings()
{
    // The default button's frame depends on where the focus is, so every
    // button of the window is redrawn when it moves.
    for (BitBtn* button : window()->findChildren<BitBtn*>())
        button->update();
}

void BitBtn::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QPalette& colours = palette();
    QRect face = rect();
    painter.fillRect(face, colours.button());

    if (isEnterTarget()) {
        painter.setPen(colours.color(QPalette::Shadow));
        painter.drawRect(face.adjusted(0, 0, -1, -1));
        face.adjust(1, 1, -1, -1);
    }

    // Two-pixel bevel: raised while up, a single shadow line while pressed.
    const bool down = isDown();
    auto line = [&](const QColor& colour, QPoint a, QPoint b) {
        painter.setPen(colour);
        painter.drawLine(a, b);
    };
    const int l = face.left(), t = face.top(), r = face.right(), b = face.bottom();
    if (down) {
        painter.setPen(colours.color(QPalette::Dark));
        painter.drawRect(face.adjusted(0, 0, -1, -1));
    } else {
        line(colours.color(QPalette::Light), {l, t}, {r - 1, t});
        line(colours.color(QPalette::Light), {l, t}, {l, b - 1});
        line(colours.color(QPalette::Shadow), {l, b}, {r, b});
        line(colours.color(QPalette::Shadow), {r, t}, {r, b});
        line(colours.color(QPalette::Dark), {l + 1, b - 1}, {r - 1, b - 1});
        line(colours.color(QPalette::Dark), {r - 1, t + 1}, {r - 1, b - 1});
    }

    // Picture and caption side by side, centred together in the button.
    const QPixmap picture = glyph();
    const QFontMetrics metrics(font());
    const int textWidth = metrics.horizontalAdvance(text());
    const int pictureWidth = picture.isNull() ? 0 : picture.width();
    const int spacing = picture.isNull() || text().isEmpty() ? 0 : kSpacing;
    const int contentWidth = pictureWidth + spacing + textWidth;
    const int shift = down ? 1 : 0;
    int x = (width() - contentWidth) / 2 + shift;
    if (!picture.isNull()) {
        painter.drawPixmap(x, (height() - picture.height()) / 2 + shift, picture);
        x += pictureWidth + spacing;
    }
    painter.setPen(colours.color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    painter.drawText(QRect(x, shift, textWidth + 1, height()), Qt::AlignLeft | Qt::AlignVCenter, text());

    if (hasFocus()) {
        // A dotted rectangle inset 4 pixels, drawn the same under every style.
        painter.setPen(QPen(colours.color(QPalette::ButtonText), 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect().adjusted(4, 4, -5, -5));
    }
}

} // namespace didu
