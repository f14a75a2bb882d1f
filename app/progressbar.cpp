#include "app/progressbar.h"

#include <algorithm>

namespace didu {

ProgressBar::ProgressBar(QWidget* parent) : QProgressBar(parent)
{
    setObjectName(QStringLiteral("ProgressBar1"));
    setTextVisible(false);
    setFocusPolicy(Qt::NoFocus);
    setRange(0, m_shown.maximum());
    setValue(m_shown.position());
}

void ProgressBar::showProgress(const Progress& progress)
{
    if (progress == m_shown)
        return;
    const bool newRange = progress.maximum() != m_shown.maximum();
    m_shown = progress;
    const int position = m_shown.position();
    if (newRange) {
        // Qt's setRange would reset a value outside the new range; the position,
        // already within it, is set first so that never happens.
        if (value() > m_shown.maximum())
            setValue(position);
        // Qt shows a range of 0..0 as a busy animation; an empty bar of one step
        // looks the same as the empty range it stands for.
        setRange(0, std::max<std::int32_t>(m_shown.maximum(), 1));
    }
    // QProgressBar::setValue repaints at once (not merely schedules) whenever
    // the change is visible at the bar's width, which is what the transfer
    // needs; changes too small to see are not drawn.
    if (value() != position)
        setValue(position);
    if (newRange)
        repaint();
}

} // namespace didu
