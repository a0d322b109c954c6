#include "net/conversation.h"

#include <utility>

#include "net/pop3_replies.h"

namespace halvex::testnet {

Conversation& Conversation::send(std::string bytes) {
    Step s;
    s.kind = Step::Kind::send;
    s.pieces.push_back(std::move(bytes));
    steps_.push_back(std::move(s));
    return *this;
}

Conversation& Conversation::send_pieces(std::vector<std::string> pieces, Millis gap) {
    Step s;
    s.kind = Step::Kind::send;
    s.pieces = std::move(pieces);
    s.gap = gap;
    steps_.push_back(std::move(s));
    return *this;
}

Conversation& Conversation::send_chunked(std::string_view bytes, std::size_t chunk, Millis gap) {
    if (chunk == 0) chunk = 1;
    std::vector<std::string> pieces;
    for (std::size_t at = 0; at < bytes.size(); at += chunk) pieces.emplace_back(bytes.substr(at, chunk));
    return send_pieces(std::move(pieces), gap);
}

Conversation& Conversation::send_filler(std::size_t count, char byte) {
    Step s;
    s.kind = Step::Kind::send_filler;
    s.filler_count = count;
    s.filler_byte = byte;
    steps_.push_back(std::move(s));
    return *this;
}

Conversation& Conversation::send_endless(std::string pattern, Millis gap) {
    Step s;
    s.kind = Step::Kind::endless;
    s.pieces.push_back(pattern.empty() ? std::string("x") : std::move(pattern));
    s.gap = gap;
    steps_.push_back(std::move(s));
    return *this;
}

Conversation& Conversation::expect(std::string line) {
    Step s;
    s.kind = Step::Kind::expect;
    s.expected = std::move(line);
    steps_.push_back(std::move(s));
    return *this;
}

Conversation& Conversation::expect_any() {
    Step s;
    s.kind = Step::Kind::expect;
    steps_.push_back(std::move(s));
    return *this;
}

Conversation& Conversation::on(std::string command, std::string reply_bytes) {
    return expect(std::move(command)).send(std::move(reply_bytes));
}

Conversation& Conversation::pause(Millis duration) {
    Step s;
    s.kind = Step::Kind::pause;
    s.gap = duration;
    steps_.push_back(std::move(s));
    return *this;
}

Conversation& Conversation::stall() {
    Step s;
    s.kind = Step::Kind::stall;
    steps_.push_back(std::move(s));
    return *this;
}

Conversation& Conversation::close() {
    Step s;
    s.kind = Step::Kind::close;
    steps_.push_back(std::move(s));
    return *this;
}

Conversation& Conversation::reset() {
    Step s;
    s.kind = Step::Kind::reset;
    steps_.push_back(std::move(s));
    return *this;
}

Conversation& Conversation::greet(std::string_view text) { return send(ok(text)); }

Conversation& Conversation::greet_apop(std::string_view stamp) {
    return send(ok(std::string("POP3 server ready ") + std::string(stamp)));
}

Conversation& Conversation::login(std::string_view user, std::string_view password) {
    on("USER " + std::string(user), ok("user accepted"));
    return on("PASS " + std::string(password), ok("logged in"));
}

Conversation& Conversation::quit() { return on("QUIT", ok("bye")); }

}  // namespace halvex::testnet
