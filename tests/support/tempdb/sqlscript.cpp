#include "tests/support/tempdb/tempdatabase.h"

namespace didu::test {

std::vector<std::string> splitScript(const std::string& script)
{
    std::vector<std::string> statements;
    std::string current;
    auto flush = [&] {
        const auto first = current.find_first_not_of(" \t\r\n");
        if (first != std::string::npos) {
            const auto last = current.find_last_not_of(" \t\r\n");
            statements.push_back(current.substr(first, last - first + 1));
        }
        current.clear();
    };

    const std::size_t n = script.size();
    for (std::size_t i = 0; i < n; ++i) {
        const char c = script[i];
        if (c == '\'' || c == '"') {
            // A quoted run ends at the next lone quote of its kind; a doubled one
            // is the quote character itself and stays inside.
            current += c;
            for (++i; i < n; ++i) {
                current += script[i];
                if (script[i] == c) {
                    if (i + 1 < n && script[i + 1] == c) {
                        current += script[++i];
                        continue;
                    }
                    break;
                }
            }
        } else if (c == '-' && i + 1 < n && script[i + 1] == '-') {
            while (i < n && script[i] != '\n')
                ++i;
            current += '\n';
        } else if (c == '/' && i + 1 < n && script[i + 1] == '*') {
            const auto end = script.find("*/", i + 2);
            i = end == std::string::npos ? n : end + 1;
            current += ' ';
        } else if (c == ';') {
            flush();
        } else {
            current += c;
        }
    }
    flush();
    return statements;
}

} // namespace didu::test
