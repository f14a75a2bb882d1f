// How often a widget is drawn, counted from its own paint events.
#pragma once

#include <QEvent>
#include <QWidget>

namespace didu::test {

class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        count += event->type() == QEvent::Paint;
        return false;
    }
};

} // namespace didu::test
