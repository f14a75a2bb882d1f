// ProgressBar1: the bar the transfer drives. Qt's own bar resets itself when its
// range shrinks below the value and ignores values outside the range; this one
// keeps the program's rules instead: a position is clamped into the range, a
// lower maximum pulls the position down, and every change is drawn at once,
// because the transfer does not return to the message loop while it runs.
#pragma once

#include <QProgressBar>

#include <cstdint>

namespace didu {

class ProgressBar : public QProgressBar {
    Q_OBJECT
public:
    /// An empty bar, range 0 to 100, position 0, no text.
    explicit ProgressBar(QWidget* parent = nullptr);

    /// The range becomes 0..maximum; a position above it comes down to it.
    /// Setting the maximum the bar already has changes nothing.
    void setProgressMaximum(std::int32_t maximum);
    std::int32_t progressMaximum() const { return m_maximum; }
    /// Kept within 0..maximum and redrawn at once.
    void setProgressPosition(std::int32_t position);
    std::int32_t progressPosition() const { return m_position; }

    /// How often the bar has been drawn since it was made (for tests and the
    /// benchmark, which check that redrawing keeps pace without flooding).
    int paintCount() const { return m_paints; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void show(std::int32_t position);

    std::int32_t m_maximum = 100;
    std::int32_t m_position = 0;
    int m_paints = 0;
};

} // namespace didu
