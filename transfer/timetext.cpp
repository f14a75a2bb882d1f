#include "transfer/timetext.h"

#include <chrono>
#include <cstdio>
#include <ctime>

namespace didu {

TimeOfDay localTimeOfDay()
{
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&seconds, &local);
    const auto sinceEpoch = now.time_since_epoch();
    const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(sinceEpoch).count() % 1000;
    return TimeOfDay{local.tm_hour, local.tm_min, local.tm_sec, static_cast<int>(millis < 0 ? millis + 1000 : millis)};
}

std::string formatTimeOfDay(const TimeOfDay& time, std::string_view separator)
{
    char digits[3][4];
    std::snprintf(digits[0], sizeof digits[0], "%02d", time.hour);
    std::snprintf(digits[1], sizeof digits[1], "%02d", time.minute);
    std::snprintf(digits[2], sizeof digits[2], "%02d", time.second);
    std::string text;
    text.reserve(6 + 2 * separator.size());
    text.append(digits[0]).append(separator).append(digits[1]).append(separator).append(digits[2]);
    return text;
}

} // namespace didu
