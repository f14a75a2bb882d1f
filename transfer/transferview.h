// What the transfer needs of the window: the progress bar's three operations and
// the information dialog. The window implements it; tests and the benchmark use
// their own, so the job runs headless.
#pragma once

#include <cstdint>
#include <string>

namespace didu {

class TransferView {
public:
    virtual ~TransferView() = default;
    /// Range becomes 0..maximum; a higher position comes down to it.
    virtual void setProgressMaximum(std::int32_t maximum) = 0;
    virtual std::int32_t progressPosition() const = 0;
    /// Kept within 0..maximum and redrawn at once.
    virtual void setProgressPosition(std::int32_t position) = 0;
    /// The information dialog, modal; returns when the operator closes it.
    virtual void showInformation(const std::string& message) = 0;
};

} // namespace didu
