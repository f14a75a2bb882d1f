#include "tests/support/recording/recordingsetup.h"

#include "db/connection/sqlconnection.h"
#include "platform/library.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#ifndef DIDU_RECORDING_PLUGIN_PATH
#error "DIDU_RECORDING_PLUGIN_PATH must name the recording plugin"
#endif

namespace didu::recording {

std::string pluginPath()
{
    return DIDU_RECORDING_PLUGIN_PATH;
}

Control& control()
{
    static Control* control = [] {
        static std::shared_ptr<LoadedLibrary> library = LoadedLibrary::load(pluginPath());
        if (!library)
            throw std::runtime_error("cannot load " + pluginPath() + ": " + LoadedLibrary::lastLoadError());
        auto entry = reinterpret_cast<RecordingDriverControlFunc>(library->symbol(DIDU_RECORDING_CONTROL_ENTRY));
        if (!entry)
            throw std::runtime_error("no " DIDU_RECORDING_CONTROL_ENTRY " in " + pluginPath());
        return entry();
    }();
    return *control;
}

std::vector<std::string> referenceParams(const std::string& database)
{
    // The lines stored with the window, pointing at the test's database.
    std::vector<std::string> lines = SQLConnection::storedParams().lines();
    for (std::string& line : lines)
        if (line.rfind("Database=", 0) == 0)
            line = "Database=" + database;
    return lines;
}

ConfigFolder::ConfigFolder()
{
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/didu-config-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("cannot make a folder from " + pattern);
    m_path = pattern;
}

ConfigFolder::~ConfigFolder()
{
    if (m_setXdg) {
        if (m_oldXdg)
            ::setenv("XDG_CONFIG_HOME", m_oldXdg->c_str(), 1);
        else
            ::unsetenv("XDG_CONFIG_HOME");
    }
    std::error_code ignored;
    // Tests may have taken permissions away to make a file unreadable.
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(m_path, ignored);
}

std::string ConfigFolder::filePath(const std::string& name) const
{
    return m_path + "/" + name;
}

void ConfigFolder::writeFile(const std::string& name, const std::string& bytes) const
{
    const std::filesystem::path file = filePath(name);
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + file.string());
}

void ConfigFolder::writeConnections(const std::vector<std::string>& params, const std::string& section) const
{
    std::string text = "[" + section + "]\n";
    for (const std::string& line : params)
        text += line + "\n";
    writeFile("dbxconnections.ini", text);
}

void ConfigFolder::writeDrivers(const std::string& libraryName, const std::string& vendorLib,
                                const std::string& getDriverFunc) const
{
    writeFile("dbxdrivers.ini", "[Interbase]\nLibraryName=" + libraryName + "\nVendorLib=" + vendorLib +
                                    "\nGetDriverFunc=" + getDriverFunc + "\n");
}

void ConfigFolder::useAsUserSetting()
{
    writeFile("dbx/registry.ini", "[DBExpress]\nConnection Registry File=" + filePath("dbxconnections.ini") +
                                      "\nDriver Registry File=" + filePath("dbxdrivers.ini") + "\n");
    makeXdgConfigHome();
}

void ConfigFolder::makeXdgConfigHome()
{
    if (!m_setXdg) {
        if (const char* old = std::getenv("XDG_CONFIG_HOME"))
            m_oldXdg = old;
        m_setXdg = true;
    }
    ::setenv("XDG_CONFIG_HOME", m_path.c_str(), 1);
}

std::unique_ptr<ConfigFolder> useRecordingDriver(const std::string& database)
{
    auto folder = std::make_unique<ConfigFolder>();
    folder->writeConnections(referenceParams(database));
    folder->writeDrivers();
    folder->useAsUserSetting();
    control().reset();
    return folder;
}

} // namespace didu::recording
