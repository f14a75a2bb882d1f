// What the transfer needs of the window: a place to show the progress and the
// information dialog. The window implements it; tests and the benchmark use
// their own, so the job runs headless.
#pragma once

#include "transfer/progress.h"

#include <string>

namespace didu {

class TransferView {
public:
    virtual ~TransferView() = default;
    /// Draws the bar as `progress` stands, at once: the run does not return to
    /// the message loop. Called after each change the run makes.
    virtual void showProgress(const Progress& progress) = 0;
    /// The information dialog, modal; returns when the operator closes it.
    virtual void showInformation(const std::string& message) = 0;
};

} // namespace didu
