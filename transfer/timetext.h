// The change time written into every new member row: the local time of day as
// "hh:nn:ss", each ":" being the locale's time separator. The clock is a plain
// function so that tests and the benchmark can fix the moment.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace didu {

/// A local time of day; milliseconds are carried only to be cut off.
struct TimeOfDay {
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

/// Where the transfer reads the time of day from.
using Clock = std::function<TimeOfDay()>;

/// The machine's clock, read in local time.
TimeOfDay localTimeOfDay();

/// "hh:nn:ss" on the 24-hour clock with two digits each; `separator` stands for
/// every ":". Milliseconds never carry into the seconds.
std::string formatTimeOfDay(const TimeOfDay& time, std::string_view separator);

} // namespace didu
