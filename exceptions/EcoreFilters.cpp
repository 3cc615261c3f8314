// The exception filter list of an options object: it owns its records and mirrors every
// change into the owner's shared memory.
#include <memory>
#include <vector>

#include "Ecore.h"

TVantrelExceptionsFilters::~TVantrelExceptionsFilters()
{
    // The base class's destructor no longer reaches Notify, and the owner is going too:
    // free the records here without writing the owner's options.
    TList::Clear();
}

void TVantrelExceptionsFilters::Notify(void* item, TListNotification action)
{
    if (action == lnDeleted) delete static_cast<TVantrelExceptionFilter*>(item);
}

void TVantrelExceptionsFilters::Changed()
{
    FOwner->SaveToSharedData();
}

int TVantrelExceptionsFilters::Add(const TVantrelExceptionFilter& item)
{
    const int index = Count();
    Insert(index, item);
    return index;
}

void TVantrelExceptionsFilters::Insert(int index, const TVantrelExceptionFilter& item)
{
    auto record = std::make_unique<TVantrelExceptionFilter>(item);
    TList::Insert(index, record.get());
    record.release();
    Changed();
}

void TVantrelExceptionsFilters::Delete(int index)
{
    TList::Delete(index);
    Changed();
}

void TVantrelExceptionsFilters::Clear()
{
    TList::Clear();
    Changed();
}

const TVantrelExceptionFilter* TVantrelExceptionsFilters::GetItem(int index) const
{
    return static_cast<const TVantrelExceptionFilter*>(TList::Items(index));
}

void TVantrelExceptionsFilters::SetItem(int index, const TVantrelExceptionFilter& item)
{
    // Checked before the copy is made, so a bad index leaks nothing.
    TList::Items(index);
    auto record = std::make_unique<TVantrelExceptionFilter>(item);
    TList::SetItems(index, record.release());
    Changed();
}

void TVantrelExceptionsFilters::Assign(const TVantrelExceptionsFilters& other)
{
    if (&other == this) return;
    // Copied in full before anything is dropped, so a failing copy leaves the list as it was.
    std::vector<std::unique_ptr<TVantrelExceptionFilter>> copies;
    copies.reserve(static_cast<std::size_t>(other.Count()));
    for (int index = 0; index < other.Count(); ++index) {
        copies.push_back(std::make_unique<TVantrelExceptionFilter>(*other.GetItem(index)));
    }
    TList::Clear();
    TList::SetCapacity(static_cast<int>(copies.size()));
    for (auto& record : copies) TList::Add(record.release());
    Changed();
}
