// The library's own source files, as the build lists them at configure time (the
// generated EdebugOwnUnitsList.inc: one string literal per file, repository-relative).
#include "exceptions/EdebugResolve.h"

const std::vector<std::string>& LibraryOwnSourceFiles()
{
    static const std::vector<std::string> files = [] {
        std::vector<std::string> list = {
#include "EdebugOwnUnitsList.inc"
        };
        SortOwnSourceFiles(list);
        return list;
    }();
    return files;
}
