#include "app/progressbar.h"

#include <algorithm>

namespace didu {

ProgressBar::ProgressBar(QWidget* parent) : QProgressBar(parent)
{
    setObjectName(QStringLiteral("ProgressBar1"));
    setTextVisible(false);
    setFocusPolicy(Qt::NoFocus);
    setRange(0, m_maximum);
    setValue(m_position);
}

void ProgressBar::setProgressMaximum(std::int32_t maximum)
{
    if (maximum == m_maximum)
        return;
    // A negative maximum would leave no valid position at all; an empty range
    // at 0 is the nearest the bar can show.
    m_maximum = std::max<std::int32_t>(maximum, 0);
    m_position = std::min(m_position, m_maximum);
    // Qt's setRange would reset an out-of-range value; the clamped position is
    // set first so that never happens.
    if (value() > m_maximum)
        setValue(m_position);
    // Qt shows a range of 0..0 as a busy animation; an empty bar of one step
    // looks the same as the empty range it stands for.
    setRange(0, std::max<std::int32_t>(m_maximum, 1));
    show(m_position);
    repaint();
}

void ProgressBar::setProgressPosition(std::int32_t position)
{
    position = std::clamp<std::int32_t>(position, 0, m_maximum);
    if (position == m_position)
        return;
    m_position = position;
    show(position);
}

void ProgressBar::show(std::int32_t position)
{
    // QProgressBar::setValue repaints at once (not merely schedules) whenever
    // the change is visible at the bar's width, which is what the transfer
    // needs; changes too small to see are not drawn.
    if (value() != position)
        setValue(position);
}

void ProgressBar::paintEvent(QPaintEvent* event)
{
    ++m_paints;
    QProgressBar::paintEvent(event);
}

} // namespace didu
