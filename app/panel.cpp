#include "app/panel.h"

#include <QPainter>

#include <algorithm>

namespace didu {

Panel::Panel(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Panel1"));
    // Not a tab stop, and a click does not focus it; the arrow keys still can.
    setFocusPolicy(Qt::NoFocus);
    setAutoFillBackground(true);
}

void Panel::alignChildren(QWidget* fill, QWidget* bottom, int bottomHeight)
{
    m_fill = fill;
    m_bottom = bottom;
    m_bottomHeight = bottomHeight;
    const QRect area = clientArea();
    const int height = std::min(bottomHeight, area.height());
    if (m_bottom)
        m_bottom->setGeometry(area.left(), area.bottom() + 1 - height, area.width(), height);
    if (m_fill)
        m_fill->setGeometry(area.left(), area.top(), area.width(), area.height() - height);
}

void Panel::resizeEvent(QResizeEvent*)
{
    if (m_fill || m_bottom)
        alignChildren(m_fill, m_bottom, m_bottomHeight);
}

void Panel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QPalette& colours = palette();
    const QColor light = colours.color(QPalette::Light);
    const QColor shadow = colours.color(QPalette::Dark);
    auto bevel = [&](QRect box, const QColor& topLeft, const QColor& bottomRight) {
        painter.setPen(topLeft);
        painter.drawLine(box.topLeft(), box.topRight());
        painter.drawLine(box.topLeft(), box.bottomLeft());
        painter.setPen(bottomRight);
        painter.drawLine(box.bottomLeft(), box.bottomRight());
        painter.drawLine(box.topRight(), box.bottomRight());
    };
    const QRect outer = rect();
    bevel(outer, light, shadow);                         // raised
    bevel(outer.adjusted(1, 1, -1, -1), shadow, light);  // lowered
}

} // namespace didu
