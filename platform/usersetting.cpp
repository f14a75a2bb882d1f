#include "platform/usersetting.h"

#include "platform/asciitext.h"
#include "platform/errors.h"
#include "platform/inifile.h"

#include <cstdlib>

namespace didu {

std::string userSettingPath()
{
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    std::string base;
    if (xdg && *xdg) {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home ? home : "") + "/.config";
    }
    return base + "/dbx/registry.ini";
}

std::string userSettingString(const std::string& valueName)
{
    for (const std::string& entry : readIniSection(userSettingPath(), "DBExpress")) {
        const auto eq = entry.find('=');
        if (eq == std::string::npos || !asciiEqualsIgnoreCase(std::string_view(entry).substr(0, eq), valueName))
            continue;
        const std::string_view value = std::string_view(entry).substr(eq + 1);
        if (asciiStartsWithIgnoreCase(value, "dword:") || asciiStartsWithIgnoreCase(value, "hex:"))
            throw ConfigurationError("Invalid data type for '" + valueName + "'");
        return std::string(value);
    }
    return {};
}

} // namespace didu
