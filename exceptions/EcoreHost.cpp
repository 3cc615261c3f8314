// What the host build puts in place of the Windows files: it has no modules and no file
// streams. Every options object has a null handle, which is also "this module", so the
// shared-data writes happen as on Windows for this module's options; the file operations
// refuse with the errors of a file that cannot be opened.
#include "Ecore.h"
#include "framework/exceptions.h"
#include "framework/format.h"

void* ModuleHandleOf(const std::string&)
{
    return nullptr;
}

void* ThisModuleHandle()
{
    return nullptr;
}

void TVantrelModuleOptions::SaveToFile(const std::string& fileName)
{
    throw EFCreateError(Format("Cannot create file \"%s\". %s", {fileName, "No files in the host build"}));
}

void TVantrelModuleOptions::LoadFromFile(const std::string& fileName)
{
    throw EFOpenError(Format("Cannot open file \"%s\". %s", {fileName, "No files in the host build"}));
}
