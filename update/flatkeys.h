#pragma once
// A map from 64-bit keys that are hashes already to small values, held in
// one flat array: a release's hundreds of thousands of lines cost no
// allocation each, and a lookup is one or two cache lines.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace korvane {

template <class V>
class FlatKeyMap {
public:
    explicit FlatKeyMap(std::size_t expected = 0) { rehash(capacityFor(expected)); }

    // The value of `key`, inserted as `fresh` when absent; the flag says
    // whether it was inserted.
    std::pair<V*, bool> emplace(std::uint64_t key, V fresh)
    {
        if ((size_ + 1) * 2 > slots_.size()) rehash(slots_.size() * 2);
        Slot& s = slotOf(key);
        if (s.used) return {&s.value, false};
        s = Slot{key, std::move(fresh), true};
        ++size_;
        return {&s.value, true};
    }

    const V* find(std::uint64_t key) const
    {
        const Slot& s = const_cast<FlatKeyMap*>(this)->slotOf(key);
        return s.used ? &s.value : nullptr;
    }
    bool contains(std::uint64_t key) const { return find(key) != nullptr; }
    std::size_t size() const { return size_; }

    // Empty again, its slots kept for the keys to come.
    void clear()
    {
        std::fill(slots_.begin(), slots_.end(), Slot{});
        size_ = 0;
    }

private:
    struct Slot {
        std::uint64_t key = 0;
        V value{};
        bool used = false;
    };

    // Filled up to a half: filled to three quarters, a release's largest
    // tables took half as much memory but 20-60% longer to fill.
    static std::size_t capacityFor(std::size_t n)
    {
        std::size_t c = 16;
        while (c < n * 2) c *= 2;
        return c;
    }

    // The slot holding `key`, or the free one where it would go.
    Slot& slotOf(std::uint64_t key)
    {
        std::size_t i = static_cast<std::size_t>((key * 0x9e3779b97f4a7c15ULL) >> shift_);
        while (slots_[i].used && slots_[i].key != key) i = (i + 1) & (slots_.size() - 1);
        return slots_[i];
    }

    void rehash(std::size_t capacity)
    {
        std::vector<Slot> old = std::move(slots_);
        slots_.assign(capacity, Slot{});
        shift_ = 64;
        for (std::size_t c = capacity; c > 1; c /= 2) --shift_;
        size_ = 0;
        for (Slot& s : old)
            if (s.used) {
                slotOf(s.key) = std::move(s);
                ++size_;
            }
    }

    std::vector<Slot> slots_;
    unsigned shift_ = 64;
    std::size_t size_ = 0;
};

} // namespace korvane
