// A list that owns its objects and is read as a list of plain pointers.
//
// Iterating, indexing and comparing it see `T*`, so code that reads a list of
// shapes reads this one unchanged; only the list's own operations add, take
// out and free objects, so nobody else frees what it holds.
#pragma once

#include <algorithm>
#include <compare>
#include <cstddef>
#include <iterator>
#include <memory>
#include <utility>
#include <vector>

template <typename T>
class MOwnedList {
    using Storage = std::vector<std::unique_ptr<T>>;

public:
    // A random-access iterator whose elements are the plain pointers.
    class const_iterator {
    public:
        using iterator_concept = std::random_access_iterator_tag;
        using iterator_category = std::random_access_iterator_tag;
        using value_type = T*;
        using difference_type = std::ptrdiff_t;
        using reference = T*;

        const_iterator() = default;
        explicit const_iterator(typename Storage::const_iterator at) : at_(at) {}

        T* operator*() const { return at_->get(); }
        T* operator[](difference_type n) const { return at_[n].get(); }
        const_iterator& operator++() { ++at_; return *this; }
        const_iterator operator++(int) { return const_iterator(at_++); }
        const_iterator& operator--() { --at_; return *this; }
        const_iterator operator--(int) { return const_iterator(at_--); }
        const_iterator& operator+=(difference_type n) { at_ += n; return *this; }
        const_iterator& operator-=(difference_type n) { at_ -= n; return *this; }
        friend const_iterator operator+(const_iterator i, difference_type n) { return i += n; }
        friend const_iterator operator+(difference_type n, const_iterator i) { return i += n; }
        friend const_iterator operator-(const_iterator i, difference_type n) { return i -= n; }
        friend difference_type operator-(const_iterator a, const_iterator b) { return a.at_ - b.at_; }
        friend bool operator==(const const_iterator&, const const_iterator&) = default;
        friend auto operator<=>(const const_iterator&, const const_iterator&) = default;

    private:
        typename Storage::const_iterator at_;
    };
    using iterator = const_iterator;
    using value_type = T*;
    using size_type = std::size_t;

    MOwnedList() = default;
    MOwnedList(const MOwnedList&) = delete;
    MOwnedList& operator=(const MOwnedList&) = delete;

    const_iterator begin() const { return const_iterator(items_.begin()); }
    const_iterator end() const { return const_iterator(items_.end()); }
    std::size_t size() const { return items_.size(); }
    bool empty() const { return items_.empty(); }
    T* operator[](std::size_t index) const { return items_[index].get(); }
    T* front() const { return items_.front().get(); }
    T* back() const { return items_.back().get(); }

    bool Contains(const T* item) const { return item && std::find(begin(), end(), item) != end(); }

    // Appends the object and returns it.
    T* Add(std::unique_ptr<T> item)
    {
        items_.push_back(std::move(item));
        return items_.back().get();
    }

    // Takes the object out of the list and hands it over; null when it is
    // not listed.
    std::unique_ptr<T> Take(const T* item)
    {
        const auto at = Find(item);
        if (!item || at == items_.end())
            return nullptr;
        std::unique_ptr<T> taken = std::move(*at);
        items_.erase(at);
        return taken;
    }

    // Takes out every object the predicate accepts and hands them over, in
    // list order.
    template <typename Predicate>
    std::vector<std::unique_ptr<T>> TakeIf(Predicate accepts)
    {
        std::vector<std::unique_ptr<T>> taken;
        std::erase_if(items_, [&](std::unique_ptr<T>& item) {
            if (!accepts(static_cast<const T*>(item.get())))
                return false;
            taken.push_back(std::move(item));
            return true;
        });
        return taken;
    }

    // Takes out every object, in list order.
    std::vector<std::unique_ptr<T>> TakeAll() { return std::exchange(items_, {}); }

    friend bool operator==(const MOwnedList& list, const std::vector<T*>& pointers)
    {
        return std::equal(list.begin(), list.end(), pointers.begin(), pointers.end());
    }

private:
    typename Storage::iterator Find(const T* item)
    {
        return std::find_if(items_.begin(), items_.end(),
                            [item](const std::unique_ptr<T>& p) { return p.get() == item; });
    }

    Storage items_;
};
