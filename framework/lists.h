// TList: an ordered list of untyped pointers, the runtime's general-purpose container.
//
// The list never owns what its items point to. Indices are zero-based ints; an index
// outside the list raises EListError "List index out of bounds (%d)" with that index.
// Not thread-safe: one thread at a time.
#pragma once

#include <vector>

#include "object.h"

// What happened to a non-null item, as reported to TList::Notify.
enum TListNotification { lnAdded, lnExtracted, lnDeleted };

// Returns < 0 when item1 sorts before item2, 0 when they are equal, > 0 after.
using TListSortCompare = int (*)(void* item1, void* item2);

class TList : public TObject {
    RUNTIME_CLASS(TList, TObject)
public:
    TList() = default;
    // Drops the items without notifying: a derived class that must see its items go
    // (lnDeleted) calls Clear in its own destructor, as virtual calls no longer reach it here.
    ~TList() override = default;
    TList(const TList&) = delete;
    TList& operator=(const TList&) = delete;

    // Appends item (null allowed); returns its index.
    int Add(void* item);
    // Inserts item before index; index may be Count() to append.
    void Insert(int index, void* item);
    void Delete(int index);
    // Deletes the first occurrence of item; returns the index it had, or -1 when absent.
    int Remove(void* item);
    // Takes the first occurrence of item out of the list (reported as lnExtracted rather
    // than lnDeleted); returns item, or null when it was not in the list.
    void* Extract(void* item);
    // The index of the first occurrence of item, or -1.
    int IndexOf(void* item) const noexcept;
    // Deletes every item and releases the storage (Capacity() becomes 0).
    void Clear();

    int Count() const noexcept { return static_cast<int>(FItems.size()); }
    // Grows with null items or deletes from the end; a negative count raises EListError
    // "List count out of bounds (%d)".
    void SetCount(int count);
    void* Items(int index) const;
    void SetItems(int index, void* item);
    void* First() const { return Items(0); }
    void* Last() const { return Items(Count() - 1); }

    void Exchange(int index1, int index2);
    // Moves the item at curIndex so that it ends up at newIndex; both must be valid indices.
    void Move(int curIndex, int newIndex);
    // Deletes every null item, keeping the order of the others.
    void Pack();
    // Stable sort by compare (not null). compare must not change the list.
    void Sort(TListSortCompare compare);

    // The number of items the list holds without reallocating. Setting it below Count()
    // raises EListError "List capacity out of bounds (%d)".
    int Capacity() const noexcept { return FCapacity; }
    void SetCapacity(int capacity);

protected:
    // Called after a non-null item was added, extracted or deleted (a replaced item counts
    // as deleted, its successor as added). Does nothing here.
    virtual void Notify(void* item, TListNotification action);

private:
    void CheckIndex(int index) const;
    void Grow();

    std::vector<void*> FItems;
    int FCapacity = 0;
};
