// The library's module state: live objects and server locks, which decide whether the
// library may be unloaded.
#pragma once

#include "frame/hresult.h"

namespace velmo {

void module_object_created();
void module_object_destroyed();
void module_lock();
void module_unlock();
LONG module_object_count();
LONG module_lock_count();

// Held by every component object for its lifetime, so the library counts it as live.
class LiveObject {
public:
    LiveObject() { module_object_created(); }
    LiveObject(const LiveObject&) = delete;
    LiveObject& operator=(const LiveObject&) = delete;
    ~LiveObject() { module_object_destroyed(); }
};

}  // namespace velmo
