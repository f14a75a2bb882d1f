// The marker scanner: finds the named parameters of a statement text (a colon and
// a name outside quotes) and gives the text the driver prepares, with every marker
// replaced by "?". A plain function on bytes, linear in the length of the text.
//
// Rules, in the order they are tried at each byte, with one quote flag:
// - a character of more than one byte in the code page is copied whole,
//   unexamined, so a later byte that happens to look like a quote or a colon
//   (Big5 allows 0x40 to 0x7E there, GB18030 0x30 to 0x39) changes nothing;
// - ' " and ` all toggle the same flag: the statements this program meets close
//   a literal with any of the three, so they are treated alike;
// - outside quotes "::" is a literal colon (the first one is dropped);
// - outside quotes any other colon starts a marker that runs up to a space, CR,
//   LF, ")", "," or ";" met while the flag is off, or to the end of the text;
//   quotes inside the marker toggle the flag, so a quoted name may hold blanks.
#pragma once

#include "platform/codepage.h"

#include <string>
#include <string_view>
#include <vector>

namespace didu {

/// The quotes of the scanner's one quote flag.
constexpr bool isMarkerQuote(unsigned char byte)
{
    return byte == '\'' || byte == '"' || byte == '`';
}

/// Where the scanner's walk stands: inside quotes or not, and the first
/// character the end of the text may have cut short (a longer text can make it
/// a longer character), with the quote flag there.
struct QuoteWalk {
    bool quoted = false;
    std::size_t cutAt = std::string_view::npos;
    bool quotedAtCut = false;
};

/// The scanner's walk over text outside markers from `from`: the index of the
/// next colon outside quotes, or the size of the text. The lookup literal walks
/// with it too, so that what it writes is what the scanner reads.
std::size_t nextColonOutsideQuotes(std::string_view text, std::size_t from, const CodePage& codePage,
                                   QuoteWalk& walk);

/// What a scan gives: the driver text and the marker names in text order.
struct MarkerScan {
    std::string driverText;
    std::vector<std::string> names;

    // Where a scan of a longer text that begins with the scanned one may pick up:
    // the end of the text, or the start of a marker (or of a character) that
    // the end of the text cut short, with the scanner's state at that point.
    std::size_t resumeAt = 0;
    std::size_t resumeDriverLength = 0;
    std::size_t resumeNameCount = 0;
    bool resumeQuoted = false;
};

/// Scans `text` in `codePage`, writing into `out` (its buffers are reused,
/// so repeated scans into the same object allocate little).
void scanMarkers(std::string_view text, const CodePage& codePage, MarkerScan& out);

/// Scans `text`, which begins with the text last scanned into `out`, looking
/// again only at what was added (and at a marker the old end cut short). The
/// result is the same as scanMarkers(text, ...); it makes appending a line cost
/// the length of the line instead of the length of the whole text.
void continueMarkerScan(std::string_view text, const CodePage& codePage, MarkerScan& out);

/// Scans `text` in `codePage` into a fresh result.
MarkerScan scanMarkers(std::string_view text, const CodePage& codePage);

} // namespace didu
