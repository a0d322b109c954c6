// Enumerator: the standard enumerator objects of the connection point pair
// (IEnumConnectionPoints, IEnumConnections) over a snapshot taken when the enumerator is made.
// The enumerator holds one reference on each item; every item it hands out carries a reference
// of its own for the caller to release.
#pragma once

#include <new>
#include <utility>
#include <vector>

#include "frame/com_object.h"

namespace velmo {

inline void add_item_ref(IConnectionPoint* p) { p->AddRef(); }
inline void release_item(IConnectionPoint* p) { p->Release(); }
inline void add_item_ref(const CONNECTDATA& d) { d.pUnk->AddRef(); }
inline void release_item(const CONNECTDATA& d) { d.pUnk->Release(); }

template <class IEnum, class Item>
class Enumerator final : public UnknownImpl<IEnum> {
public:
    // Hands out a new enumerator over `items`, taking a reference on each.
    static HRESULT create(const std::vector<Item>& items, std::size_t position, IEnum** out) {
        if (!out) return E_POINTER;
        *out = new (std::nothrow) Enumerator(items, position);
        return *out ? S_OK : E_OUTOFMEMORY;
    }

    HRESULT Next(ULONG count, Item* out, ULONG* fetched) override {
        if (!out || (count > 1 && !fetched)) return E_POINTER;
        ULONG n = 0;
        for (; n < count && position_ < items_.size(); ++n, ++position_) {
            add_item_ref(items_[position_]);
            out[n] = items_[position_];
        }
        if (fetched) *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT Skip(ULONG count) override {
        const std::size_t left = items_.size() - position_;
        position_ += std::min<std::size_t>(count, left);
        return count <= left ? S_OK : S_FALSE;
    }
    HRESULT Reset() override {
        position_ = 0;
        return S_OK;
    }
    HRESULT Clone(IEnum** out) override { return create(items_, position_, out); }

private:
    Enumerator(const std::vector<Item>& items, std::size_t position) : items_(items), position_(position) {
        for (const Item& item : items_) add_item_ref(item);
    }
    ~Enumerator() override {
        for (const Item& item : items_) release_item(item);
    }

    std::vector<Item> items_;
    std::size_t position_;
};

}  // namespace velmo
