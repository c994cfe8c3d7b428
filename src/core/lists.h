#pragma once

namespace qv {

// Stateless routines over intrusive linked lists: the links live inside the items and are reached
// through accessor functions the caller passes in. `T` is the item type (used through pointers).
template <class T>
struct TDirectionalList
{
    using TGetLink = T* (*)(const T* item);
    using TSetLink = void (*)(T* item, T* link);

    // The item reached after `n` steps from `first`; nullptr when the list ends first.
    static T* ItemAt(T* first, int n, TGetLink getNext)
    {
        T* item = first;
        for (; item != nullptr && n > 0; --n)
            item = getNext(item);
        return n == 0 ? item : nullptr;
    }

    // Steps from `first` to `item`, counting from 0; -1 when the list ends first.
    static int IndexOf(T* first, const T* item, TGetLink getNext)
    {
        int index = 0;
        for (T* p = first; p != nullptr; p = getNext(p), ++index) {
            if (p == item)
                return index;
        }
        return -1;
    }

    // A null `other` counts as after everything; an item is not before itself.
    static bool IsBefore(const T* item, const T* other, TGetLink getNext)
    {
        if (other == nullptr)
            return true;
        if (item == other)
            return false;
        for (const T* p = getNext(item); p != nullptr; p = getNext(p)) {
            if (p == other)
                return true;
        }
        return false;
    }

    static T* Last(T* first, TGetLink getNext)
    {
        T* last = first;
        while (last != nullptr && getNext(last) != nullptr)
            last = getNext(last);
        return last;
    }
};

template <class T>
struct TUnidirectionalList : TDirectionalList<T>
{
    using typename TDirectionalList<T>::TGetLink;
    using typename TDirectionalList<T>::TSetLink;

    static void InsertFirst(T* item, T*& head, TSetLink setNext)
    {
        setNext(item, head);
        head = item;
    }

    static void Append(T* item, T*& head, TGetLink getNext, TSetLink setNext)
    {
        setNext(item, nullptr);
        if (head == nullptr)
            head = item;
        else
            setNext(TDirectionalList<T>::Last(head, getNext), item);
    }

    static void Remove(T* item, T*& head, TGetLink getNext, TSetLink setNext)
    {
        if (head == item) {
            head = getNext(item);
        } else {
            for (T* p = head; p != nullptr; p = getNext(p)) {
                if (getNext(p) == item) {
                    setNext(p, getNext(item));
                    break;
                }
            }
        }
        setNext(item, nullptr);
    }
};

template <class T>
struct TBidirectionalList : TDirectionalList<T>
{
    using typename TDirectionalList<T>::TGetLink;
    using typename TDirectionalList<T>::TSetLink;

    struct TLinks
    {
        TGetLink GetNext;
        TGetLink GetPrev;
        TSetLink SetNext;
        TSetLink SetPrev;
    };

    // Links `item` in front of `before`, or at the tail when `before` is null.
    static void Insert(T* item, T* before, T*& head, T*& tail, const TLinks& links)
    {
        T* prev = before != nullptr ? links.GetPrev(before) : tail;
        links.SetPrev(item, prev);
        links.SetNext(item, before);
        if (prev != nullptr)
            links.SetNext(prev, item);
        else
            head = item;
        if (before != nullptr)
            links.SetPrev(before, item);
        else
            tail = item;
    }

    static void Remove(T* item, T*& head, T*& tail, const TLinks& links)
    {
        T* prev = links.GetPrev(item);
        T* next = links.GetNext(item);
        if (prev != nullptr)
            links.SetNext(prev, next);
        else if (head == item)
            head = next;
        if (next != nullptr)
            links.SetPrev(next, prev);
        else if (tail == item)
            tail = prev;
        links.SetPrev(item, nullptr);
        links.SetNext(item, nullptr);
    }

    static void Move(T* item, T* before, T*& head, T*& tail, const TLinks& links)
    {
        Remove(item, head, tail, links);
        Insert(item, before, head, tail, links);
    }

    // Removes and frees the head item until the list is empty; `freeItem` frees one item.
    template <class TFree>
    static void Clear(T*& head, T*& tail, const TLinks& links, TFree freeItem)
    {
        while (head != nullptr) {
            T* item = head;
            Remove(item, head, tail, links);
            freeItem(item);
        }
    }
};

} // namespace qv
