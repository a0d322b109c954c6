// IEVENTINTEREST: what a listener of _IEventThreadObjEvents tells the component about the
// events it handles, beside the designed interfaces, which stay exactly as they are. A listener
// that answers it through QueryInterface when it is connected (Advise) is not called for the
// events it declines: each such call would cross to its thread and wait there for nothing. A
// listener without it gets every event.
#pragma once

#include <cstdint>

#include "frame/unknown.h"

// {3F1D9A42-7C5E-4B08-A6D1-58E2C4B790AF}
inline constexpr IID IID_IEVENTINTEREST = {
    0x3F1D9A42, 0x7C5E, 0x4B08, {0xA6, 0xD1, 0x58, 0xE2, 0xC4, 0xB7, 0x90, 0xAF}};

struct IEVENTINTEREST : IUnknown {
    static constexpr IID iid = IID_IEVENTINTEREST;
    // *handles: VARIANT_TRUE when the listener wants the event with this dispatch identifier.
    // Asked once per event at Advise, on the listener's thread.
    virtual HRESULT HandlesEvent(DISPID id, VARIANT_BOOL* handles) = 0;

protected:
    ~IEVENTINTEREST() = default;
};

namespace velmo {
// An event's bit in a mask of declined events; 0 for an id no mask can hold.
inline std::uint32_t event_bit(DISPID id) { return id >= 0 && id < 32 ? 1u << id : 0u; }
}  // namespace velmo
