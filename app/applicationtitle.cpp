#include "app/applicationtitle.h"

#include <climits>
#include <cwchar>
#include <cwctype>

namespace didu {

namespace {

constexpr std::size_t kMaximumTitle = 255;

// Length in bytes of the character at the front of `text` in the locale's
// encoding; a byte the locale cannot read counts as a character of its own, so a
// stray byte never swallows its neighbours.
std::size_t characterLength(std::string_view text, std::mbstate_t& state, wchar_t* wide)
{
    std::size_t n = std::mbrtowc(wide, text.data(), text.size(), &state);
    if (n == static_cast<std::size_t>(-1) || n == static_cast<std::size_t>(-2)) {
        state = std::mbstate_t{};
        *wide = 0;
        return 1;
    }
    return n == 0 ? 1 : n;
}

} // namespace

std::string applicationTitle(std::string_view path)
{
    std::string_view name = path;
    if (std::size_t slash = name.rfind('/'); slash != std::string_view::npos)
        name.remove_prefix(slash + 1);
    if (std::size_t dot = name.find('.'); dot != std::string_view::npos)
        name = name.substr(0, dot);

    std::string title;
    std::mbstate_t state{};
    bool first = true;
    while (!name.empty()) {
        wchar_t wide = 0;
        std::size_t length = characterLength(name, state, &wide);
        std::string piece(name.substr(0, length));
        if (!first && wide != 0) {
            wchar_t lower = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(wide)));
            if (lower != wide) {
                char buffer[MB_LEN_MAX];
                std::mbstate_t out{};
                std::size_t written = std::wcrtomb(buffer, lower, &out);
                if (written != static_cast<std::size_t>(-1))
                    piece.assign(buffer, written);
            }
        }
        // Cut on a character boundary: a title never ends in half a character.
        if (title.size() + piece.size() > kMaximumTitle)
            break;
        title += piece;
        name.remove_prefix(length);
        first = false;
    }
    return title;
}

} // namespace didu
