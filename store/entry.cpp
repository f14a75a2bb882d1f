// The plugin's one exported entry: every store object is made here.
#include "store/storeobjects.h"

#include <cstring>
#include <new>

extern "C" __attribute__((visibility("default"))) didu::store::Status
DllGetClassObject(const char* classId, didu::store::IStoreObject** object)
{
    using namespace didu::store;
    if (!object)
        return StatusBadArgument;
    *object = nullptr;
    if (!classId)
        return StatusUnknownClass;
    try {
        if (std::strcmp(classId, PacketWriterClassId) == 0)
            *object = new PacketWriter();
        else if (std::strcmp(classId, RowStoreClassId) == 0)
            *object = new RowStore();
        else if (std::strcmp(classId, StoreCursorClassId) == 0)
            *object = new StoreCursor();
        else
            return StatusUnknownClass;
    } catch (const std::bad_alloc&) {
        return StatusNoMemory;
    }
    return StatusOk;
}
