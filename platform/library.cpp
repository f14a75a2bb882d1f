#include "platform/library.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <sys/stat.h>

namespace didu {

namespace {
thread_local std::string t_lastError;

bool isFile(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}
} // namespace

std::string executablePath()
{
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
}

std::string executableDirectory()
{
    const std::string path = executablePath();
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

std::shared_ptr<LoadedLibrary> LoadedLibrary::load(const std::string& name)
{
    if (name.empty()) {
        t_lastError = "empty library name";
        return nullptr;
    }
    std::string path = name;
    if (name.find('/') == std::string::npos) {
        const std::string beside = executableDirectory() + "/" + name;
        if (isFile(beside))
            path = beside;
    }
    // RTLD_LOCAL keeps each plugin's symbols to itself; RTLD_NOW reports a broken
    // plugin here instead of at its first call.
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* err = ::dlerror();
        t_lastError = err ? err : "unknown error";
        return nullptr;
    }
    return std::shared_ptr<LoadedLibrary>(new LoadedLibrary(handle, path));
}

std::string LoadedLibrary::lastLoadError()
{
    return t_lastError;
}

LoadedLibrary::~LoadedLibrary()
{
    // Deliberately left loaded: driver and store objects handed out by the
    // library may outlive this handle, and the libraries stay until process end.
    (void)m_handle;
}

void* LoadedLibrary::symbol(const std::string& symbol) const
{
    ::dlerror();
    return ::dlsym(m_handle, symbol.c_str());
}

} // namespace didu
