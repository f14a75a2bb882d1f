// Real glibc locales for tests, built with localedef into a private folder that
// is then named by LOCPATH, so that the C library (and with it every part of
// the program) answers exactly as on a machine where they are installed.
//
//   auto folder = didu::test::privateLocales({"zh_TW.BIG5"});
//   ASSERT_TRUE(folder) << "localedef cannot build zh_TW.BIG5 here";
//   didu::test::ScopedLocale big5(*folder, "zh_TW.BIG5");
//
// A test that needs a locale fails, never skips, when it cannot be built: the
// machine lacks localedef or glibc's locale sources (Debian's "locales", which
// tools/setup.sh installs), and a skip would hide the checks of every desktop
// but the one the machine runs.
//
// The folder lives under the temporary directory, one per user, and is kept
// between runs: building zh_TW takes seconds. Each locale is built in a folder
// of its own and renamed into place, so tests running at once never see half
// of one.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace didu::test {

/// The LOCPATH folder holding every named locale ("zh_TW.UTF-8": source zh_TW,
/// character map UTF-8), built when missing; nullopt when one cannot be built.
std::optional<std::string> privateLocales(const std::vector<std::string>& names);

/// The environment of a user of `locale` for as long as it lives: LOCPATH,
/// LANG and LC_ALL set, and the program's facts of the user's locale read
/// again (platform/locale.h); the previous values restored afterwards.
class ScopedLocale {
public:
    ScopedLocale(const std::string& folder, const std::string& locale);
    ~ScopedLocale();
    ScopedLocale(const ScopedLocale&) = delete;
    ScopedLocale& operator=(const ScopedLocale&) = delete;

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};

} // namespace didu::test
