// Temporary: stands in for the export list reader until it is merged, so that the
// modules list links. It reads no exports; the export tests skip while it is linked.
#include "exceptions/EdebugExports.h"

TVantrelFunctionsList::~TVantrelFunctionsList()
{
    TList::Clear();
}

void TVantrelFunctionsList::Notify(void* item, TListNotification action)
{
    if (action == lnDeleted) delete static_cast<TVantrelFunctionInfo*>(item);
}

TVantrelFunctionInfo* TVantrelFunctionsList::GetItem(int index) const
{
    return static_cast<TVantrelFunctionInfo*>(TList::Items(index));
}

int TVantrelFunctionsList::AddItem(TVantrelFunctionInfo* info)
{
    return TList::Add(info);
}

void TVantrelFunctionsList::SortByAddress() {}

void ReadModuleExports(void*, TVantrelFunctionsList&) {}
