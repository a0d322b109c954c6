// PartList: the ordered leaf parts of a loaded message. A part is either a stretch of the
// message text itself (kept as a view, no copy) or a text the part builder made up (kept
// here; its storage never moves while the list lives). Rebuilt on every load, which also
// records where the text came from (TextOrigin), so bodies are decoded to the same text
// either way.
#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace velmo {

// Bytes: the message as it arrived (a file), each text part in its own charset. Unicode: a
// string given to the component, UTF-8 already; only its ASCII bytes can still be in the
// part's charset (the escapes of a 7-bit charset, the encoded bytes of base64 or
// quoted-printable), so nothing is converted a second time.
enum class TextOrigin { Bytes, Unicode };

class PartList {
public:
    void clear() {
        views_.clear();
        owned_.clear();
    }
    // A part that stands in the message text; the text must outlive the list's next clear().
    void add_view(std::string_view text) { views_.push_back(text); }
    // A part made up by the builder.
    void add_owned(std::string text) { views_.push_back(owned_.emplace_back(std::move(text))); }

    std::size_t size() const { return views_.size(); }
    bool empty() const { return views_.empty(); }
    std::string_view operator[](std::size_t i) const { return views_[i]; }
    auto begin() const { return views_.begin(); }
    auto end() const { return views_.end(); }

    void set_origin(TextOrigin origin) { origin_ = origin; }
    TextOrigin origin() const { return origin_; }

private:
    std::vector<std::string_view> views_;
    std::deque<std::string> owned_;
    TextOrigin origin_ = TextOrigin::Bytes;
};

}  // namespace velmo
