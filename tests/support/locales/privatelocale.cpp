#include "tests/support/locales/privatelocale.h"

#include "platform/locale.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace didu::test {

namespace fs = std::filesystem;

namespace {

bool build(const fs::path& folder, const std::string& name)
{
    const fs::path target = folder / name;
    if (fs::exists(target / "LC_CTYPE"))
        return true;
    const auto dot = name.find('.');
    if (dot == std::string::npos)
        return false;
    const std::string source = name.substr(0, dot);
    const std::string charmap = name.substr(dot + 1);
    const fs::path partial = folder / (name + ".building." + std::to_string(::getpid()));
    const std::string command = "localedef -i " + source + " -f " + charmap + " " + partial.string()
                                + " >/dev/null 2>&1";
    // localedef warns (exit code 1) about some glibc sources yet writes the
    // locale; what counts is that the locale is there.
    std::system(command.c_str());
    std::error_code ignored;
    if (!fs::exists(partial / "LC_CTYPE") || !fs::exists(partial / "LC_TIME")) {
        fs::remove_all(partial, ignored);
        return false;
    }
    fs::rename(partial, target, ignored);
    fs::remove_all(partial, ignored); // another test was first
    return fs::exists(target / "LC_CTYPE");
}

} // namespace

std::optional<std::string> privateLocales(const std::vector<std::string>& names)
{
    const fs::path folder = fs::temp_directory_path() / ("didu-locales-" + std::to_string(::getuid()));
    std::error_code error;
    fs::create_directories(folder, error);
    if (error)
        return std::nullopt;
    for (const std::string& name : names) {
        if (!build(folder, name))
            return std::nullopt;
    }
    return folder.string();
}

ScopedLocale::ScopedLocale(const std::string& folder, const std::string& locale)
{
    const std::pair<const char*, std::string> settings[] = {
        {"LOCPATH", folder}, {"LANG", locale}, {"LC_ALL", locale}};
    for (const auto& [name, value] : settings) {
        const char* previous = std::getenv(name);
        m_saved.emplace_back(name, previous ? std::optional<std::string>(previous) : std::nullopt);
        ::setenv(name, value.c_str(), 1);
    }
    reloadUserLocale();
}

ScopedLocale::~ScopedLocale()
{
    for (const auto& [name, value] : m_saved) {
        if (value)
            ::setenv(name.c_str(), value->c_str(), 1);
        else
            ::unsetenv(name.c_str());
    }
    reloadUserLocale();
}

} // namespace didu::test
