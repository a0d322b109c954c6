// The POP3 reply reader and the reply numbers under libFuzzer, driven the way a session drives
// them: the input is a server's byte stream (greeting, STAT, LIST, UIDL, TOP, RETR in turn),
// cut into chunks whose sizes come from the input's first bytes, with NULs cleaned as the
// socket reader does. No socket is involved. Checked on every reply: a complete one ends with
// its terminator and holds no NUL, a failed one is over its limit, and numbers stay in range.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "pop3/reply_numbers.h"
#include "pop3/reply_reader.h"

namespace {

using velmo::ReplyReader;

void check(bool condition) {
    if (!condition) std::abort();
}

// Feeds the stream to one reader in chunks; answers what the reader said last (More when the
// stream ran dry, as a silent server would leave it) and consumes what was fed.
ReplyReader::State read_reply(ReplyReader& reader, std::string& stream, std::string_view sizes, std::size_t& turn) {
    auto state = ReplyReader::State::More;
    while (!stream.empty() && state == ReplyReader::State::More) {
        std::size_t size = sizes.empty() ? 8194 : std::size_t(static_cast<unsigned char>(sizes[turn++ % sizes.size()])) * 37 + 1;
        size = std::min({size, stream.size(), std::size_t(8194)});
        velmo::ReplyReader::clean_chunk(stream.data(), size);
        state = reader.add(std::string_view(stream.data(), size));
        stream.erase(0, size);
    }
    return state;
}

void check_reply(ReplyReader& reader, ReplyReader::State state, std::string_view terminator, std::size_t limit) {
    const std::string& reply = reader.reply();
    check(reply.find('\0') == std::string::npos);
    if (state == ReplyReader::State::Complete) {
        check(reply.size() <= limit);
        check(reply.size() >= terminator.size() && reply.compare(reply.size() - terminator.size(), terminator.size(), terminator) == 0);
    }
    if (state == ReplyReader::State::Fail) check(reply.size() > limit);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::size_t size_bytes = std::min<std::size_t>(data[0] % 16, size - 1);
    std::string_view sizes(reinterpret_cast<const char*>(data) + 1, size_bytes);
    std::string stream(reinterpret_cast<const char*>(data) + 1 + size_bytes, size - 1 - size_bytes);
    std::size_t turn = 0;

    // Greeting and STAT: single lines, capped at 1000 bytes.
    std::int32_t count = 0;
    for (int line = 0; line < 2; ++line) {
        ReplyReader reader("\r\n", 1000);
        auto state = read_reply(reader, stream, sizes, turn);
        check_reply(reader, state, "\r\n", 1000);
        if (state != ReplyReader::State::Complete) return 0;
        if (line == 1) {
            velmo::StatNumbers numbers = velmo::parse_stat_numbers(reader.reply());
            check(numbers.count >= 0 && numbers.total_size >= 0);
            check(!numbers.ok || numbers.count_read);
            if (!numbers.ok) return 0;
            count = numbers.count;
        }
    }
    if (count > 1000000) return 0;  // the session asks for no listing then

    // LIST with its cap, every line's numbers checked against the count.
    const std::size_t list_limit = 14 * std::size_t(count) + 100;
    {
        ReplyReader reader("\r\n.\r\n", list_limit);
        auto state = read_reply(reader, stream, sizes, turn);
        check_reply(reader, state, "\r\n.\r\n", list_limit);
        if (state != ReplyReader::State::Complete) return 0;
        std::string_view reply = reader.reply();
        std::size_t pos = reply.find('\n');
        while (pos != std::string_view::npos && pos + 1 < reply.size()) {
            std::size_t end = reply.find('\n', pos + 1);
            std::string_view line = reply.substr(pos + 1, end == std::string_view::npos ? end : end - pos - 1);
            std::uint32_t listed = 0;
            velmo::parse_list_line(line, count, listed);
            pos = end;
        }
    }
    // UIDL, TOP and RETR: multi-line, uncapped but for UIDL.
    for (std::size_t limit : {(std::size_t(count) + 1) * 100, ReplyReader::kNoLimit, ReplyReader::kNoLimit}) {
        ReplyReader reader("\r\n.\r\n", limit);
        auto state = read_reply(reader, stream, sizes, turn);
        check_reply(reader, state, "\r\n.\r\n", limit);
        if (state != ReplyReader::State::Complete) return 0;
    }
    return 0;
}
