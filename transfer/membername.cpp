#include "transfer/membername.h"

namespace didu {

namespace {

bool isBlank(char byte)
{
    return static_cast<unsigned char>(byte) <= 0x20;
}

} // namespace

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
    std::string_view name = customerName.substr(0, cut);
    while (!name.empty() && isBlank(name.front()))
        name.remove_prefix(1);
    while (!name.empty() && isBlank(name.back()))
        name.remove_suffix(1);
    return std::string(name);
}

} // namespace didu
