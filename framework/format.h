// Format: the runtime's printf-like text formatting for fixed messages.
//
//   Format("Cannot create file \"%s\". %s", {path, SysErrorMessage(code)})
//
// Specifiers: "%" [index ":"] ["-"] [width] ["." precision] type, where index, width and
// precision may be "*" (taken from the next argument, an integer). An index picks the
// argument (0 = the first); later specifiers go on from the one after it. Width pads with
// blanks on the left, or on the right after "-" (or for a negative "*" width). The type
// letter may be either case:
//   d  signed decimal; precision = least digits, zero-filled after the sign ("-005")
//   u  unsigned decimal; x  hexadecimal with upper-case digits; both zero-filled to the
//      precision. A negative 32-bit argument shows its 32-bit two's complement
//      (-1 -> "FFFFFFFF"), a 64-bit one its 64 bits.
//   s  text (or one character); precision = most characters taken
//   c  one character (or the low byte of an integer)
//   p  a pointer as upper-case hexadecimal digits of the pointer width (8 or 16)
//   f  fixed point, precision = decimals (default 2)
//   n  as f, with "," between groups of three integral digits; m the same (money amounts,
//      no currency sign: the text must not depend on the user's locale)
//   e  scientific "-d.ddd...E+ddd": precision = significant digits (default 15, at most
//      18), at least three exponent digits
//   g  the shorter general form with at most precision (default 15) significant digits
//      and no trailing zeros: fixed point, or scientific ("1.5E-10", "1E20") when the
//      number has more integral digits than that or is below 0.00001
//   %% a percent sign
// Floating-point numbers are rounded half away from zero from their first 15 significant
// digits ("%.2f" of 1.005 is "1.01"); infinities and NaN give "INF", "-INF" and "NAN".
// The decimal point is always ".".
// A specifier that does not fit its argument (d with text, s with a number, f with an
// integer) or a malformed specifier raises EConvertError "Format '<format>' invalid or
// incompatible with argument"; one beyond the last argument raises EConvertError "No
// argument for format '<format>'". Extra arguments are ignored.
// Format may be called from any thread.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

// One argument of Format. Constructed implicitly from the argument's C++ value;
// text arguments are viewed, not copied, so they must outlive the Format call.
class TVarRec {
public:
    enum class Kind { Int32, UInt32, Int64, UInt64, Text, Char, Pointer, Float };

    TVarRec(int v) noexcept : FKind(Kind::Int32), FInt(v) {}
    TVarRec(long v) noexcept : FKind(Kind::Int32), FInt(v) {}
    TVarRec(unsigned v) noexcept : FKind(Kind::UInt32), FUInt(v) {}
    TVarRec(unsigned long v) noexcept : FKind(Kind::UInt32), FUInt(v) {}
    TVarRec(long long v) noexcept : FKind(Kind::Int64), FInt(v) {}
    TVarRec(unsigned long long v) noexcept : FKind(Kind::UInt64), FUInt(v) {}
    TVarRec(char v) noexcept : FKind(Kind::Char), FInt(static_cast<unsigned char>(v)) {}
    TVarRec(double v) noexcept : FKind(Kind::Float), FFloat(v) {}
    TVarRec(const char* v) noexcept : FKind(Kind::Text), FText(v ? v : "") {}
    TVarRec(const std::string& v) noexcept : FKind(Kind::Text), FText(v) {}
    TVarRec(std::string_view v) noexcept : FKind(Kind::Text), FText(v) {}
    TVarRec(const void* v) noexcept : FKind(Kind::Pointer), FUInt(reinterpret_cast<std::uintptr_t>(v)) {}

    Kind GetKind() const noexcept { return FKind; }
    std::int64_t AsInt() const noexcept { return FInt; }
    std::uint64_t AsUInt() const noexcept { return FUInt; }
    double AsFloat() const noexcept { return FFloat; }
    std::string_view AsText() const noexcept { return FText; }

private:
    Kind FKind;
    union {
        std::int64_t FInt;
        std::uint64_t FUInt;
        double FFloat;
    };
    std::string_view FText;
};

std::string Format(std::string_view format, std::initializer_list<TVarRec> args);
