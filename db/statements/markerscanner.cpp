#include "db/statements/markerscanner.h"

namespace didu {

namespace {

bool isQuote(unsigned char byte)
{
    return byte == '\'' || byte == '"' || byte == '`';
}

bool endsMarker(unsigned char byte)
{
    return byte == ' ' || byte == '\r' || byte == '\n' || byte == ')' || byte == ',' || byte == ';';
}

// A marker's name without the quotes of a quoted name: one quote off the front
// when one follows the colon directly, then one off the end if there is one.
std::string_view unquotedName(std::string_view name)
{
    if (name.empty() || !isQuote(static_cast<unsigned char>(name.front())))
        return name;
    name.remove_prefix(1);
    if (!name.empty() && isQuote(static_cast<unsigned char>(name.back())))
        name.remove_suffix(1);
    return name;
}

} // namespace

void scanMarkers(std::string_view text, const LeadBytes& leadBytes, MarkerScan& out)
{
    std::string& driver = out.driverText;
    driver.clear();
    driver.reserve(text.size());
    std::size_t nameCount = 0;

    const std::size_t size = text.size();
    bool quoted = false;
    std::size_t i = 0;
    while (i < size) {
        const auto byte = static_cast<unsigned char>(text[i]);
        // A lead byte that ends the text has no second byte: it stands alone.
        if (leadBytes.isLead(byte) && i + 1 < size) {
            driver.append(text.data() + i, 2);
            i += 2;
            continue;
        }
        if (byte == ':' && !quoted) {
            if (i + 1 < size && text[i + 1] == ':') {
                driver.push_back(':');
                i += 2;
                continue;
            }
            const std::size_t start = i + 1;
            std::size_t end = start;
            while (end < size) {
                const auto inner = static_cast<unsigned char>(text[end]);
                if (leadBytes.isLead(inner) && end + 1 < size) {
                    end += 2;
                    continue;
                }
                if (isQuote(inner))
                    quoted = !quoted;
                else if (!quoted && endsMarker(inner))
                    break;
                ++end;
            }
            const std::string_view name = unquotedName(text.substr(start, end - start));
            if (nameCount < out.names.size())
                out.names[nameCount].assign(name);
            else
                out.names.emplace_back(name);
            ++nameCount;
            driver.push_back('?');
            // The byte that ended the marker is copied by the next round.
            i = end;
            continue;
        }
        if (isQuote(byte))
            quoted = !quoted;
        driver.push_back(static_cast<char>(byte));
        ++i;
    }
    out.names.resize(nameCount);
}

MarkerScan scanMarkers(std::string_view text, const LeadBytes& leadBytes)
{
    MarkerScan scan;
    scanMarkers(text, leadBytes, scan);
    return scan;
}

} // namespace didu
