// The marker scanner on arbitrary statement text under four character sets
// (the first byte picks one). Beyond not crashing: a text without a colon
// reaches the driver unchanged, the driver text is never longer than the
// statement text, a scan into a reused result gives what a fresh scan gives,
// and so does a scan continued from a cut anywhere (inside a character too).
#include "db/statements/markerscanner.h"
#include "platform/codepage.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace {

void check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "property broken: %s\n", what);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    static const didu::CodePage codePages[] = {didu::CodePage(), didu::CodePage::named("BIG5"),
                                               didu::CodePage::named("UTF-8"), didu::CodePage::named("GB18030")};
    const didu::CodePage& codePage = codePages[data[0] % 4];
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

    const didu::MarkerScan fresh = didu::scanMarkers(text, codePage);
    check(fresh.driverText.size() <= text.size(), "driver text longer than the statement");
    if (text.find(':') == std::string_view::npos) {
        check(fresh.driverText == text, "text without a colon changed");
        check(fresh.names.empty(), "a marker without a colon");
    }
    std::size_t questionMarks = 0;
    for (char c : fresh.driverText)
        questionMarks += c == '?';
    check(questionMarks >= fresh.names.size(), "a marker without its ?");

    // The statement object reuses one result for every scan.
    static didu::MarkerScan reused;
    didu::scanMarkers(text, codePage, reused);
    check(reused.driverText == fresh.driverText && reused.names == fresh.names, "reused result differs");

    didu::MarkerScan continued;
    didu::scanMarkers(text.substr(0, text.size() / 2), codePage, continued);
    didu::continueMarkerScan(text, codePage, continued);
    check(continued.driverText == fresh.driverText && continued.names == fresh.names, "continued scan differs");
    return 0;
}
