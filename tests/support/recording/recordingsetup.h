// Test helpers around the recording driver: reaching its control object, and a
// temporary folder of configuration files that sends SQLConnection to it.
//
// Typical use, before any SQLConnection is constructed (it locates its
// connection file when it is created):
//
//     auto config = didu::recording::useRecordingDriver();   // files + user setting
//     didu::SQLConnection connection;
//     connection.open();
//     EXPECT_EQ(didu::recording::control().callsStartingWith("Connection.connect"),
//               (std::vector<std::string>{"Connection.connect(\"/tmp/torvik/TORDATA.FDB\", \"sysdba\", \"quietfern\")"}));
//
// Link the test with didu_testsupport_recording; the plugin is built with it.
#pragma once

#include "tests/support/recording/recordingdriver.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace didu::recording {

/// Absolute path of build/bin/libdbxrecording.so.
std::string pluginPath();
/// The plugin's control object; loads the plugin by pluginPath() on first use,
/// which is the same library SQLConnection later loads from that path.
Control& control();

/// Database value of the reference parameter lines unless a test names another.
inline const char* const ReferenceDatabase = "/tmp/torvik/TORDATA.FDB";
/// The fourteen stored parameter lines, with `database` as the Database value.
std::vector<std::string> referenceParams(const std::string& database = ReferenceDatabase);

/// A fresh folder under $TMPDIR (or /tmp), removed with its contents on destruction.
class ConfigFolder {
public:
    ConfigFolder();
    /// Removes the folder and gives XDG_CONFIG_HOME back its earlier value if
    /// useAsUserSetting() changed it.
    ~ConfigFolder();
    ConfigFolder(const ConfigFolder&) = delete;
    ConfigFolder& operator=(const ConfigFolder&) = delete;

    const std::string& path() const { return m_path; }
    /// path() + "/" + name.
    std::string filePath(const std::string& name) const;
    /// Writes `bytes` to `name` in the folder (creating subfolders).
    void writeFile(const std::string& name, const std::string& bytes) const;

    /// dbxconnections.ini: one section `section` holding `params`, one line each.
    void writeConnections(const std::vector<std::string>& params = referenceParams(),
                          const std::string& section = "Torvik") const;
    /// dbxdrivers.ini: [Interbase] with LibraryName, VendorLib and GetDriverFunc.
    void writeDrivers(const std::string& libraryName = pluginPath(), const std::string& vendorLib = "libfbclient.so.2",
                      const std::string& getDriverFunc = "getSQLDriverINTERBASE") const;
    /// Writes <folder>/dbx/registry.ini naming this folder's dbxconnections.ini
    /// and dbxdrivers.ini, and sets XDG_CONFIG_HOME to the folder.
    void useAsUserSetting();
    /// Sets XDG_CONFIG_HOME to the folder only, for a test that writes its own
    /// dbx/registry.ini.
    void makeXdgConfigHome();

private:
    std::string m_path;
    bool m_setXdg = false;
    std::optional<std::string> m_oldXdg;
};

/// The whole set-up: reference files pointing at the recording plugin, made the
/// per-user setting, and the plugin's control reset.
std::unique_ptr<ConfigFolder> useRecordingDriver(const std::string& database = ReferenceDatabase);

} // namespace didu::recording
