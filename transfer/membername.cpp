#include "transfer/membername.h"

#include "platform/asciitext.h"

namespace didu {

std::string memberName(std::string_view customerName, const CodePage& codePage)
{
    std::size_t cut = customerName.size();
    if (cut > kMemberNameBytes) {
        // Walk whole characters so that the cut lands on a boundary; a character
        // that reaches past byte 20 is left out entirely.
        cut = 0;
        while (cut < kMemberNameBytes) {
            const std::size_t length = codePage.characterLength(customerName.substr(cut));
            if (cut + length > kMemberNameBytes)
                break;
            cut += length;
        }
    }
    return std::string(trimBlanksAndControls(customerName.substr(0, cut)));
}

} // namespace didu
