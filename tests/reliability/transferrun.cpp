// diduxfer: one transfer run without a window, as a separate process. It makes
// the same session of five database objects the window owns, connects
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
#include "platform/locale.h"
#include "transfer/transfersession.h"
#include "transfer/transferview.h"

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>

namespace {

// The bar on the console: a new maximum and every position shown, when asked.
class ConsoleView : public didu::TransferView {
public:
    explicit ConsoleView(bool reportProgress) : m_reportProgress(reportProgress) {}

    void showProgress(const didu::Progress& progress) override
    {
        if (!m_reportProgress)
            return;
        if (progress.maximum() != m_maximum)
            report("maximum", m_maximum = progress.maximum());
        else
            report("position", progress.position());
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

    // Under the user's locale, as the window's toolkit puts the program: the
    // engine reads file names and the C library writes its error texts in it.
    std::setlocale(LC_ALL, "");
    didu::loadUserLocale();
    try {
        didu::TransferSession session;
        ConsoleView view(progress);
        for (int run = 0; run < runs; ++run)
            session.run(view);
    } catch (const std::exception& error) {
        const std::string text = error.what();
        std::fwrite(text.data(), 1, text.size(), stderr);
        std::fputc('\n', stderr);
        return 1;
    }
    return 0;
}
