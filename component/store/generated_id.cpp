#include "store/generated_id.h"

#include <unistd.h>

#include <chrono>
#include <thread>

namespace velmo::store {

int32_t generated_id_number() {
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                  std::chrono::steady_clock::now().time_since_epoch())
                  .count();
    uint32_t sum = static_cast<uint32_t>(gettid()) + static_cast<uint32_t>(ms);
    return static_cast<int32_t>(sum);
}

int32_t take_generated_id() {
    int32_t id = generated_id_number();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return id;
}

}  // namespace velmo::store
