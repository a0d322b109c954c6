// Binary content as an automation value: a VARIANT holding a one-dimensional, zero-based
// SAFEARRAY of unsigned bytes, one element per byte.
#pragma once

#include <span>

#include "frame/variant.h"

namespace velmo {

// Writes the array into *out (which is not cleared first) and answers S_OK; S_FALSE, with
// *out untouched, when the bytes do not fit one array or it cannot be allocated; E_POINTER
// for a null out.
HRESULT put_byte_array(VARIANT* out, std::span<const unsigned char> bytes);

}  // namespace velmo
