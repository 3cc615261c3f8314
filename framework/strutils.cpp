#include "framework/strutils.h"

#include <charconv>
#include <cstdint>
#include <limits>

#include "framework/exceptions.h"
#include "framework/format.h"

namespace {

char UpCase(char c) noexcept
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

char LoCase(char c) noexcept
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsBlank(char c) noexcept
{
    return static_cast<unsigned char>(c) <= ' ';
}

template <typename Int>
std::string ToDecimal(Int value)
{
    char buffer[32];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

int HexDigitValue(char c) noexcept
{
    if (c >= '0' && c <= '9') return c - '0';
    c = UpCase(c);
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Parses text as an integer of `bits` bits (32 or 64) into value; false when malformed or
// out of range. Hexadecimal covers the unsigned range of the width and wraps into the
// signed one, as hexadecimal constants of the runtime do.
bool ParseInteger(std::string_view text, int bits, std::int64_t& value) noexcept
{
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    bool hex = false;
    if (i < text.size() && text[i] == '$') {
        hex = true;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (i == text.size()) return false;

    const std::uint64_t unsignedMax = bits == 64 ? std::numeric_limits<std::uint64_t>::max() : 0xFFFFFFFFull;
    const std::uint64_t signedMax = unsignedMax >> 1;
    const std::uint64_t limit = hex ? unsignedMax : (negative ? signedMax + 1 : signedMax);
    const std::uint64_t base = hex ? 16 : 10;
    std::uint64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        int digit = hex ? HexDigitValue(text[i]) : (text[i] >= '0' && text[i] <= '9' ? text[i] - '0' : -1);
        if (digit < 0) return false;
        if (magnitude > (limit - static_cast<std::uint64_t>(digit)) / base) return false;
        magnitude = magnitude * base + static_cast<std::uint64_t>(digit);
    }
    if (negative) magnitude = (0 - magnitude) & unsignedMax;
    // Reinterpret the low `bits` bits as a two's complement number of that width.
    if (bits == 32)
        value = static_cast<std::int32_t>(static_cast<std::uint32_t>(magnitude));
    else
        value = static_cast<std::int64_t>(magnitude);
    return true;
}

[[noreturn]] void RaiseNotAnInteger(std::string_view text)
{
    throw EConvertError(Format("'%s' is not a valid integer value", {text}));
}

size_t LastPathDelimiter(std::string_view path) noexcept
{
    return path.find_last_of("\\/:");
}

bool IsPathSeparator(char c) noexcept
{
    return c == '\\' || c == '/';
}

// Position of the extension's dot in fileName, or npos.
size_t ExtensionDot(std::string_view fileName) noexcept
{
    size_t found = fileName.find_last_of(".\\/:");
    return (found != std::string_view::npos && fileName[found] == '.') ? found : std::string_view::npos;
}

} // namespace

// --- Integers and text ---

std::string IntToStr(int value)
{
    return ToDecimal(value);
}

std::string IntToStr(long value)
{
    return ToDecimal(value);
}

std::string IntToStr(long long value)
{
    return ToDecimal(value);
}

std::string IntToHex(int value, int digits)
{
    return Format("%.*x", {digits, value});
}

std::string IntToHex(long long value, int digits)
{
    return Format("%.*x", {digits, value});
}

int StrToInt(std::string_view text)
{
    std::int64_t value = 0;
    if (!ParseInteger(text, 32, value)) RaiseNotAnInteger(text);
    return static_cast<int>(value);
}

std::int64_t StrToInt64(std::string_view text)
{
    std::int64_t value = 0;
    if (!ParseInteger(text, 64, value)) RaiseNotAnInteger(text);
    return value;
}

bool TryStrToInt(std::string_view text, int& value) noexcept
{
    std::int64_t parsed = 0;
    if (!ParseInteger(text, 32, parsed)) return false;
    value = static_cast<int>(parsed);
    return true;
}

bool TryStrToInt64(std::string_view text, std::int64_t& value) noexcept
{
    return ParseInteger(text, 64, value);
}

int StrToIntDef(std::string_view text, int defaultValue) noexcept
{
    TryStrToInt(text, defaultValue);
    return defaultValue;
}

std::int64_t StrToInt64Def(std::string_view text, std::int64_t defaultValue) noexcept
{
    TryStrToInt64(text, defaultValue);
    return defaultValue;
}

std::string Trim(std::string_view text)
{
    return TrimRight(TrimLeft(text));
}

std::string TrimLeft(std::string_view text)
{
    size_t start = 0;
    while (start < text.size() && IsBlank(text[start])) ++start;
    return std::string(text.substr(start));
}

std::string TrimRight(std::string_view text)
{
    size_t end = text.size();
    while (end > 0 && IsBlank(text[end - 1])) --end;
    return std::string(text.substr(0, end));
}

std::string UpperCase(std::string_view text)
{
    std::string result(text);
    for (char& c : result) c = UpCase(c);
    return result;
}

std::string LowerCase(std::string_view text)
{
    std::string result(text);
    for (char& c : result) c = LoCase(c);
    return result;
}

int CompareStr(std::string_view a, std::string_view b) noexcept
{
    size_t common = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < common; ++i) {
        int difference = static_cast<unsigned char>(a[i]) - static_cast<unsigned char>(b[i]);
        if (difference != 0) return difference;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

int CompareText(std::string_view a, std::string_view b) noexcept
{
    size_t common = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < common; ++i) {
        int difference = static_cast<unsigned char>(UpCase(a[i])) - static_cast<unsigned char>(UpCase(b[i]));
        if (difference != 0) return difference;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool SameText(std::string_view a, std::string_view b) noexcept
{
    return a.size() == b.size() && CompareText(a, b) == 0;
}

std::string StringReplace(std::string_view text, std::string_view oldPattern, std::string_view newPattern,
                          TReplaceFlags flags)
{
    if (oldPattern.empty()) return std::string(text);
    // Case folding keeps lengths, so positions found in the folded copies hold in the original.
    const bool ignoreCase = (flags & rfIgnoreCase) != 0;
    const std::string haystack = ignoreCase ? UpperCase(text) : std::string(text);
    const std::string needle = ignoreCase ? UpperCase(oldPattern) : std::string(oldPattern);
    std::string result;
    size_t position = 0;
    for (;;) {
        size_t found = haystack.find(needle, position);
        if (found == std::string::npos) break;
        result.append(text.substr(position, found - position));
        result.append(newPattern);
        position = found + needle.size();
        if (!(flags & rfReplaceAll)) break;
    }
    result.append(text.substr(position));
    return result;
}

// --- Paths ---

std::string ExtractFilePath(std::string_view fileName)
{
    size_t delimiter = LastPathDelimiter(fileName);
    return delimiter == std::string_view::npos ? std::string() : std::string(fileName.substr(0, delimiter + 1));
}

std::string ExtractFileDir(std::string_view fileName)
{
    size_t delimiter = LastPathDelimiter(fileName);
    if (delimiter == std::string_view::npos) return std::string();
    size_t end = delimiter + 1;
    // The separator stays when it is the root ("\" or "C:\"): without it the text would
    // name the drive's current directory or nothing at all.
    if (IsPathSeparator(fileName[delimiter]) && delimiter > 0 && fileName[delimiter - 1] != ':' &&
        !IsPathSeparator(fileName[delimiter - 1]))
        end = delimiter;
    return std::string(fileName.substr(0, end));
}

std::string ExtractFileName(std::string_view fileName)
{
    size_t delimiter = LastPathDelimiter(fileName);
    return std::string(delimiter == std::string_view::npos ? fileName : fileName.substr(delimiter + 1));
}

std::string ExtractFileExt(std::string_view fileName)
{
    size_t dot = ExtensionDot(fileName);
    return dot == std::string_view::npos ? std::string() : std::string(fileName.substr(dot));
}

std::string ChangeFileExt(std::string_view fileName, std::string_view extension)
{
    size_t dot = ExtensionDot(fileName);
    std::string result(dot == std::string_view::npos ? fileName : fileName.substr(0, dot));
    result.append(extension);
    return result;
}

std::string IncludeTrailingPathDelimiter(std::string_view path)
{
    std::string result(path);
    if (result.empty() || !IsPathSeparator(result.back())) result.push_back('\\');
    return result;
}

std::string ExcludeTrailingPathDelimiter(std::string_view path)
{
    std::string result(path);
    if (!result.empty() && IsPathSeparator(result.back())) result.pop_back();
    return result;
}
