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

// The end of the marker whose name starts at `start`: the first byte that ends a
// marker outside quotes, or the end of the text. Quotes in the name flip `quoted`.
std::size_t markerEnd(std::string_view text, std::size_t start, const CodePage& codePage, bool& quoted)
{
    std::size_t end = start;
    while (end < text.size()) {
        const auto inner = static_cast<unsigned char>(text[end]);
        if (codePage.mayBeginMultiByte(inner)) {
            end += codePage.characterLength({text.data() + end, text.size() - end});
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
void scanFrom(std::string_view text, const CodePage& codePage, MarkerScan& out, std::size_t i,
              std::size_t nameCount, bool quoted)
{
    std::string& driver = out.driverText;
    driver.reserve(text.size());
    const std::size_t size = text.size();
    // Set when the end of the text may cut a marker or a character short; the
    // first such point wins, since everything after it may read otherwise.
    std::optional<ResumePoint> cut;

    while (i < size) {
        const std::size_t runStart = i;
        QuoteWalk walk {quoted};
        i = nextColonOutsideQuotes(text, i, codePage, walk);
        quoted = walk.quoted;
        if (walk.cutAt != std::string_view::npos && !cut)
            cut = ResumePoint{walk.cutAt, driver.size() + (walk.cutAt - runStart), nameCount, walk.quotedAtCut};
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
        const std::size_t end = markerEnd(text, colon + 1, codePage, quoted);
        if (end == size && !cut) // a longer text goes on with this marker
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

std::size_t nextColonOutsideQuotes(std::string_view text, std::size_t from, const CodePage& codePage,
                                   QuoteWalk& walk)
{
    const std::size_t size = text.size();
    const std::size_t longest = codePage.longestCharacter();
    // Locals the loop keeps in registers: nothing it writes can change them.
    bool quoted = walk.quoted;
    std::size_t cutAt = walk.cutAt;
    std::size_t i = from;
    for (; i < size; ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (codePage.mayBeginMultiByte(byte)) {
            const std::size_t length = codePage.characterLength({text.data() + i, size - i});
            if (i + longest > size && length < longest && cutAt == std::string_view::npos) {
                cutAt = i;
                walk.quotedAtCut = quoted;
            }
            i += length - 1;
        } else if (isMarkerQuote(byte)) {
            quoted = !quoted;
        } else if (byte == ':' && !quoted) {
            break;
        }
    }
    walk.quoted = quoted;
    walk.cutAt = cutAt;
    return i;
}

void scanMarkers(std::string_view text, const CodePage& codePage, MarkerScan& out)
{
    out.driverText.clear();
    scanFrom(text, codePage, out, 0, 0, false);
}

void continueMarkerScan(std::string_view text, const CodePage& codePage, MarkerScan& out)
{
    if (out.resumeAt > text.size() || out.resumeDriverLength > out.driverText.size() ||
        out.resumeNameCount > out.names.size()) {
        scanMarkers(text, codePage, out);
        return;
    }
    out.driverText.resize(out.resumeDriverLength);
    scanFrom(text, codePage, out, out.resumeAt, out.resumeNameCount, out.resumeQuoted);
}

MarkerScan scanMarkers(std::string_view text, const CodePage& codePage)
{
    MarkerScan scan;
    scanMarkers(text, codePage, scan);
    return scan;
}

} // namespace didu
