#include "lists.h"

#include <algorithm>

#include "exceptions.h"
#include "format.h"

namespace {

[[noreturn]] void ListIndexError(int index)
{
    throw EListError(Format("List index out of bounds (%d)", {index}));
}

} // namespace

void TList::CheckIndex(int index) const
{
    if (index < 0 || index >= Count()) ListIndexError(index);
}

// Grows by a quarter once the list is large, so appending stays amortised constant time
// while small lists do not reserve much.
void TList::Grow()
{
    int delta = FCapacity > 64 ? FCapacity / 4 : (FCapacity > 8 ? 16 : 4);
    SetCapacity(FCapacity + delta);
}

int TList::Add(void* item)
{
    int index = Count();
    Insert(index, item);
    return index;
}

void TList::Insert(int index, void* item)
{
    if (index < 0 || index > Count()) ListIndexError(index);
    if (Count() == FCapacity) Grow();
    FItems.insert(FItems.begin() + index, item);
    if (item) Notify(item, lnAdded);
}

void TList::Delete(int index)
{
    CheckIndex(index);
    void* item = FItems[index];
    FItems.erase(FItems.begin() + index);
    if (item) Notify(item, lnDeleted);
}

int TList::Remove(void* item)
{
    int index = IndexOf(item);
    if (index >= 0) Delete(index);
    return index;
}

void* TList::Extract(void* item)
{
    int index = IndexOf(item);
    if (index < 0) return nullptr;
    FItems.erase(FItems.begin() + index);
    if (item) Notify(item, lnExtracted);
    return item;
}

int TList::IndexOf(void* item) const noexcept
{
    auto it = std::find(FItems.begin(), FItems.end(), item);
    return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

void TList::Clear()
{
    SetCount(0);
    SetCapacity(0);
}

void TList::SetCount(int count)
{
    if (count < 0) throw EListError(Format("List count out of bounds (%d)", {count}));
    if (count > FCapacity) SetCapacity(count);
    if (count > Count()) {
        FItems.resize(count, nullptr);
        return;
    }
    // From the end, so each notified item has already left the list.
    while (Count() > count) Delete(Count() - 1);
}

void* TList::Items(int index) const
{
    CheckIndex(index);
    return FItems[index];
}

void TList::SetItems(int index, void* item)
{
    CheckIndex(index);
    void* old = FItems[index];
    if (old == item) return;
    FItems[index] = item;
    if (old) Notify(old, lnDeleted);
    if (item) Notify(item, lnAdded);
}

void TList::Exchange(int index1, int index2)
{
    CheckIndex(index1);
    CheckIndex(index2);
    std::swap(FItems[index1], FItems[index2]);
}

void TList::Move(int curIndex, int newIndex)
{
    if (curIndex == newIndex) return;
    CheckIndex(newIndex);
    CheckIndex(curIndex);
    void* item = FItems[curIndex];
    FItems.erase(FItems.begin() + curIndex);
    FItems.insert(FItems.begin() + newIndex, item);
}

void TList::Pack()
{
    FItems.erase(std::remove(FItems.begin(), FItems.end(), nullptr), FItems.end());
}

void TList::Sort(TListSortCompare compare)
{
    // A merge sort never leaves the range even when compare is not a strict weak order
    // (say, it answers < 0 for equal items), where an unguarded quicksort partition could.
    std::stable_sort(FItems.begin(), FItems.end(),
                     [compare](void* a, void* b) { return compare(a, b) < 0; });
}

void TList::SetCapacity(int capacity)
{
    if (capacity < Count()) throw EListError(Format("List capacity out of bounds (%d)", {capacity}));
    if (capacity == FCapacity) return;
    if (static_cast<size_t>(capacity) < FItems.capacity()) {
        std::vector<void*> smaller;
        smaller.reserve(capacity);
        smaller.assign(FItems.begin(), FItems.end());
        FItems.swap(smaller);
    } else {
        FItems.reserve(capacity);
    }
    FCapacity = capacity;
}

void TList::Notify(void*, TListNotification)
{
}
