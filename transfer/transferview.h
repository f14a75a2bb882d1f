// What the transfer needs of the window: a place to show the progress and the
// information dialog. The window implements it; the command-line program, tests
// and the benchmark use their own, so the job runs headless.
#pragma once

#include "transfer/progress.h"

#include <string>

namespace didu {

/// What a run did with one customer.
enum class CustomerOutcome {
    AlreadyMember, ///< a member row was there: nothing written
    Added, ///< the member row was inserted
    WouldBeAdded, ///< a dry run: the row a press would insert, not written
};

class TransferView {
public:
    virtual ~TransferView() = default;
    /// Draws the bar as `progress` stands, at once: the run does not return to
    /// the message loop. Called after each change the run makes.
    virtual void showProgress(const Progress& progress) = 0;
    /// The information dialog, modal; returns when the operator closes it.
    virtual void showInformation(const std::string& message) = 0;
    /// Told once each customer is settled, after its statements ran. The member
    /// name is the one the row gets (or would get), empty for AlreadyMember.
    /// The window shows only the bar, so by default nothing is done.
    virtual void customerSettled(const std::string& customerId, const std::string& memberName,
                                 CustomerOutcome outcome)
    {
        (void)customerId;
        (void)memberName;
        (void)outcome;
    }
};

} // namespace didu
