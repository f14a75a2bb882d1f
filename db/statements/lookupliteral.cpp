#include "db/statements/lookupliteral.h"

#include "db/statements/markerscanner.h"
#include "platform/codepage.h"

namespace didu {

std::string quotedLiteralContent(std::string_view text)
{
    return quotedLiteralContent(text, databaseCodePage().leadBytes());
}

std::string quotedLiteralContent(std::string_view text, const LeadBytes& leadBytes)
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
    // server the one colon. The walk follows the scanner exactly: it starts
    // inside the literal's opening quote and takes a lead byte with the byte
    // after it.
    std::string content;
    content.reserve(doubled.size() + 2);
    bool quoted = true;
    for (std::size_t i = 0; i < doubled.size(); ++i) {
        const char c = doubled[i];
        if (leadBytes.isLead(static_cast<unsigned char>(c))) {
            content += c;
            if (i + 1 < doubled.size())
                content += doubled[++i];
            continue;
        }
        if (isMarkerQuote(static_cast<unsigned char>(c)))
            quoted = !quoted;
        else if (c == ':' && !quoted)
            content += ':';
        content += c;
    }
    return content;
}

} // namespace didu
