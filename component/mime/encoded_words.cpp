#include "mime/encoded_words.h"

#include <algorithm>
#include <optional>

#include "mime/ascii.h"
#include "mime/base64.h"
#include "mime/charset.h"
#include "mime/quoted_printable.h"

namespace velmo {
namespace {

struct EncodedWord {
    std::size_t end;  // just past the closing "?="
    std::string text; // decoded and converted
};

std::string_view cut_at_nul(std::string_view s) {
    std::size_t nul = s.find('\0');
    return nul == std::string_view::npos ? s : s.substr(0, nul);
}

constexpr std::size_t kMaxCharsetName = 64;

// Reads the encoded word that starts at `start` (at "=?"); nothing when it is malformed.
// `last_close` is the position of the text's last "?=", so that a word without one is
// refused without a scan (keeps hostile headers linear).
std::optional<EncodedWord> read_word(std::string_view text, std::size_t start, std::size_t last_close) {
    std::size_t cs_begin = start + 2;
    std::size_t cs_end = text.substr(0, std::min(text.size(), cs_begin + kMaxCharsetName)).find('?', cs_begin);
    if (cs_end == std::string_view::npos || cs_end == cs_begin) return std::nullopt;
    std::string_view charset = text.substr(cs_begin, cs_end - cs_begin);
    for (char c : charset)
        if (ascii::is_space(c) || c == '=') return std::nullopt;
    if (cs_end + 2 >= text.size() || text[cs_end + 2] != '?') return std::nullopt;
    const char encoding = ascii::upper(text[cs_end + 1]);
    if (encoding != 'B' && encoding != 'Q') return std::nullopt;
    std::size_t payload_begin = cs_end + 3;
    if (last_close == std::string_view::npos || payload_begin > last_close) return std::nullopt;
    std::size_t close = text.find("?=", payload_begin);
    if (close == std::string_view::npos) return std::nullopt;
    std::string_view payload = text.substr(payload_begin, close - payload_begin);

    std::string bytes;
    if (encoding == 'B') {
        DecodedBytes d = Base64Decode(as_bytes(payload));
        bytes.assign(reinterpret_cast<const char*>(d.buffer.data()), d.count);
    } else {
        std::string q(payload);
        for (char& c : q)
            if (c == '_') c = ' ';
        DecodedBytes d = QpDecode(as_bytes(q));
        bytes.assign(reinterpret_cast<const char*>(d.buffer.data()), d.count);
    }
    // RFC 2231 allows a language after "*" in the charset name.
    std::string_view name = charset.substr(0, charset.find('*'));
    return EncodedWord{close + 2, std::string(cut_at_nul(ConvertCharset(cut_at_nul(bytes), name)))};
}

bool only_space(std::string_view s) {
    for (char c : s)
        if (!ascii::is_space(c)) return false;
    return true;
}

}  // namespace

std::string DecodeWords(std::string_view text) {
    std::size_t next = text.find("=?");
    if (next == std::string_view::npos) return std::string(text);
    const std::size_t last_close = text.rfind("?=");
    std::string out;
    out.reserve(text.size());
    std::size_t copied = 0;               // text before this is in `out`
    std::optional<std::size_t> word_end;  // end of the last decoded word, when it is `copied`
    while (next != std::string_view::npos) {
        std::optional<EncodedWord> word = read_word(text, next, last_close);
        if (!word) {
            next = text.find("=?", next + 1);
            continue;
        }
        std::string_view between = text.substr(copied, next - copied);
        if (!(word_end && *word_end == copied && only_space(between))) out.append(between);
        out.append(word->text);
        copied = word->end;
        word_end = word->end;
        next = text.find("=?", copied);
    }
    out.append(text.substr(copied));
    return out;
}

}  // namespace velmo
