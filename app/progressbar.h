// ProgressBar1: the bar the transfer drives. It draws the session's progress as
// it is given, the rules that keep it in range being the progress's own. Qt's
// bar resets itself when its range shrinks below the value; this one never does,
// and every change is drawn at once, because the transfer does not return to the
// message loop while it runs.
#pragma once

#include "transfer/progress.h"

#include <QProgressBar>

#include <cstdint>

namespace didu {

class ProgressBar : public QProgressBar {
    Q_OBJECT
public:
    /// An empty bar, range 0 to 100, position 0, no text.
    explicit ProgressBar(QWidget* parent = nullptr);

    /// Shows `progress`; the same state again changes nothing.
    void showProgress(const Progress& progress);
    std::int32_t progressMaximum() const { return m_shown.maximum(); }
    std::int32_t progressPosition() const { return m_shown.position(); }

private:
    Progress m_shown;
};

} // namespace didu
