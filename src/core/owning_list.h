#pragma once

// A doubly linked list that owns its items, with the links inside the items.

#include <memory>
#include <utility>

namespace qv {

template <class T>
class TOwningList;

// The links of an item of a TOwningList<T>; T derives from TOwningListItem<T>. Only the list writes
// the links, so an item is in at most one list and the list is the only owner of what it links.
template <class T>
class TOwningListItem
{
public:
    TOwningListItem(const TOwningListItem&) = delete;
    TOwningListItem& operator=(const TOwningListItem&) = delete;

    // The neighbours in the owning list; nullptr at its ends and while the item is in no list.
    T* Next() const { return FNext; }
    T* Prev() const { return FPrev; }

protected:
    TOwningListItem() = default;
    ~TOwningListItem() = default;

private:
    friend class TOwningList<T>;
    T* FNext = nullptr;
    T* FPrev = nullptr;
};

// Owns a chain of items: Insert takes an item over, Remove hands one back, and Clear (and the
// destructor) free what is left, one item at a time from the first, each unlinked before it goes.
// Items are freed in a loop, never through a chain of owning links, so lists of any length can go
// without deep recursion. Not thread-safe.
template <class T>
class TOwningList
{
public:
    TOwningList() = default;
    TOwningList(const TOwningList&) = delete;
    TOwningList& operator=(const TOwningList&) = delete;
    ~TOwningList() { Clear(); }

    T* First() const { return FFirst; }
    T* Last() const { return FLast; }
    bool IsEmpty() const { return FFirst == nullptr; }

    // Links `item` in before `before` (an item of this list; nullptr appends) and returns it.
    T* Insert(std::unique_ptr<T> item, T* before)
    {
        T* added = item.release();
        TOwningListItem<T>& links = *added;
        links.FNext = before;
        links.FPrev = before != nullptr ? Links(before).FPrev : FLast;
        if (links.FPrev != nullptr)
            Links(links.FPrev).FNext = added;
        else
            FFirst = added;
        if (before != nullptr)
            Links(before).FPrev = added;
        else
            FLast = added;
        return added;
    }

    T* Append(std::unique_ptr<T> item) { return Insert(std::move(item), nullptr); }

    // Unlinks `item`, an item of this list, and hands its ownership back.
    std::unique_ptr<T> Remove(T* item)
    {
        TOwningListItem<T>& links = *item;
        if (links.FPrev != nullptr)
            Links(links.FPrev).FNext = links.FNext;
        else
            FFirst = links.FNext;
        if (links.FNext != nullptr)
            Links(links.FNext).FPrev = links.FPrev;
        else
            FLast = links.FPrev;
        links.FNext = nullptr;
        links.FPrev = nullptr;
        return std::unique_ptr<T>(item);
    }

    void Clear()
    {
        while (FFirst != nullptr)
            Remove(FFirst);
    }

private:
    static TOwningListItem<T>& Links(T* item) { return *item; }

    T* FFirst = nullptr;
    T* FLast = nullptr;
};

} // namespace qv
