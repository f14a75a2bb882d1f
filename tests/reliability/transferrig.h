// The session's five database objects and the transfer, without the window, for
// runs inside a test. Made after the database fixture, so the connection finds
// the fixture's configuration files.
#pragma once

#include "transfer/transfersession.h"
#include "transfer/transferview.h"

#include <optional>
#include <string>
#include <vector>

namespace didu::test {

/// The messages shown; the bar's state is the session's.
class RecordingView : public TransferView {
public:
    void showProgress(const Progress&) override {}
    void showInformation(const std::string& message) override { messages.push_back(message); }

    std::vector<std::string> messages;
};

struct TransferRig {
    /// One run; the error text it ended with, or nullopt when it completed.
    std::optional<std::string> run(TransferView& shownOn)
    {
        try {
            session.run(shownOn);
        } catch (const std::exception& error) {
            return std::string(error.what());
        }
        return std::nullopt;
    }
    std::optional<std::string> run() { return run(view); }

    TransferSession session;
    RecordingView view;
};

} // namespace didu::test
