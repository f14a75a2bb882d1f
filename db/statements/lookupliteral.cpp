#include "db/statements/lookupliteral.h"

#include "db/statements/markerscanner.h"
#include "platform/codepage.h"

namespace didu {

std::string quotedLiteralContent(std::string_view text, const CodePage& codePage)
{
    std::string doubled;
    doubled.reserve(text.size() + 2);
    for (char c : text) {
        doubled += c;
        if (c == '\'')
            doubled += '\'';
    }

    // The statement's marker scanner reads this text before the server does, and
    // it takes " and ` for quotes too, which the server does not inside a '...'
    // literal. Where the scanner would think itself outside quotes, a colon of
    // the id would start a marker; written twice there, the scanner hands the
    // server the one colon. The scanner's own walk finds those colons, starting
    // inside the literal's opening quote.
    std::string content;
    content.reserve(doubled.size() + 2);
    QuoteWalk walk {true};
    std::size_t done = 0;
    while (done < doubled.size()) {
        const std::size_t colon = nextColonOutsideQuotes(doubled, done, codePage, walk);
        content.append(doubled, done, colon - done);
        if (colon == doubled.size())
            break;
        content += "::";
        done = colon + 1;
    }
    return content;
}

} // namespace didu
