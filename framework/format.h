// Format: the runtime's printf-like text formatting for fixed messages.
//
//   Format("Cannot create file \"%s\". %s", {path, SysErrorMessage(code)})
//
// Specifiers: "%" [index ":"] ["-"] [width] ["." precision] type, where width and
// precision may be "*" (taken from the next argument). Types: d (signed decimal),
// u (unsigned decimal), x (hexadecimal, upper-case digits), s (text), p (pointer, as
// upper-case hexadecimal digits of the pointer width), e f g n m (floating point),
// c (character). "%%" is a percent sign. For d, u and x the precision is the least
// number of digits (zero-filled). For s it is the most characters taken.
// A specifier that does not fit its argument, or has none, raises EConvertError.
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
