// The text form of a call stack: a table of the named entries.
#include <algorithm>
#include <array>

#include "exceptions/Ecore.h"
#include "exceptions/EcoreHelpers.h"
#include "exceptions/ExceptionLogModules.h"
#include "exceptions/ExceptionLogStack.h"
#include "framework/stringlist.h"
#include "framework/strutils.h"

TCallStackHeaders CallStackHeaders(const TVantrelModuleOptions& options)
{
    return {options.GetCustomizedTexts(mtCallStack_Address), options.GetCustomizedTexts(mtCallStack_Name),
            options.GetCustomizedTexts(mtCallStack_Unit),    options.GetCustomizedTexts(mtCallStack_Class),
            options.GetCustomizedTexts(mtCallStack_Procedure), options.GetCustomizedTexts(mtCallStack_Line)};
}

namespace {

constexpr std::size_t ColumnCount = 6;
using TRow = std::array<std::string, ColumnCount>;

std::string RowText(const TRow& row, const std::array<std::size_t, ColumnCount>& widths)
{
    std::string text = "|";
    for (std::size_t column = 0; column < ColumnCount; ++column) {
        text += row[column];
        text.append(widths[column] - row[column].size(), ' ');
        text += '|';
    }
    return text;
}

} // namespace

void CallStackToStrings(const TVantrelStackList* list, const TCallStackHeaders& headers,
                        std::vector<std::string>& lines)
{
    if (!list) return;
    std::vector<TRow> rows;
    for (int i = 0; i < list->Count(); ++i) {
        const TVantrelDebugInfo& entry = *list->GetItem(i);
        if (!IsNamedDetail(entry.DebugDetail)) continue;
        TRow row;
        row[0] = CodeAddressText(entry.Address);
        row[1] = entry.ModuleInfo ? ExtractFileName(entry.ModuleInfo->FileName) : std::string();
        row[2] = entry.UnitName.Str();
        row[3] = entry.ClassName.Str();
        row[4] = entry.ProcedureName.Str();
        if (entry.LineNumber)
            row[5] = std::to_string(entry.LineNumber) + "[" + std::to_string(entry.ProcedureLine) + "]";
        rows.push_back(std::move(row));
    }
    if (rows.empty()) return;
    const TRow header = {headers.Address, headers.Name, headers.Unit, headers.Class, headers.Procedure, headers.Line};
    std::array<std::size_t, ColumnCount> widths{};
    widths[0] = 8;
    for (std::size_t column = 0; column < ColumnCount; ++column) {
        widths[column] = std::max(widths[column], header[column].size());
        for (const TRow& row : rows) widths[column] = std::max(widths[column], row[column].size());
    }
    std::size_t total = 7;
    for (const std::size_t width : widths) total += width;
    const std::string separator(total, '-');
    lines.push_back(separator);
    lines.push_back(RowText(header, widths));
    lines.push_back(separator);
    for (const TRow& row : rows) lines.push_back(RowText(row, widths));
    lines.push_back(separator);
}

void CallStackToStrings(const TVantrelStackList* list, const TVantrelModuleOptions* options,
                        std::vector<std::string>& lines)
{
    if (!options) return;
    CallStackToStrings(list, CallStackHeaders(*options), lines);
}

void CallStackToStrings(const TVantrelStackList* list, const TVantrelModuleOptions* options, TStrings& strings)
{
    std::vector<std::string> lines;
    CallStackToStrings(list, options, lines);
    for (const std::string& line : lines) strings.Add(line);
}
