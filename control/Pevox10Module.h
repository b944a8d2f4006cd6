// The module's lock count: live objects of the library plus the locks its
// clients hold through IClassFactory::LockServer. The library may be unloaded
// only when it is 0.
#pragma once

#include <cstdint>

namespace pevox {

void ModuleLock();
void ModuleUnlock();
std::int32_t ModuleLockCount();

// IClassFactory::LockServer. An unlock with no lock of a client left is
// ignored: it must neither release a lock that a live object holds nor drive
// the count below zero, which would keep the library loaded for good.
void LockServer(bool lock);

// A member of every object the library hands out: it holds one lock for the
// object's lifetime.
class ModuleReference {
public:
    ModuleReference() { ModuleLock(); }
    ~ModuleReference() { ModuleUnlock(); }
    ModuleReference(const ModuleReference&) : ModuleReference() {}
    ModuleReference& operator=(const ModuleReference&) { return *this; }
};

}  // namespace pevox
