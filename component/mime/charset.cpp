#include "mime/charset.h"

#include <iconv.h>

#include <cerrno>
#include <string>
#include <unordered_map>

#include "mime/ascii.h"
#include "mime/windows1252.h"

namespace velmo {
namespace {

const iconv_t kInvalid = reinterpret_cast<iconv_t>(-1);

// Charset names are short tokens of letters, digits and a little punctuation; anything else
// (iconv's "//" suffixes among them) is not a charset name.
bool plausible_name(std::string_view name) {
    if (name.empty() || name.size() > 64) return false;
    for (char c : name) {
        bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                  c == '_' || c == '.' || c == ':' || c == '+';
        if (!ok) return false;
    }
    return true;
}

// The name as iconv looks it up: upper case, without the "+" it ignores. Spellings that iconv
// reads alike share one key, so the keys of known names are as few as iconv's own names.
std::string lookup_key(std::string_view name) {
    std::string key;
    for (char c : name)
        if (c != '+') key.push_back(ascii::upper(c));
    return key;
}

// The converters this thread opened, kept open for its lifetime. Only names iconv knows are
// kept (a failed open is cheap), and past kMax names a converter is opened for one use, so a
// header full of invented names neither grows the cache nor slows it.
class ConverterCache {
public:
    ~ConverterCache() {
        for (auto& entry : open_) iconv_close(entry.second);
    }
    // The converter to UTF-8 for `key`; kInvalid when iconv does not know it. `owned` tells
    // the caller to close it after use.
    iconv_t get(const std::string& key, bool& owned) {
        owned = false;
        auto it = open_.find(key);
        if (it != open_.end()) return it->second;
        iconv_t cd = iconv_open("UTF-8", key.c_str());
        if (cd == kInvalid) return cd;
        if (open_.size() >= kMax) {
            owned = true;
            return cd;
        }
        open_.emplace(key, cd);
        return cd;
    }

private:
    static constexpr std::size_t kMax = 512;
    std::unordered_map<std::string, iconv_t> open_;
};

void append_iconv(iconv_t cd, std::string& out, std::string_view text) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);  // fresh shift state
    out.reserve(out.size() + text.size() + text.size() / 2 + 16);
    char* in = const_cast<char*>(text.data());
    std::size_t in_left = text.size();
    char chunk[4096];
    while (in_left > 0) {
        char* dst = chunk;
        std::size_t dst_left = sizeof chunk;
        std::size_t rc = iconv(cd, &in, &in_left, &dst, &dst_left);
        out.append(chunk, static_cast<std::size_t>(dst - chunk));
        if (rc != static_cast<std::size_t>(-1)) break;
        if (errno == E2BIG) continue;
        // Invalid or incomplete sequence: keep the byte as it stands and go on after it.
        out.push_back(*in);
        ++in;
        --in_left;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    char* dst = chunk;
    std::size_t dst_left = sizeof chunk;
    iconv(cd, nullptr, nullptr, &dst, &dst_left);  // flush any shift sequence
    out.append(chunk, static_cast<std::size_t>(dst - chunk));
}

}  // namespace

CharsetConverter::CharsetConverter(std::string_view charset) {
    std::string_view name = charset_name(charset);
    if (!plausible_name(name) || ascii::equals_ci(name, "utf-8") || ascii::equals_ci(name, "utf8")) return;
    if (is_windows1252_label(name)) {
        kind_ = Kind::Windows1252;
        return;
    }
    thread_local ConverterCache cache;
    iconv_t cd = cache.get(lookup_key(name), owned_);
    if (cd == kInvalid) return;
    kind_ = Kind::Iconv;
    cd_ = cd;
}

CharsetConverter::~CharsetConverter() {
    if (owned_) iconv_close(static_cast<iconv_t>(cd_));
}

void CharsetConverter::append(std::string& out, std::string_view text) const {
    switch (kind_) {
        case Kind::None:
            out.append(text);
            break;
        case Kind::Windows1252:
            append_windows1252_as_utf8(out, text);
            break;
        case Kind::Iconv:
            append_iconv(static_cast<iconv_t>(cd_), out, text);
            break;
    }
}

std::string_view charset_name(std::string_view charset) {
    std::string_view s = ascii::trim_left(charset);
    std::size_t end = 0;
    while (end < s.size() && s[end] != ';' && !ascii::is_space(s[end])) ++end;
    return s.substr(0, end);
}

std::string ConvertCharset(std::string_view text, std::string_view charset) {
    if (text.empty()) return {};
    std::string out;
    CharsetConverter(charset).append(out, text);
    return out;
}

}  // namespace velmo
