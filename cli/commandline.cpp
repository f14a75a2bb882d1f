#include "cli/commandline.h"

#include "db/connection/sqlconnection.h"

#include <charconv>
#include <fcntl.h>

namespace didu::cli {

namespace {

// A descriptor number the process has open; the text of the mistake otherwise.
std::string checkDescriptor(const std::string& text, int& fd)
{
    const char* end = text.data() + text.size();
    const auto [stop, failure] = std::from_chars(text.data(), end, fd);
    if (text.empty() || failure != std::errc() || stop != end || fd < 0)
        return "--progress-fd needs a file descriptor number, not '" + text + "'";
    if (::fcntl(fd, F_GETFD) == -1)
        return "file descriptor " + text + " is not open";
    return {};
}

} // namespace

ParsedCommandLine parseCommandLine(const std::vector<std::string>& arguments)
{
    ParsedCommandLine parsed;
    CommandOptions& options = parsed.options;
    for (std::size_t i = 0; i < arguments.size() && parsed.error.empty(); ++i) {
        std::string name = arguments[i];
        std::optional<std::string> attached;
        if (const auto eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            attached = name.substr(eq + 1);
            name.resize(eq);
        }
        // The value of an option that takes one: attached, or the next argument.
        auto value = [&]() -> std::optional<std::string> {
            if (attached)
                return attached;
            if (i + 1 < arguments.size())
                return arguments[++i];
            parsed.error = name + " needs a value";
            return std::nullopt;
        };
        const bool takesValue = name == "--connection" || name == "--progress-fd";
        if (attached && !takesValue) {
            parsed.error = name + " takes no value";
        } else if (name == "--connection") {
            if (auto section = value()) {
                options.connection = section;
                if (section->empty())
                    parsed.error = "--connection needs a section name";
            }
        } else if (name == "--progress-fd") {
            if (auto text = value()) {
                int fd = -1;
                parsed.error = checkDescriptor(*text, fd);
                options.progressFd = fd;
            }
        } else if (name == "--dry-run") {
            options.dryRun = true;
        } else if (name == "--quiet" || name == "-q") {
            options.quiet = true;
        } else if (name == "--help" || name == "-h") {
            options.help = true;
        } else if (name == "--version") {
            options.version = true;
        } else if (name.rfind('-', 0) == 0) {
            parsed.error = "unknown option '" + name + "'";
        } else {
            parsed.error = "unexpected argument '" + name + "'";
        }
    }
    return parsed;
}

std::string helpText()
{
    return std::string("Usage: ") + kProgramName + " [OPTION]...\n"
        "Makes every customer of the shop's database without a member row a member,\n"
        "as OK in the window does, once, and ends.\n"
        "\n"
        "      --connection NAME  use the section NAME of dbxconnections.ini (default "
        + SQLConnection::Settings().connectionName + ")\n"
        "      --dry-run          only look up: list the customers who would become members\n"
        "                         (id, tab, member name) and write nothing\n"
        "  -q, --quiet            no progress bar on a terminal\n"
        "      --progress-fd N    write \"done total\" to file descriptor N after every customer\n"
        "  -h, --help             show this text and end\n"
        "      --version          show the version and end\n"
        "\n"
        "The results (the completion message, the summary, a dry run's list) go to\n"
        "standard output; the bar and errors to standard error. Text is written in the\n"
        "character set of the locale (LC_CTYPE; UTF-8 under the C locale): a dry run's\n"
        "ids and names are read in the connection's code page, as the window shows\n"
        "them, and written in that set, a character the set lacks as \"?\".\n"
        "Exit status: 0 done, 1 the run failed (members written before the error stay),\n"
        "2 a bad argument or a connection set-up that cannot be used.\n";
}

} // namespace didu::cli
