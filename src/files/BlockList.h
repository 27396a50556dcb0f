#pragma once
// A sequence kept in blocks of a few hundred items, so that taking an item out or putting one in
// anywhere costs little however long the sequence, while reading by index stays quick.

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <vector>

// A block that grows to twice Block items is split; Block is also the size of the blocks built at once.
template <class T, std::size_t Block = 256>
class TBlockList {
public:
    int Count() const { return count_; }

    const T& operator[](int index) const
    {
        const auto [block, offset] = Locate(index);
        return blocks_[block][std::size_t(offset)];
    }
    T& operator[](int index)
    {
        const auto [block, offset] = Locate(index);
        return blocks_[block][std::size_t(offset)];
    }

    // Puts value before the item at index (index Count() appends).
    void Insert(int index, T value)
    {
        if (index >= count_) {
            if (blocks_.empty() || blocks_.back().size() >= kBlock) {
                blocks_.emplace_back().reserve(kBlock);
                if (startsValid_)
                    starts_.push_back(count_);
            }
            blocks_.back().push_back(std::move(value));
            ++count_;
            return;
        }
        const auto [block, offset] = Locate(index);
        auto& items = blocks_[block];
        items.insert(items.begin() + offset, std::move(value));
        ShiftStarts(block, 1);
        ++count_;
        if (items.size() >= 2 * kBlock) {
            std::vector<T> tail(std::make_move_iterator(items.begin() + std::ptrdiff_t(kBlock)),
                std::make_move_iterator(items.end()));
            items.resize(kBlock);
            blocks_.insert(blocks_.begin() + std::ptrdiff_t(block) + 1, std::move(tail));
            starts_.insert(starts_.begin() + std::ptrdiff_t(block) + 1, starts_[block] + int(kBlock));
        }
    }

    // Removes the item at index and returns it.
    T Take(int index)
    {
        const auto [block, offset] = Locate(index);
        auto& items = blocks_[block];
        T value = std::move(items[std::size_t(offset)]);
        items.erase(items.begin() + offset);
        ShiftStarts(block, -1);
        if (items.empty()) {
            blocks_.erase(blocks_.begin() + std::ptrdiff_t(block));
            starts_.erase(starts_.begin() + std::ptrdiff_t(block));
        }
        --count_;
        return value;
    }

    void Resize(int count)
    {
        while (count_ < count)
            Insert(count_, T());
        while (count_ > count) {
            blocks_.back().pop_back();
            if (blocks_.back().empty()) {
                blocks_.pop_back();
                if (startsValid_)
                    starts_.pop_back();
            }
            --count_;
        }
    }

    std::vector<T> TakeAll()
    {
        std::vector<T> all;
        all.reserve(std::size_t(count_));
        for (auto& block : blocks_)
            for (auto& item : block)
                all.push_back(std::move(item));
        Assign({});
        return all;
    }

    void Assign(std::vector<T>&& items)
    {
        blocks_.clear();
        for (std::size_t i = 0; i < items.size(); i += kBlock) {
            const std::size_t end = std::min(items.size(), i + kBlock);
            blocks_.emplace_back(std::make_move_iterator(items.begin() + std::ptrdiff_t(i)),
                std::make_move_iterator(items.begin() + std::ptrdiff_t(end)));
        }
        count_ = int(items.size());
        startsValid_ = false;
    }

    // The first index whose item satisfies test(item, index), for a test that is false up to some
    // index and true from there on; Count() when it holds nowhere.
    template <class Test>
    int FirstWhere(Test&& test) const
    {
        EnsureStarts();
        std::size_t lo = 0;
        std::size_t hi = blocks_.size();
        while (lo < hi) { // the first block whose last item passes
            const std::size_t mid = lo + (hi - lo) / 2;
            if (test(blocks_[mid].back(), starts_[mid] + int(blocks_[mid].size()) - 1))
                hi = mid;
            else
                lo = mid + 1;
        }
        if (lo == blocks_.size())
            return count_;
        const auto& items = blocks_[lo];
        std::size_t first = 0;
        std::size_t last = items.size() - 1; // passes
        while (first < last) {
            const std::size_t mid = first + (last - first) / 2;
            if (test(items[mid], starts_[lo] + int(mid)))
                last = mid;
            else
                first = mid + 1;
        }
        return starts_[lo] + int(first);
    }

    template <class F>
    void ForEach(F&& action)
    {
        for (auto& block : blocks_)
            for (auto& item : block)
                action(item);
    }

private:
    static constexpr std::size_t kBlock = Block;

    // The block that holds index and the offset in it.
    std::pair<std::size_t, int> Locate(int index) const
    {
        EnsureStarts();
        const auto after = std::upper_bound(starts_.begin(), starts_.end(), index);
        const std::size_t block = std::size_t(after - starts_.begin()) - 1;
        return {block, index - starts_[block]};
    }

    void EnsureStarts() const
    {
        if (startsValid_)
            return;
        starts_.resize(blocks_.size());
        int start = 0;
        for (std::size_t b = 0; b < blocks_.size(); ++b) {
            starts_[b] = start;
            start += int(blocks_[b].size());
        }
        startsValid_ = true;
    }

    // Blocks after block start delta items later.
    void ShiftStarts(std::size_t block, int delta)
    {
        for (std::size_t b = block + 1; b < starts_.size(); ++b)
            starts_[b] += delta;
    }

    std::vector<std::vector<T>> blocks_;
    int count_ = 0;
    mutable std::vector<int> starts_; // first index of each block, valid with startsValid_
    mutable bool startsValid_ = false;
};
