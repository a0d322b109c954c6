// MD5 message digest (RFC 1321), the component's own, for the APOP login.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace velmo {

class Md5 {
public:
    using Digest = std::array<std::uint8_t, 16>;

    Md5();
    void update(std::string_view data);
    Digest finish();  // the digest; the object must not be updated afterwards

private:
    void block(const std::uint8_t* p);

    std::array<std::uint32_t, 4> state_;
    std::uint64_t length_ = 0;  // bytes taken so far
    std::array<std::uint8_t, 64> buffer_{};
    std::size_t buffered_ = 0;
};

// The digest of data as 32 lowercase hexadecimal digits, in output order.
std::string md5_hex(std::string_view data);

}  // namespace velmo
