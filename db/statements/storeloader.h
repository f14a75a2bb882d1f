// Makes the objects of the store plugin. The plugin is loaded the first time an
// object is wanted, once for the whole run, and stays loaded; a failed load is
// tried again at the next request, so putting the file back helps at once.
#pragma once

#include "db/statements/storecontract.h"

#include <memory>

namespace didu {

class StoreLoader {
public:
    /// File name of the store plugin, found beside the executable or through the
    /// loader's search path.
    static constexpr const char* FileName = "libmidas.so";

    /// A new store object of the class `classId` (a class id of the contract).
    /// Fails with "Error loading MIDAS.DLL" when the plugin cannot be loaded.
    static std::unique_ptr<store::IStoreObject> create(const char* classId);

    /// create(), as the class the id stands for (the id fixes the class, so the
    /// cast needs no run-time type check across the plugin boundary).
    template <typename T>
    static std::unique_ptr<T> make(const char* classId)
    {
        return std::unique_ptr<T>(static_cast<T*>(create(classId).release()));
    }

    /// True once the plugin has been loaded in this run.
    static bool loaded();
};

} // namespace didu
