// PartList: the ordered leaf parts of a loaded message. A part is either a stretch of the
// message text itself (kept as a view, no copy) or a text the part builder made up (kept
// here; its storage never moves while the list lives). Rebuilt on every load.
#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace velmo {

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

private:
    std::vector<std::string_view> views_;
    std::deque<std::string> owned_;
};

}  // namespace velmo
