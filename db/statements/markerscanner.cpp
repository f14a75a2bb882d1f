#include "db/statements/markerscanner.h"

namespace didu {

namespace {

bool endsMarker(unsigned char byte)
{
    return byte == ' ' || byte == '\r' || byte == '\n' || byte == ')' || byte == ',' || byte == ';';
}

// A marker's name without the quotes of a quoted name: one quote off the front
// when one follows the colon directly, then one off the end if there is one.
std::string_view unquotedName(std::string_view name)
{
    if (name.empty() || !isMarkerQuote(static_cast<unsigned char>(name.front())))
        return name;
    name.remove_prefix(1);
    if (!name.empty() && isMarkerQuote(static_cast<unsigned char>(name.back())))
        name.remove_suffix(1);
    return name;
}

// The scanner proper, from byte `i` with the state given; `out.driverText` and
// the first `nameCount` names already hold the result for the bytes before `i`.
void scanFrom(std::string_view text, const LeadBytes& leadBytes, MarkerScan& out, std::size_t i,
              std::size_t nameCount, bool quoted)
{
    std::string& driver = out.driverText;
    driver.reserve(text.size());
    const char* const bytes = text.data();
    const std::size_t size = text.size();

    // Where the end of the text leaves the scan complete, unless a marker or a
    // lead byte is cut short below.
    std::size_t resumeAt = size;
    std::size_t resumeDriverLength = 0;
    std::size_t resumeNameCount = 0;
    bool resumeQuoted = false;
    bool cutShort = false;

    while (i < size) {
        // Everything up to the next colon outside quotes is copied as it stands:
        // lead bytes take their second byte along, quotes only flip the flag.
        const std::size_t runStart = i;
        while (i < size) {
            const auto byte = static_cast<unsigned char>(bytes[i]);
            if (leadBytes.isLead(byte)) {
                if (i + 1 == size) {
                    // A lead byte ending the text has no second byte: it stands
                    // alone, but a longer text may give it one.
                    cutShort = true;
                    resumeAt = i;
                    resumeDriverLength = driver.size() + (i - runStart);
                    resumeNameCount = nameCount;
                    resumeQuoted = quoted;
                    ++i;
                    break;
                }
                i += 2;
                continue;
            }
            if (isMarkerQuote(byte))
                quoted = !quoted;
            else if (byte == ':' && !quoted)
                break;
            ++i;
        }
        driver.append(bytes + runStart, i - runStart);
        if (i >= size)
            break;

        // A colon outside quotes.
        if (i + 1 < size && bytes[i + 1] == ':') {
            driver.push_back(':');
            i += 2;
            continue;
        }
        const std::size_t colon = i;
        const std::size_t start = i + 1;
        std::size_t end = start;
        while (end < size) {
            const auto inner = static_cast<unsigned char>(bytes[end]);
            if (leadBytes.isLead(inner) && end + 1 < size) {
                end += 2;
                continue;
            }
            if (isMarkerQuote(inner))
                quoted = !quoted;
            else if (!quoted && endsMarker(inner))
                break;
            ++end;
        }
        if (end == size) {
            // The end of the text cut this marker short: a longer text goes on with it.
            cutShort = true;
            resumeAt = colon;
            resumeDriverLength = driver.size();
            resumeNameCount = nameCount;
            resumeQuoted = false;
        }
        const std::string_view name = unquotedName(text.substr(start, end - start));
        if (nameCount < out.names.size())
            out.names[nameCount].assign(name);
        else
            out.names.emplace_back(name);
        ++nameCount;
        driver.push_back('?');
        // The byte that ended the marker is copied by the next run.
        i = end;
    }
    out.names.resize(nameCount);

    if (cutShort) {
        out.resumeAt = resumeAt;
        out.resumeDriverLength = resumeDriverLength;
        out.resumeNameCount = resumeNameCount;
        out.resumeQuoted = resumeQuoted;
    } else {
        out.resumeAt = size;
        out.resumeDriverLength = driver.size();
        out.resumeNameCount = nameCount;
        out.resumeQuoted = quoted;
    }
}

} // namespace

void scanMarkers(std::string_view text, const LeadBytes& leadBytes, MarkerScan& out)
{
    out.driverText.clear();
    scanFrom(text, leadBytes, out, 0, 0, false);
}

void continueMarkerScan(std::string_view text, const LeadBytes& leadBytes, MarkerScan& out)
{
    if (out.resumeAt > text.size() || out.resumeDriverLength > out.driverText.size() ||
        out.resumeNameCount > out.names.size()) {
        scanMarkers(text, leadBytes, out);
        return;
    }
    out.driverText.resize(out.resumeDriverLength);
    scanFrom(text, leadBytes, out, out.resumeAt, out.resumeNameCount, out.resumeQuoted);
}

MarkerScan scanMarkers(std::string_view text, const LeadBytes& leadBytes)
{
    MarkerScan scan;
    scanMarkers(text, leadBytes, scan);
    return scan;
}

} // namespace didu
