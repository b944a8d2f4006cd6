#include "Pevox10Module.h"

#include <atomic>

namespace pevox {

namespace {

std::atomic<std::int32_t> lockCount{0};
std::atomic<std::int32_t> serverLocks{0};  // the part of lockCount that clients hold

}  // namespace

void ModuleLock() { ++lockCount; }

void ModuleUnlock() { --lockCount; }

std::int32_t ModuleLockCount() { return lockCount; }

void LockServer(bool lock) {
    if (lock) {
        ++serverLocks;
        ModuleLock();
        return;
    }
    std::int32_t held = serverLocks;
    do {
        if (held <= 0) return;
    } while (!serverLocks.compare_exchange_weak(held, held - 1));
    ModuleUnlock();
}

}  // namespace pevox
