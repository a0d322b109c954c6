// Conversation: the script one connection of the scripted POP3 server follows, step by step.
//
// Steps run in order. "send" steps write exact bytes (one send call per piece, with an optional
// gap between pieces, so the client sees them as separate chunks); "expect" steps wait for one
// line from the client; "pause" waits while still recording; "stall" sends nothing any more;
// "close" ends the connection with FIN, "reset" with RST. "endless" sends a pattern over and
// over until the client goes away (a flood, or with a gap one byte per gap: a trickle); its
// bytes are counted, not recorded. Every byte the client sends is
// recorded whatever step runs. After the last step the server keeps the connection open and
// keeps recording until the client closes it or the server stops.
#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace halvex::testnet {

using Millis = std::chrono::milliseconds;

struct Step {
    enum class Kind { send, send_filler, expect, pause, stall, close, reset, endless };
    Kind kind = Kind::send;
    std::vector<std::string> pieces;        // send: one send call each
    Millis gap{0};                          // send: wait between pieces; pause: duration
    std::size_t filler_count = 0;           // send_filler: this many bytes ...
    char filler_byte = 'x';                 // ... of this value, no line end
    std::optional<std::string> expected;    // expect: the exact line (without CR LF), or any line
};

class Conversation {
public:
    // The bytes as given, in one send call.
    Conversation& send(std::string bytes);
    // Each piece in its own send call, `gap` between them.
    Conversation& send_pieces(std::vector<std::string> pieces, Millis gap = Millis(0));
    // `bytes` cut into pieces of `chunk` bytes (the last may be shorter), `gap` between them.
    Conversation& send_chunked(std::string_view bytes, std::size_t chunk, Millis gap = Millis(0));
    // `count` bytes of `byte` with no line end, streamed.
    Conversation& send_filler(std::size_t count, char byte = 'x');
    // `pattern` repeated for as long as the client listens: as fast as it reads, or with a
    // gap, one byte per gap. Nothing after it runs. Its bytes show in endless_bytes(), not in
    // sent() or transcript().
    Conversation& send_endless(std::string pattern, Millis gap = Millis(0));
    // Waits for one client line and checks it is exactly `line` (line end not included).
    // A different line or no line within expect_timeout() is recorded as a problem.
    Conversation& expect(std::string line);
    // Waits for one client line of any content.
    Conversation& expect_any();
    // expect(command) then send(reply_bytes).
    Conversation& on(std::string command, std::string reply_bytes);
    Conversation& pause(Millis duration);
    Conversation& stall();
    Conversation& close();
    Conversation& reset();

    // POP3 shorthands.
    // "+OK <text>\r\n".
    Conversation& greet(std::string_view text = "halvex scripted server ready");
    // A greeting carrying the APOP time stamp `stamp` (with its angle brackets).
    Conversation& greet_apop(std::string_view stamp = "<1896.697170952@dbc.mtview.ca.us>");
    // USER/PASS, both answered "+OK".
    Conversation& login(std::string_view user, std::string_view password);
    // QUIT answered "+OK bye".
    Conversation& quit();

    // How long an expect step waits for the client's line (default 10 s).
    Conversation& expect_timeout(Millis t) {
        expect_timeout_ = t;
        return *this;
    }
    Millis expect_timeout() const { return expect_timeout_; }
    const std::vector<Step>& steps() const { return steps_; }

    // A connection that is accepted and never answered.
    static Conversation silent() { return Conversation().stall(); }

private:
    std::vector<Step> steps_;
    Millis expect_timeout_{10000};
};

}  // namespace halvex::testnet
