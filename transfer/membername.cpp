#include "transfer/membername.h"

#include "platform/asciitext.h"

namespace didu {

std::string memberName(std::string_view customerName, const CharacterLength& characterLength)
{
    std::size_t cut = customerName.size();
    if (cut > kMemberNameBytes) {
        // Walk whole characters so that the cut lands on a boundary; a character
        // that reaches past byte 20 is left out entirely.
        cut = 0;
        while (cut < kMemberNameBytes) {
            std::size_t length = characterLength(customerName.substr(cut));
            if (length == 0)
                length = 1;
            if (cut + length > kMemberNameBytes)
                break;
            cut += length;
        }
    }
    return std::string(trimBlanksAndControls(customerName.substr(0, cut)));
}

} // namespace didu
