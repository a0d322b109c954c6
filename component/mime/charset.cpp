#include "mime/charset.h"

#include <iconv.h>

#include <cerrno>
#include <list>
#include <utility>

#include "mime/ascii.h"

namespace velmo {
namespace {

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

// A few open converters per thread: opening one costs far more than most conversions.
class ConverterCache {
public:
    ~ConverterCache() {
        for (auto& entry : entries_)
            if (entry.second != invalid()) iconv_close(entry.second);
    }
    // The converter from `name` to UTF-8, or invalid() when iconv does not know the name.
    iconv_t get(const std::string& name) {
        for (auto it = entries_.begin(); it != entries_.end(); ++it) {
            if (it->first == name) {
                entries_.splice(entries_.begin(), entries_, it);
                return entries_.front().second;
            }
        }
        iconv_t cd = iconv_open("UTF-8", name.c_str());
        entries_.emplace_front(name, cd);
        if (entries_.size() > kMax) {
            if (entries_.back().second != invalid()) iconv_close(entries_.back().second);
            entries_.pop_back();
        }
        return cd;
    }
    static iconv_t invalid() { return reinterpret_cast<iconv_t>(-1); }

private:
    static constexpr std::size_t kMax = 16;
    std::list<std::pair<std::string, iconv_t>> entries_;
};

std::string convert(iconv_t cd, std::string_view text) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);  // fresh shift state
    std::string out;
    out.reserve(text.size() + text.size() / 2 + 16);
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
    return out;
}

}  // namespace

std::string_view charset_name(std::string_view charset) {
    std::string_view s = ascii::trim_left(charset);
    std::size_t end = 0;
    while (end < s.size() && s[end] != ';' && !ascii::is_space(s[end])) ++end;
    return s.substr(0, end);
}

std::string ConvertCharset(std::string_view text, std::string_view charset) {
    std::string_view name = charset_name(charset);
    if (text.empty() || !plausible_name(name) || ascii::equals_ci(name, "utf-8") || ascii::equals_ci(name, "utf8"))
        return std::string(text);
    std::string key;
    for (char c : name) key.push_back(ascii::upper(c));
    thread_local ConverterCache cache;
    iconv_t cd = cache.get(key);
    if (cd == ConverterCache::invalid()) return std::string(text);
    return convert(cd, text);
}

}  // namespace velmo
