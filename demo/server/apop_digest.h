// The APOP digest (RFC 1939): MD5 of the greeting's time stamp followed by the secret,
// as 32 lowercase hexadecimal digits.
#pragma once

#include <string>
#include <string_view>

namespace halvex::demo {

std::string apop_digest(std::string_view timestamp, std::string_view secret);

}  // namespace halvex::demo
