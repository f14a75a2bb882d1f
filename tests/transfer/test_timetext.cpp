// The change time text and the locale's time separator.
#include "platform/timeseparator.h"
#include "tests/support/locales/privatelocale.h"
#include "transfer/timetext.h"

#include <gtest/gtest.h>

#include <string>

namespace didu {
namespace {

TEST(TimeText, TwoDigitsEachAndNoRoundingFromTheLocalClock)
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
    };
    for (const auto& c : cases)
        EXPECT_EQ(formatTimeOfDay(c.time, c.separator), c.expected) << c.expected;

    // The local clock gives a valid time of day.
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
        {"%Hh%Mm", "", ":"},
        {"%OH:%OM:%OS", "", ":"},
        {"%-H/%M", "", "/"},
        {"%r", "%I:%M:%S %p", ":"},
        {"%r", "%p %I.%M.%S", "."},
        {"%H時%M分%S秒", "", ":"},             // zh_TW: units, not separators
        {"%H\xae\xc9%M\xa4\xc0%S\xac\xed", "", ":"}, // the same in Big5
        {"%p %I時%M分%S秒", "", ":"},
        {"kl. %H.%M %z", "", "."},
        {"%H:%M", "", ":"},
        {"%H::%M", "", ":"},
        {"%M.%S", "", ":"},                  // no hour
        {"%H%%%M", "", "%"},
        {"%H%M%S", "", ":"},
        {"%%%H-%M", "", "-"},
        {"%%H-%M", "", ":"},
        {"", "", ":"},
        {"%Y-%m-%d", "", ":"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(timeSeparatorFromFormat(c.format, c.ampm), c.expected) << c.format;
}

// The change time under real locales, as a new member row gets it, each read
// again as the locale changes: neighbouring cases differ in their separator, so
// a separator kept from before shows.
TEST(TimeSeparator, ReadAgainAsTheLocaleChanges)
{
    struct Case {
        const char* locale;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {"fi_FI.UTF-8", "08.31.28"}, // "%H.%M.%S"
        {"C.UTF-8", "08:31:28"},
        {"fi_FI.UTF-8", "08.31.28"},
        {"zh_TW.UTF-8", "08:31:28"}, // "%H時%M分%S秒": units, not separators
        {"fi_FI.UTF-8", "08.31.28"},
        {"zh_TW.BIG5", "08:31:28"},
        {"fi_FI.UTF-8", "08.31.28"},
        {"en_US.UTF-8", "08:31:28"},
        {"fi_FI.UTF-8", "08.31.28"},
        {"xx_NOWHERE.UTF-8", "08:31:28"}, // unknown: the process's own, "C"
    };
    const auto folder = didu::test::privateLocales({"fi_FI.UTF-8", "C.UTF-8", "zh_TW.UTF-8", "zh_TW.BIG5", "en_US.UTF-8"});
    ASSERT_TRUE(folder) << "localedef cannot build the locales here";
    for (const Case& c : cases) {
        didu::test::ScopedLocale locale(*folder, c.locale);
        reloadTimeSeparator();
        EXPECT_EQ(formatTimeOfDay({8, 31, 28, 0}, timeSeparator()), c.expected) << c.locale;
    }
    reloadTimeSeparator();
}

} // namespace
} // namespace didu
