// ScriptTransport: a transport that plays a server's byte stream from memory, so a session
// can be driven without a socket. Control bytes in the stream shape the delivery: 0xFF ends
// a chunk, 0xFE makes one readiness wait answer "nothing yet", 0xFD breaks the connection
// (the next receive fails), and 0xFC met by a connect refuses it. The end of the stream is
// the server closing. Everything the session sends is kept, and every misuse of the
// transport (a send or receive with nothing open, an oversized receive) aborts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "pop3/transport.h"

namespace halvex_fuzz {

class ScriptTransport final : public velmo::Transport {
public:
    static constexpr unsigned char kChunkEnd = 0xFF;
    static constexpr unsigned char kStall = 0xFE;
    static constexpr unsigned char kBreak = 0xFD;
    static constexpr unsigned char kRefuse = 0xFC;

    explicit ScriptTransport(std::string_view stream) : stream_(stream) {}

    bool connect(const std::string& host, std::uint16_t, std::uint32_t, const std::function<bool()>&) override {
        close();
        if (host.empty()) std::abort();
        if (peek() == kRefuse) {
            ++pos_;
            return false;
        }
        open_ = true;
        return true;
    }

    bool start_tls(const std::string& peer_name, std::uint32_t, const std::function<bool()>&) override {
        if (!open_ || peer_name.empty()) std::abort();
        tls_ = true;
        return true;
    }

    Ready wait_readable(int wait_ms) override {
        if (!open_ || wait_ms < 0 || wait_ms > kMaxWaitMs + 1) std::abort();
        if (broken_) return Ready::Error;
        while (peek() == kChunkEnd) ++pos_;
        if (peek() == kStall) {
            ++pos_;
            return Ready::Nothing;
        }
        return Ready::Data;  // bytes, or the end of the stream
    }

    long receive(char* buffer, std::size_t size) override {
        if (!open_ || size == 0) std::abort();
        if (broken_) return -1;
        while (peek() == kChunkEnd || peek() == kStall) ++pos_;
        if (peek() == kBreak) {
            ++pos_;
            broken_ = true;
            return -1;
        }
        std::size_t n = 0;
        while (n < size && pos_ < stream_.size()) {
            const auto c = static_cast<unsigned char>(stream_[pos_]);
            if (c == kChunkEnd || c == kStall || c == kBreak) break;
            buffer[n++] = stream_[pos_++];
        }
        if (pos_ < stream_.size() && peek() == kChunkEnd) ++pos_;
        return static_cast<long>(n);
    }

    bool send_once(std::string_view data) override {
        if (!open_ || data.empty()) std::abort();
        if (broken_) return false;
        sent_.emplace_back(data);
        return true;
    }

    void close() override {
        open_ = tls_ = broken_ = false;
    }

    bool is_open() const { return open_; }
    bool is_tls() const { return tls_; }
    const std::vector<std::string>& sent() const { return sent_; }

private:
    int peek() const { return pos_ < stream_.size() ? static_cast<unsigned char>(stream_[pos_]) : -1; }

    std::string_view stream_;
    std::size_t pos_ = 0;
    bool open_ = false;
    bool tls_ = false;
    bool broken_ = false;
    std::vector<std::string> sent_;
};

}  // namespace halvex_fuzz
