#include "drivers/interbase/typebinding.h"

#include <ibase.h>

#include <string_view>

namespace didu::ib {

namespace {

// Firebird 3's headers lack the tag; a Firebird 3 engine, embedded or server,
// skips the item unread, so the same block serves every engine.
#ifdef isc_dpb_set_bind
constexpr char kSetBind = isc_dpb_set_bind;
#else
constexpr char kSetBind = 93;
#endif

// The engine converts, so the text is its own and exact: every digit of an
// INT128 with its scale, a DECFLOAT's digits and exponent, a time with its zone.
// Converting in the driver instead is not possible with Firebird 3's client
// library: it refuses at prepare ("Data type unknown") any statement that
// describes such a column, before the driver sees the description. A VARCHAR
// without a length is as long as the longest text of the type.
constexpr std::string_view kBindings = "int128 to varchar; decfloat to varchar; time zone to varchar";

} // namespace

void addTextBindings(std::vector<char>& dpb)
{
    dpb.push_back(kSetBind);
    dpb.push_back(static_cast<char>(kBindings.size()));
    dpb.insert(dpb.end(), kBindings.begin(), kBindings.end());
}

} // namespace didu::ib
