#include "cli/commandview.h"

#include "cli/localetext.h"
#include "cli/output.h"
#include "cli/terminalbar.h"

#include <cstdio>

namespace didu::cli {

CommandView::CommandView(TerminalBar* bar, std::optional<int> progressFd, const LocaleText& text)
    : m_bar(bar), m_progressFd(progressFd), m_text(text)
{
}

void CommandView::showProgress(const Progress& progress)
{
    // The bar steps as the run reaches a customer, before its statements: a
    // customer whose insert failed was read all the same. The session is new,
    // so the position counts this run's customers.
    m_counts.read = progress.position();
    if (m_bar)
        m_bar->show(progress.position(), progress.maximum());
    if (m_progressFd)
        writeAll(*m_progressFd, std::to_string(progress.position()) + " " + std::to_string(progress.maximum()) + "\n");
}

void CommandView::showInformation(const std::string& message)
{
    finish();
    const std::string shown = m_text.own(message);
    std::fwrite(shown.data(), 1, shown.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void CommandView::customerSettled(const std::string& customerId, const std::string& memberName,
                                  CustomerOutcome outcome)
{
    switch (outcome) {
    case CustomerOutcome::AlreadyMember:
        ++m_counts.alreadyMembers;
        break;
    case CustomerOutcome::Added:
        ++m_counts.added;
        break;
    case CustomerOutcome::WouldBeAdded:
        ++m_counts.wouldBeAdded;
        m_wouldBeMembers.push_back({customerId, memberName});
        break;
    }
}

void CommandView::finish()
{
    if (m_bar)
        m_bar->finish();
}

} // namespace didu::cli
