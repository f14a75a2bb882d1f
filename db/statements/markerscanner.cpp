#include "db/statements/markerscanner.h"

#include <optional>

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

// Where a scan of a longer text that begins with this one may pick up.
struct ResumePoint {
    std::size_t at;
    std::size_t driverLength;
    std::size_t nameCount;
    bool quoted;
};

// The end of the copied run from `i`: the next colon outside quotes, or the end
// of the text. Lead bytes take their second byte along, quotes flip `quoted`; a
// lead byte ending the text has no second byte and sets `loneLead`.
std::size_t plainRunEnd(std::string_view text, std::size_t i, const LeadBytes& leadBytes, bool& quoted,
                        bool& loneLead)
{
    while (i < text.size()) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (leadBytes.isLead(byte)) {
            if (i + 1 == text.size()) {
                loneLead = true;
                return i + 1;
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
    return i;
}

// The end of the marker whose name starts at `start`: the first byte that ends a
// marker outside quotes, or the end of the text. Quotes in the name flip `quoted`.
std::size_t markerEnd(std::string_view text, std::size_t start, const LeadBytes& leadBytes, bool& quoted)
{
    std::size_t end = start;
    while (end < text.size()) {
        const auto inner = static_cast<unsigned char>(text[end]);
        if (leadBytes.isLead(inner) && end + 1 < text.size()) {
            end += 2;
            continue;
        }
        if (isMarkerQuote(inner))
            quoted = !quoted;
        else if (!quoted && endsMarker(inner))
            break;
        ++end;
    }
    return end;
}

// The scanner proper, from byte `i` with the state given; `out.driverText` and
// the first `nameCount` names already hold the result for the bytes before `i`.
void scanFrom(std::string_view text, const LeadBytes& leadBytes, MarkerScan& out, std::size_t i,
              std::size_t nameCount, bool quoted)
{
    std::string& driver = out.driverText;
    driver.reserve(text.size());
    const std::size_t size = text.size();
    // Set when the end of the text cuts a marker or a lead byte short.
    std::optional<ResumePoint> cut;

    while (i < size) {
        const std::size_t runStart = i;
        bool loneLead = false;
        i = plainRunEnd(text, i, leadBytes, quoted, loneLead);
        if (loneLead) // a longer text may give it its second byte
            cut = ResumePoint{i - 1, driver.size() + (i - 1 - runStart), nameCount, quoted};
        driver.append(text.data() + runStart, i - runStart);
        if (i >= size)
            break;

        // A colon outside quotes.
        if (i + 1 < size && text[i + 1] == ':') {
            driver.push_back(':');
            i += 2;
            continue;
        }
        const std::size_t colon = i;
        const std::size_t end = markerEnd(text, colon + 1, leadBytes, quoted);
        if (end == size) // a longer text goes on with this marker
            cut = ResumePoint{colon, driver.size(), nameCount, false};
        const std::string_view name = unquotedName(text.substr(colon + 1, end - colon - 1));
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

    const ResumePoint resume = cut.value_or(ResumePoint{size, driver.size(), nameCount, quoted});
    out.resumeAt = resume.at;
    out.resumeDriverLength = resume.driverLength;
    out.resumeNameCount = resume.nameCount;
    out.resumeQuoted = resume.quoted;
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
