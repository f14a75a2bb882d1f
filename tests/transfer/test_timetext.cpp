// The change time text, the locale's time separator and the lookup literal.
#include "platform/timeseparator.h"
#include "transfer/timetext.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace didu {
namespace {

TEST(TimeText, TwoDigitsEachAndNoRounding)
{
    struct Case {
        TimeOfDay time;
        std::string separator;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {{0, 0, 7, 0}, ":", "00:00:07"},
        {{23, 59, 59, 999}, ":", "23:59:59"},
        {{7, 5, 9, 500}, ":", "07:05:09"},
        {{19, 5, 9, 0}, ":", "19:05:09"},
        {{12, 0, 0, 0}, ".", "12.00.00"},
        {{9, 30, 45, 0}, "\xe6\x99\x82", "09\xe6\x99\x82" "30\xe6\x99\x82" "45"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(formatTimeOfDay(c.time, c.separator), c.expected) << c.expected;
}

TEST(TimeText, LocalClockGivesAValidTimeOfDay)
{
    const TimeOfDay now = localTimeOfDay();
    EXPECT_GE(now.hour, 0);
    EXPECT_LE(now.hour, 23);
    EXPECT_GE(now.minute, 0);
    EXPECT_LE(now.minute, 59);
    EXPECT_GE(now.second, 0);
    EXPECT_LE(now.second, 60); // a leap second
    EXPECT_GE(now.millisecond, 0);
    EXPECT_LE(now.millisecond, 999);
    EXPECT_EQ(formatTimeOfDay(now, ":").size(), 8u);
}

TEST(TimeSeparator, FromTheLocalesTimeFormat)
{
    struct Case {
        std::string format;
        std::string ampm;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"%H:%M:%S", "", ":"},
        {"%T", "", ":"},
        {"%R", "", ":"},
        {"%H.%M.%S", "", "."},
        {"%k.%M", "", "."},
        {"%Hh%Mm", "", "h"},
        {"%OH:%OM:%OS", "", ":"},
        {"%-H/%M", "", "/"},
        {"%r", "%I:%M:%S %p", ":"},
        {"%r", "%p %I.%M.%S", "."},
        {"%p%I\xe6\x99\x82%M\xe5\x88\x86", "", "\xe6\x99\x82"},
        {"%H%M%S", "", ":"},
        {"%%%H-%M", "", "-"},
        {"%%H-%M", "", ":"},
        {"", "", ":"},
        {"%Y-%m-%d", "", ":"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(timeSeparatorFromFormat(c.format, c.ampm), c.expected) << c.format;
}

TEST(TimeSeparator, ReadAgainFromTheEnvironment)
{
    ::setenv("LC_ALL", "C", 1);
    EXPECT_EQ(reloadTimeSeparator(), ":");
    EXPECT_EQ(timeSeparator(), ":");
    // A locale the C library does not know falls back to the process's own.
    ::setenv("LC_ALL", "xx_NOWHERE.UTF-8", 1);
    EXPECT_EQ(reloadTimeSeparator(), ":");
    ::unsetenv("LC_ALL");
}

} // namespace
} // namespace didu
