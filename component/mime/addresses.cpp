#include "mime/addresses.h"

#include "mime/encoded_words.h"

namespace velmo {
namespace {

constexpr auto npos = std::string_view::npos;

// The text strictly between the first "<" at or after `from` and the first ">" after it.
struct Angle {
    bool open = false;
    bool closed = false;
    std::size_t lt = npos;
    std::string_view inside;
};
Angle find_angle(std::string_view text, std::size_t from) {
    Angle a;
    a.lt = text.find('<', from);
    if (a.lt == npos) return a;
    a.open = true;
    std::size_t gt = text.find('>', a.lt + 1);
    if (gt == npos) return a;
    a.closed = true;
    a.inside = text.substr(a.lt + 1, gt - a.lt - 1);
    return a;
}

SplitResult both(std::string_view s) { return {std::string(s), std::string(s)}; }

}  // namespace

SplitResult SplitAddress(std::string_view text) {
    std::size_t q1 = text.find('"');
    if (q1 == npos) {
        Angle a = find_angle(text, 0);
        if (!a.open) return both(text);
        if (!a.closed) return {};
        SplitResult r;
        r.address = std::string(a.inside);
        std::string_view name = text.substr(0, a.lt);
        if (!name.empty()) name.remove_suffix(1);  // the byte before "<", normally a space
        r.name = name.empty() ? r.address : DecodeWords(name);
        return r;
    }
    std::size_t q2 = text.find('"', q1 + 1);
    if (q2 == npos) {
        Angle a = find_angle(text, 0);
        if (!a.open) return both(text);
        if (!a.closed) return {};
        return both(a.inside);
    }
    SplitResult r;
    r.name = std::string(text.substr(q1 + 1, q2 - q1 - 1));
    Angle a = find_angle(text, q2 + 1);
    r.address = a.closed ? std::string(a.inside) : r.name;
    return r;
}

std::vector<std::string> split_recipients(std::string_view field) {
    std::vector<std::string> pieces;
    if (field.empty()) return pieces;
    std::size_t begin = 0;
    while (true) {
        std::size_t comma = field.find(',', begin);
        if (comma == npos) {
            pieces.emplace_back(field.substr(begin));
            return pieces;
        }
        pieces.emplace_back(field.substr(begin, comma - begin));
        begin = comma + 1;
    }
}

}  // namespace velmo
