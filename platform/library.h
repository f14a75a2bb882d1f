// The one place that loads shared libraries. A LoadedLibrary keeps its library
// loaded while anything holds it; plugins are never unloaded before process end
// by the program itself, since objects made from them may still live.
#pragma once

#include <memory>
#include <string>

namespace didu {

class LoadedLibrary {
public:
    /// Loads `name`: an absolute or relative path as given, or a bare file name
    /// looked up first beside the executable, then through the loader's own
    /// search path. Null when it cannot be loaded (see lastLoadError()).
    static std::shared_ptr<LoadedLibrary> load(const std::string& name);
    /// Text of the loader's last failure in this thread, for diagnostics.
    static std::string lastLoadError();

    ~LoadedLibrary();
    LoadedLibrary(const LoadedLibrary&) = delete;
    LoadedLibrary& operator=(const LoadedLibrary&) = delete;

    /// Address of the exported `symbol`, or null.
    void* symbol(const std::string& symbol) const;
    const std::string& path() const { return m_path; }

private:
    LoadedLibrary(void* handle, std::string path) : m_handle(handle), m_path(std::move(path)) {}

    void* m_handle;
    std::string m_path;
};

/// Full path of the running executable ("/proc/self/exe" resolved).
std::string executablePath();
/// Directory of the running executable, without a trailing "/".
std::string executableDirectory();

} // namespace didu
