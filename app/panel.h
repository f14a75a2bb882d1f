// Panel1: the container of the picture and the progress bar, drawn with a
// raised outer and a lowered inner bevel line.
#pragma once

#include <QWidget>

namespace didu {

class Panel : public QWidget {
    Q_OBJECT
public:
    explicit Panel(QWidget* parent = nullptr);

    /// Width of the bevel on each side: the client area is inset by it.
    static constexpr int kBevel = 2;
    /// The area inside the bevels, where the children are placed.
    QRect clientArea() const { return rect().adjusted(kBevel, kBevel, -kBevel, -kBevel); }

    /// Places `fill` over the client area above `bottom`, which keeps
    /// `bottomHeight` pixels at the client area's bottom edge, full width.
    void alignChildren(QWidget* fill, QWidget* bottom, int bottomHeight);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* m_fill = nullptr;
    QWidget* m_bottom = nullptr;
    int m_bottomHeight = 0;
};

} // namespace didu
