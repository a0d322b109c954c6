// Capabilities: what a POP3 server said it can do in its answer to CAPA (RFC 2449), asked once
// after the greeting. Kept for the session: pipelined header scans need PIPELINING, and later
// extensions (STLS, UTF8, SASL) read their entries here too. A server that refuses CAPA or does
// not answer it in time has none, and the session speaks as if it had never asked.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace velmo {

class Capabilities {
public:
    // The longest CAPA answer taken; real lists are well under a kilobyte.
    static constexpr std::size_t kMaxReply = 64 * 1024;

    // From a whole "+OK" answer up to its final "." line (as read, not dot-unstuffed): one entry
    // per line after the status line, without its line end, blank lines left out.
    static Capabilities from_reply(std::string_view reply);

    // True when an entry's first word (up to a space or tab) is `keyword`, letter case ignored.
    bool has(std::string_view keyword) const;
    // True when an entry whose first word is `keyword` names `argument` among its other words
    // ("SASL PLAIN XOAUTH2" lists PLAIN), letter case ignored.
    bool lists(std::string_view keyword, std::string_view argument) const;
    const std::vector<std::string>& lines() const { return lines_; }
    bool empty() const { return lines_.empty(); }
    void clear() { lines_.clear(); }

private:
    std::vector<std::string> lines_;
};

}  // namespace velmo
