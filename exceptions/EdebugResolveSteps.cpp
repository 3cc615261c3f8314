// The portable steps of the resolver: an answer of a source into an entry. See
// EdebugResolve.h.
#include <algorithm>

#include "exceptions/EdebugResolve.h"

namespace {

std::string WithoutPath(const std::string& fileName)
{
    const std::size_t separator = fileName.find_last_of("\\/:");
    return separator == std::string::npos ? fileName : fileName.substr(separator + 1);
}

std::string WithoutExtension(const std::string& fileName)
{
    const std::size_t dot = fileName.find_last_of('.');
    return dot == std::string::npos ? fileName : fileName.substr(0, dot);
}

char FoldedChar(char c)
{
    if (c == '\\') return '/';
    if (c >= 'A' && c <= 'Z') return static_cast<char>(c - 'A' + 'a');
    return c;
}

bool SameFileText(const std::string& a, const std::string& b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return FoldedChar(x) == FoldedChar(y); });
}

bool FileTextLess(const std::string& a, const std::string& b)
{
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(FoldedChar(x)) < static_cast<unsigned char>(FoldedChar(y));
    });
}

std::string UnderscoreForAt(std::string procedure)
{
    if (!procedure.empty() && procedure[0] == '@') procedure[0] = '_';
    return procedure;
}

std::uint32_t NotNegative(int value)
{
    return value > 0 ? static_cast<std::uint32_t>(value) : 0;
}

} // namespace

void EntryFromLocation(const TELLocationInfo& info, bool moduleKnown, TVantrelDebugInfo& entry)
{
    entry.Address = info.Address;
    const std::string unit = WithoutPath(info.SourceName.empty() ? info.UnitName : info.SourceName);
    std::string className;
    std::string procedure;
    const std::string& name = info.ProcedureName;
    const std::size_t firstDot = name.find('.');
    if (firstDot == std::string::npos) {
        procedure = name;
    } else {
        const std::string first = name.substr(0, firstDot);
        const std::string rest = name.substr(firstDot + 1);
        const std::size_t secondDot = rest.find('.');
        if (secondDot != std::string::npos) {
            className = rest.substr(0, secondDot);
            procedure = rest.substr(secondDot + 1);
        } else {
            procedure = rest;
            // "Unit.Procedure": the first part names the unit, not a class. File names
            // compare without letter case.
            if (!SameFileText(first, WithoutExtension(unit))) className = first;
        }
    }
    procedure = UnderscoreForAt(std::move(procedure));
    entry.UnitName = unit;
    entry.ClassName = className;
    entry.ProcedureName = procedure;
    entry.LineNumber = NotNegative(info.LineNumber);
    entry.ProcedureLine = NotNegative(info.ProcedureLine);
    if (entry.LineNumber != 0) entry.DebugDetail = ddSourceCode;
    else if (!unit.empty()) entry.DebugDetail = ddUnitAndProcedure;
    else if (!procedure.empty()) entry.DebugDetail = ddProcedure;
    else entry.DebugDetail = moduleKnown ? ddModule : ddNone;
}

void EntryFromOwnLocation(const TOwnDebugLocation& location, std::uintptr_t address, TVantrelDebugInfo& entry)
{
    entry.DebugDetail = ddSourceCode;
    entry.Address = address;
    entry.UnitName = location.UnitName;
    entry.ClassName = location.ClassName;
    entry.ProcedureName = location.ProcedureName;
    entry.LineNumber = NotNegative(location.Line);
    entry.ProcedureLine = NotNegative(location.ProcedureLine);
}

void EntryFromExportName(const std::string& name, TVantrelDebugInfo& entry)
{
    const TExportNameParts parts = SplitExportName(name);
    if (parts.Detail == ddModule) return;
    entry.DebugDetail = parts.Detail;
    entry.UnitName = parts.UnitName;
    entry.ClassName = parts.ClassName;
    entry.ProcedureName = parts.ProcedureName;
}

const TVantrelFunctionInfo* FindExportFor(const TVantrelFunctionsList& exports, std::uintptr_t address,
                                          const TFunctionSizer& sizer)
{
    // The first export whose entry lies above the address; the one before it is the
    // candidate.
    int low = 0;
    int high = exports.Count();
    while (low < high) {
        const int middle = low + (high - low) / 2;
        if (exports.GetItem(middle)->Address <= address) low = middle + 1;
        else high = middle;
    }
    if (low == 0) return nullptr;
    TVantrelFunctionInfo* candidate = exports.GetItem(low - 1);
    if (candidate->CodeSize == 0 && sizer) candidate->CodeSize = sizer(candidate->Address);
    // The end is one past the last byte: the byte behind a procedure's return belongs to
    // whatever follows it.
    if (address - candidate->Address >= candidate->CodeSize) return nullptr;
    return candidate;
}

bool IsOwnSourceFile(const std::vector<std::string>& files, const std::string& unit)
{
    const auto at = std::lower_bound(files.begin(), files.end(), unit, FileTextLess);
    return at != files.end() && SameFileText(*at, unit);
}

void SortOwnSourceFiles(std::vector<std::string>& files)
{
    std::sort(files.begin(), files.end(), FileTextLess);
}

void ReduceToModule(TVantrelDebugInfo& entry) noexcept
{
    entry.DebugDetail = ddModule;
    entry.UnitName.Clear();
    entry.ClassName.Clear();
    entry.ProcedureName.Clear();
    entry.LineNumber = 0;
    entry.ProcedureLine = 0;
}
