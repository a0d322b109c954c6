// Identifiers the store makes up for messages saved without one: the decimal text of the
// calling thread's identifier plus a millisecond tick (both 32 bits, the sum wrapping like
// theirs). Taking one sleeps the thread 10 ms, so two saves in a row never get the same.
#pragma once

#include <cstdint>

namespace velmo::store {

// The raw number behind the next identifier (tid + tick), without the sleep.
int32_t generated_id_number();

// The next identifier's number; sleeps 10 ms after taking it. Its text is std::to_string.
int32_t take_generated_id();

}  // namespace velmo::store
