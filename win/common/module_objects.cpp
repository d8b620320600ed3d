#include "win/common/module_objects.h"

#include "win/common/win32.h"

namespace tessaly::win {

namespace {
// COM may release an object from another thread; the counts are interlocked.
volatile LONG liveObjects = 0;
volatile LONG serverLocks = 0;
}  // namespace

void ModuleObjectCreated() {
    InterlockedIncrement(&liveObjects);
}

void ModuleObjectDestroyed() {
    InterlockedDecrement(&liveObjects);
}

void ModuleLock(bool lock) {
    if (lock) {
        InterlockedIncrement(&serverLocks);
    } else {
        InterlockedDecrement(&serverLocks);
    }
}

bool ModuleInUse() {
    return InterlockedCompareExchange(&liveObjects, 0, 0) != 0 ||
           InterlockedCompareExchange(&serverLocks, 0, 0) != 0;
}

}  // namespace tessaly::win
