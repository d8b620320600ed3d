#pragma once

// The count of this module's live COM objects and server locks, for DllCanUnloadNow.

namespace tessaly::win {

void ModuleObjectCreated();
void ModuleObjectDestroyed();
void ModuleLock(bool lock);
// True while some object of this module is alive or the server is locked.
bool ModuleInUse();

// Counts an object of this module from construction to destruction.
class ModuleObject {
  public:
    ModuleObject() { ModuleObjectCreated(); }
    ModuleObject(const ModuleObject&) { ModuleObjectCreated(); }
    ModuleObject& operator=(const ModuleObject&) = default;
    ~ModuleObject() { ModuleObjectDestroyed(); }
};

}  // namespace tessaly::win
