#include "Pevox10Module.h"

#include <atomic>

namespace pevox {

namespace {

std::atomic<std::int32_t> lockCount{0};

}  // namespace

void ModuleLock() { ++lockCount; }

void ModuleUnlock() { --lockCount; }

std::int32_t ModuleLockCount() { return lockCount; }

}  // namespace pevox
