#include "db/connection/configfile.h"

#include "platform/inifile.h"
#include "platform/library.h"
#include "platform/usersetting.h"

namespace didu {

std::string locateConfigFile(const std::string& valueName, const std::string& defaultFileName)
{
    const std::string named = userSettingString(valueName);
    if (!named.empty())
        return named;
    return executableDirectory() + "/" + defaultFileName;
}

NameValueList readConfigSection(const std::string& path, const std::string& section)
{
    return NameValueList(readIniSection(path, section));
}

std::string readConfigValue(const std::string& path, const std::string& section, const std::string& key)
{
    return readConfigSection(path, section).value(key);
}

bool configFileExists(const std::string& path)
{
    return isRegularFile(path);
}

} // namespace didu
