// Text and path helpers of the runtime: plain C++, no platform calls, so they build and
// are tested natively as well.
//
// Text is 8-bit; case rules are ASCII only (bytes from 128 up are never changed or folded),
// so results do not depend on the user's code page or locale. Every function may be
// called from any thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// --- Integers and text ---

std::string IntToStr(int value);
std::string IntToStr(long value);
std::string IntToStr(long long value);
// Upper-case hexadecimal with at least `digits` digits (zero-filled). A negative 32-bit
// value is its 32-bit two's complement (-1 -> "FFFFFFFF"); a 64-bit one uses 64 bits.
std::string IntToHex(int value, int digits);
std::string IntToHex(long long value, int digits);

// Decimal with an optional sign, or hexadecimal after "$" or "0x" (after the sign, if any).
// Nothing else is allowed, not even blanks around. Hexadecimal takes the full width of
// the type, so "$FFFFFFFF" is -1 for StrToInt. Out of range or malformed text raises
// EConvertError "'<text>' is not a valid integer value".
int StrToInt(std::string_view text);
std::int64_t StrToInt64(std::string_view text);
// As StrToInt, but answers whether the text was valid instead of raising; value is left
// unchanged when it is not.
bool TryStrToInt(std::string_view text, int& value) noexcept;
bool TryStrToInt64(std::string_view text, std::int64_t& value) noexcept;
int StrToIntDef(std::string_view text, int defaultValue) noexcept;
std::int64_t StrToInt64Def(std::string_view text, std::int64_t defaultValue) noexcept;

// Drop the characters up to and including ' ' (blanks and control characters) from both
// ends, the left end, the right end.
std::string Trim(std::string_view text);
std::string TrimLeft(std::string_view text);
std::string TrimRight(std::string_view text);

std::string UpperCase(std::string_view text);
std::string LowerCase(std::string_view text);

// Compare byte by byte: < 0, 0 or > 0 as a sorts before, equal to or after b; a prefix
// sorts first. CompareText folds ASCII letters to upper case first.
int CompareStr(std::string_view a, std::string_view b) noexcept;
int CompareText(std::string_view a, std::string_view b) noexcept;
bool SameText(std::string_view a, std::string_view b) noexcept;

enum TReplaceFlags : unsigned {
    rfNone = 0,
    rfReplaceAll = 1u << 0,   // every occurrence, not only the first
    rfIgnoreCase = 1u << 1,   // ASCII letters match in either case
};
constexpr TReplaceFlags operator|(TReplaceFlags a, TReplaceFlags b) noexcept
{
    return static_cast<TReplaceFlags>(static_cast<unsigned>(a) | static_cast<unsigned>(b));
}

// text with oldPattern replaced by newPattern. Replaced text is never searched again.
// An empty oldPattern replaces nothing.
std::string StringReplace(std::string_view text, std::string_view oldPattern, std::string_view newPattern,
                          TReplaceFlags flags);

// --- Paths ---
// '\', '/' and ':' all end a directory or drive part; only the file name (after the last
// of them) can have an extension.

// The drive and directory part, with its trailing delimiter: "C:\a\b.txt" -> "C:\a\".
std::string ExtractFilePath(std::string_view fileName);
// The drive and directory part without the trailing delimiter, except for a root:
// "C:\a\b.txt" -> "C:\a", "C:\b.txt" -> "C:\", "C:b.txt" -> "C:".
std::string ExtractFileDir(std::string_view fileName);
std::string ExtractFileName(std::string_view fileName);
// The extension with its dot ("b.tar.gz" -> ".gz"); empty when the name has no dot.
std::string ExtractFileExt(std::string_view fileName);
// fileName with the extension replaced; extension should include its dot and may be
// empty to remove it. A name without an extension gets it appended.
std::string ChangeFileExt(std::string_view fileName, std::string_view extension);
// Appends '\' unless the path already ends with '\' or '/' ("" -> "\").
std::string IncludeTrailingPathDelimiter(std::string_view path);
// Removes one trailing '\' or '/', if there is one ("C:\" -> "C:").
std::string ExcludeTrailingPathDelimiter(std::string_view path);
