// Cached<T>: a value computed at its first request after a load and served until the next
// load marks it stale.
#pragma once

#include <optional>
#include <utility>

namespace velmo {

template <class T>
class Cached {
public:
    void mark_stale() { value_.reset(); }
    bool stale() const { return !value_.has_value(); }

    template <class Compute>
    const T& get(Compute&& compute) {
        if (!value_) value_.emplace(std::forward<Compute>(compute)());
        return *value_;
    }

private:
    std::optional<T> value_;
};

}  // namespace velmo
