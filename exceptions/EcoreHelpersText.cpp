// The text rules of the helper routines: variable expansion with a given lookup, output
// and log file names, the key scheme of multi-line settings. Portable.
#include "exceptions/EcoreHelpers.h"

#include "framework/strutils.h"

bool IsEnvNameChar(char c) noexcept
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '('
        || c == ')';
}

std::string ExpandEnvVars(const std::string& text, const TEnvLookup& lookup)
{
    std::string result;
    result.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t open = text.find('%', pos);
        if (open == std::string::npos) break;
        std::size_t end = open + 1;
        while (end < text.size() && IsEnvNameChar(text[end])) ++end;
        if (end == open + 1 || end >= text.size() || text[end] != '%') {
            // Not a reference: the sign is plain text, and the scan goes on after it (the
            // next "%" may open one).
            result.append(text, pos, open + 1 - pos);
            pos = open + 1;
            continue;
        }
        result.append(text, pos, open - pos);
        result += lookup(text.substr(open + 1, end - open - 1));
        pos = end + 1;
    }
    result.append(text, pos, std::string::npos);
    return result;
}

std::string ExpandEnvVars(const std::string& text)
{
    return ExpandEnvVars(text, [](const std::string& name) { return GetEnvVariable(name); });
}

std::string IncludeLastBackslash(std::string_view path)
{
    std::string result(path);
    if (!result.empty() && result.back() != '\\' && result.back() != '/') result += '\\';
    return result;
}

std::string OutputFileFor(const std::string& outputPath, const std::string& fileName)
{
    if (LowerCase(ExtractFileExt(outputPath)) == ".elf") return outputPath;
    const std::string folder = outputPath.empty() ? ExtractFilePath(fileName) : outputPath;
    return IncludeLastBackslash(folder) + ExtractFileName(fileName);
}

namespace {

bool IsInvalidFileNameChar(char c) noexcept
{
    if (static_cast<unsigned char>(c) < 0x20) return true;
    switch (c) {
    case '"': case '*': case '/': case ':': case '<': case '>': case '?': case '\\': case '|':
        return true;
    default:
        return false;
    }
}

} // namespace

std::string LogFileNameFor(const std::string& fileName, const std::string& computerNameOrEmpty)
{
    const std::string logName = ChangeFileExt(fileName, ".elf");
    if (computerNameOrEmpty.empty()) return logName;
    std::string suffix = "_" + computerNameOrEmpty;
    for (char& c : suffix)
        if (IsInvalidFileNameChar(c)) c = '_';
    const std::size_t extensionAt = logName.size() - 4;  // ".elf"
    return logName.substr(0, extensionAt) + suffix + logName.substr(extensionAt);
}

bool IsIdeExecutableName(std::string_view fileName) noexcept
{
    const std::string_view name = fileName.substr(fileName.find_last_of("\\/:") + 1);
    return SameText(name, "BDS.EXE");
}

std::string RawStringsCountKey(const std::string& key)
{
    return "Count " + key;
}

std::string RawStringsLineKey(const std::string& key, int index)
{
    return key + IntToStr(index);
}

std::vector<std::string> SplitRawLines(std::string_view value)
{
    std::vector<std::string> lines(1);
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < value.size() && value[i + 1] == '\n') ++i;
            lines.emplace_back();
        } else {
            lines.back() += c;
        }
    }
    return lines;
}

std::string JoinRawLines(const std::vector<std::string>& lines)
{
    std::string result;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) result += "\r\n";
        result += lines[i];
    }
    return result;
}

std::string QuoteRawLine(std::string_view line)
{
    return "\"" + std::string(line) + "\"";
}
