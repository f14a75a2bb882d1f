#include "db/statements/storeloader.h"

#include "platform/errors.h"
#include "platform/library.h"

#include <mutex>
#include <new>

namespace didu {

namespace {

const char* const LoadFailure = "Error loading MIDAS.DLL";

struct Plugin {
    std::mutex lock;
    std::shared_ptr<LoadedLibrary> library;
    DllGetClassObjectFunc entry = nullptr;
};

Plugin& plugin()
{
    static Plugin instance;
    return instance;
}

/// The entry of the loaded plugin, loading it first when this is the first call
/// (or every earlier attempt failed).
DllGetClassObjectFunc entry()
{
    Plugin& p = plugin();
    std::lock_guard<std::mutex> guard(p.lock);
    if (!p.entry) {
        auto library = LoadedLibrary::load(StoreLoader::FileName);
        if (!library)
            throw Error(LoadFailure);
        auto* function = reinterpret_cast<DllGetClassObjectFunc>(library->symbol("DllGetClassObject"));
        if (!function)
            throw Error(LoadFailure);
        p.library = std::move(library);
        p.entry = function;
    }
    return p.entry;
}

} // namespace

std::unique_ptr<store::IStoreObject> StoreLoader::create(const char* classId)
{
    store::IStoreObject* object = nullptr;
    const store::Status status = entry()(classId, &object);
    if (status == store::StatusNoMemory)
        throw std::bad_alloc();
    // The file loaded but does not make the objects this program needs.
    if (status != store::StatusOk || !object)
        throw Error(LoadFailure);
    return std::unique_ptr<store::IStoreObject>(object);
}

bool StoreLoader::loaded()
{
    Plugin& p = plugin();
    std::lock_guard<std::mutex> guard(p.lock);
    return p.entry != nullptr;
}

} // namespace didu
