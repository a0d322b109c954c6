#include "frame/module.h"

#include <atomic>

namespace velmo {

namespace {
std::atomic<LONG> g_objects{0};
std::atomic<LONG> g_locks{0};
}  // namespace

void module_object_created() { g_objects.fetch_add(1, std::memory_order_relaxed); }
void module_object_destroyed() { g_objects.fetch_sub(1, std::memory_order_acq_rel); }
void module_lock() { g_locks.fetch_add(1, std::memory_order_relaxed); }
void module_unlock() { g_locks.fetch_sub(1, std::memory_order_acq_rel); }
LONG module_object_count() { return g_objects.load(std::memory_order_acquire); }
LONG module_lock_count() { return g_locks.load(std::memory_order_acquire); }

}  // namespace velmo
