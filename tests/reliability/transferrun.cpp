// diduxfer: one transfer run without a window, as a separate process. It builds
// the same five database objects the window owns, in the same order, connects
// from the configuration files the way the program does, and runs the transfer
// with a console view. The reliability tests start it to race two operators
// against one server database and to kill a run in the middle.
//
//   diduxfer [--progress] [--runs N]
//
// --progress writes "position P" on standard output after every step of the
// bar, flushed at once, so a parent can act at a known point of the run.
// On success the completion message goes to standard output and the exit code
// is 0; on an error its text goes to standard error as it stands and the exit
// code is 1.
#include "db/connection/sqlconnection.h"
#include "db/statements/clientdataset.h"
#include "db/statements/datasetprovider.h"
#include "db/statements/sqldataset.h"
#include "db/statements/sqlstatement.h"
#include "platform/locale.h"
#include "transfer/transfer.h"
#include "transfer/transferview.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <string>

namespace {

// The progress bar's rules without a bar: the position stays within 0..maximum.
class ConsoleView : public didu::TransferView {
public:
    explicit ConsoleView(bool reportProgress) : m_reportProgress(reportProgress) {}

    void setProgressMaximum(std::int32_t maximum) override
    {
        m_maximum = std::max(maximum, 0);
        m_position = std::min(m_position, m_maximum);
        if (m_reportProgress)
            report("maximum", m_maximum);
    }
    std::int32_t progressPosition() const override { return m_position; }
    void setProgressPosition(std::int32_t position) override
    {
        m_position = std::clamp(position, 0, m_maximum);
        if (m_reportProgress)
            report("position", m_position);
    }
    void showInformation(const std::string& message) override
    {
        std::fwrite(message.data(), 1, message.size(), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
    }

private:
    static void report(const char* what, std::int32_t value)
    {
        std::fprintf(stdout, "%s %d\n", what, value);
        std::fflush(stdout);
    }

    bool m_reportProgress;
    std::int32_t m_maximum = 100;
    std::int32_t m_position = 0;
};

int usage()
{
    std::fputs("usage: diduxfer [--progress] [--runs N]\n", stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    bool progress = false;
    int runs = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--progress") == 0)
            progress = true;
        else if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc)
            runs = std::atoi(argv[++i]);
        else
            return usage();
    }
    if (runs < 1)
        return usage();

    didu::loadUserLocale();
    try {
        // The window's objects, made in the order of its definition and destroyed
        // in reverse, so the statements let go before the connection.
        auto connection = std::make_unique<didu::SQLConnection>("SQLConnection1");
        auto query = std::make_unique<didu::SQLQuery>(connection.get(), "SQLQuery1");
        auto dataSet = std::make_unique<didu::SQLDataSet>(connection.get(), "SQLDataSet1");
        auto provider = std::make_unique<didu::DataSetProvider>(dataSet.get(), "DataSetProvider1");
        auto customers = std::make_unique<didu::ClientDataSet>(provider.get(), "ClientDataSet1");
        ConsoleView view(progress);
        didu::Transfer transfer(*customers, *query, view);
        for (int run = 0; run < runs; ++run)
            transfer.run();
    } catch (const std::exception& error) {
        const std::string text = error.what();
        std::fwrite(text.data(), 1, text.size(), stderr);
        std::fputc('\n', stderr);
        return 1;
    }
    return 0;
}
