#pragma once

#include <QSharedPointer>
#include <QVector>

#include <algorithm>
#include <iterator>

// A list whose entries never move: each lives in its own shared allocation. Removing or
// replacing entries leaves every other address intact, and a caller that keeps the shared
// pointer of an entry across a nested reload keeps that entry alive until it lets go.
template <typename T>
class StableList
{
public:
    using Ptr = QSharedPointer<T>;

    class iterator
    {
    public:
        using iterator_category = std::random_access_iterator_tag;
        using value_type = T;
        using difference_type = std::ptrdiff_t;
        using pointer = T *;
        using reference = T &;

        iterator() = default;
        explicit iterator(typename QVector<Ptr>::const_iterator it) : m_it(it) {}
        T &operator*() const { return **m_it; }
        T *operator->() const { return m_it->data(); }
        iterator &operator++()
        {
            ++m_it;
            return *this;
        }
        iterator operator++(int)
        {
            iterator old = *this;
            ++m_it;
            return old;
        }
        difference_type operator-(const iterator &o) const { return m_it - o.m_it; }
        bool operator==(const iterator &o) const { return m_it == o.m_it; }
        bool operator!=(const iterator &o) const { return m_it != o.m_it; }

    private:
        typename QVector<Ptr>::const_iterator m_it;
    };

    int size() const { return m_items.size(); }
    int count() const { return m_items.size(); }
    bool isEmpty() const { return m_items.isEmpty(); }

    T &operator[](int i) const { return *m_items.at(i); }
    T &at(int i) const { return *m_items.at(i); }
    T &first() const { return *m_items.first(); }
    T &last() const { return *m_items.last(); }

    iterator begin() const { return iterator(m_items.cbegin()); }
    iterator end() const { return iterator(m_items.cend()); }

    // The owning handle of entry i; hold it to keep the entry alive across a nested reload.
    Ptr shared(int i) const { return m_items.at(i); }

    // The owning handle of the entry stored at item, or null when item is not in this list.
    Ptr sharedOf(const T *item) const
    {
        const int i = indexOf(item);
        return i < 0 ? Ptr() : m_items.at(i);
    }

    int indexOf(const T *item) const
    {
        for (int i = 0; i < m_items.size(); ++i) {
            if (m_items.at(i).data() == item)
                return i;
        }
        return -1;
    }

    bool contains(const T *item) const { return indexOf(item) >= 0; }

    T *append(const T &value)
    {
        m_items.append(Ptr::create(value));
        return m_items.last().data();
    }

    T *append(T &&value)
    {
        m_items.append(Ptr::create(std::move(value)));
        return m_items.last().data();
    }

    void removeAt(int i) { m_items.removeAt(i); }

    bool removeOne(const T *item)
    {
        const int i = indexOf(item);
        if (i < 0)
            return false;
        m_items.removeAt(i);
        return true;
    }

    void clear() { m_items.clear(); }

    template <typename Less>
    void stableSort(Less less)
    {
        std::stable_sort(m_items.begin(), m_items.end(),
                         [&less](const Ptr &a, const Ptr &b) { return less(*a, *b); });
    }

private:
    QVector<Ptr> m_items;
};
