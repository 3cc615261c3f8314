#include "framework/format.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "framework/exceptions.h"

namespace {

// A double holds 15 significant decimal digits reliably; the rest of its shortest
// round-trip form is binary noise. Rounding from 15 digits (half away from zero) makes
// "%.2f" of 1.005 give "1.01", as a reader of the source number expects.
constexpr int SignificantDigits = 15;

// A non-negative finite number as decimal digits: value = 0.<Digits> * 10^(Exponent + 1),
// that is, Digits[0] stands at the power Exponent. Zero has no digits.
struct TDecimal {
    std::string Digits;
    int Exponent = 0;
};

TDecimal ToDecimal(double magnitude)
{
    TDecimal result;
    if (magnitude == 0) return result;
    char buffer[64];
    auto converted = std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::scientific,
                                   SignificantDigits - 1);
    // "d.dddddddddddddde[+-]xx"
    std::string_view text(buffer, static_cast<size_t>(converted.ptr - buffer));
    size_t e = text.find('e');
    result.Digits.push_back(text[0]);
    for (size_t i = 2; i < e; ++i) result.Digits.push_back(text[i]);
    std::from_chars(text.data() + e + (text[e + 1] == '+' ? 2 : 1), text.data() + text.size(), result.Exponent);
    while (!result.Digits.empty() && result.Digits.back() == '0') result.Digits.pop_back();
    return result;
}

// Keeps the first `count` digits, rounding half away from zero; count may be negative
// or beyond the digits present. A carry out of the first digit raises the exponent.
void RoundToDigits(TDecimal& number, int count)
{
    if (count >= static_cast<int>(number.Digits.size())) return;
    if (count < 0) {
        number.Digits.clear();
        return;
    }
    bool roundUp = number.Digits[static_cast<size_t>(count)] >= '5';
    number.Digits.resize(static_cast<size_t>(count));
    if (roundUp) {
        int i = count - 1;
        while (i >= 0 && number.Digits[static_cast<size_t>(i)] == '9') number.Digits[static_cast<size_t>(i--)] = '0';
        if (i >= 0) {
            ++number.Digits[static_cast<size_t>(i)];
        } else {
            number.Digits.insert(number.Digits.begin(), '1');
            ++number.Exponent;
        }
    }
    while (!number.Digits.empty() && number.Digits.back() == '0') number.Digits.pop_back();
    if (number.Digits.empty()) number.Exponent = 0;
}

// The digit standing at power `power` of ten.
char DigitAt(const TDecimal& number, int power)
{
    int index = number.Exponent - power;
    return (index >= 0 && index < static_cast<int>(number.Digits.size())) ? number.Digits[static_cast<size_t>(index)]
                                                                          : '0';
}

std::string ExponentText(int exponent, int minDigits, bool plusSign)
{
    std::string text = std::to_string(std::abs(exponent));
    if (static_cast<int>(text.size()) < minDigits) text.insert(0, static_cast<size_t>(minDigits) - text.size(), '0');
    if (exponent < 0) return "-" + text;
    return plusSign ? "+" + text : text;
}

std::string NonFiniteText(double value)
{
    if (std::isnan(value)) return "NAN";
    return value < 0 ? "-INF" : "INF";
}

// "f", and "n" with thousands separators: `decimals` digits after the point.
std::string FixedText(double value, int decimals, bool thousands)
{
    if (!std::isfinite(value)) return NonFiniteText(value);
    TDecimal number = ToDecimal(std::fabs(value));
    RoundToDigits(number, number.Exponent + 1 + decimals);
    std::string integral;
    for (int power = number.Exponent > 0 ? number.Exponent : 0; power >= 0; --power) {
        if (thousands && !integral.empty() && (power + 1) % 3 == 0) integral.push_back(',');
        integral.push_back(DigitAt(number, power));
    }
    std::string text = (value < 0 && !number.Digits.empty()) ? "-" + integral : integral;
    if (decimals > 0) {
        text.push_back('.');
        for (int power = -1; power >= -decimals; --power) text.push_back(DigitAt(number, power));
    }
    return text;
}

// "e": d.ddd...E+ddd with `significant` digits in all.
std::string ScientificText(double value, int significant)
{
    if (!std::isfinite(value)) return NonFiniteText(value);
    TDecimal number = ToDecimal(std::fabs(value));
    RoundToDigits(number, significant);
    std::string text = value < 0 && !number.Digits.empty() ? "-" : "";
    text.push_back(DigitAt(number, number.Exponent));
    if (significant > 1) {
        text.push_back('.');
        for (int i = 1; i < significant; ++i) text.push_back(DigitAt(number, number.Exponent - i));
    }
    return text + "E" + ExponentText(number.Exponent, 3, true);
}

// "g": the shorter of fixed and scientific with at most `significant` digits and no
// trailing zeros. Scientific when the number needs more integral digits than that, or is
// below 0.00001.
std::string GeneralText(double value, int significant)
{
    if (!std::isfinite(value)) return NonFiniteText(value);
    TDecimal number = ToDecimal(std::fabs(value));
    RoundToDigits(number, significant);
    if (number.Digits.empty()) return "0";
    std::string text = value < 0 ? "-" : "";
    const int digitCount = static_cast<int>(number.Digits.size());
    if (number.Exponent >= significant || number.Exponent < -5) {
        text.push_back(number.Digits[0]);
        if (digitCount > 1) text += "." + number.Digits.substr(1);
        return text + "E" + ExponentText(number.Exponent, 0, false);
    }
    for (int power = number.Exponent > 0 ? number.Exponent : 0; power >= 0; --power)
        text.push_back(DigitAt(number, power));
    int lowestPower = number.Exponent - digitCount + 1;
    if (lowestPower < 0) {
        text.push_back('.');
        for (int power = -1; power >= lowestPower; --power) text.push_back(DigitAt(number, power));
    }
    return text;
}

std::string HexText(std::uint64_t value)
{
    static const char hexDigits[] = "0123456789ABCDEF";
    std::string text;
    do {
        text.insert(text.begin(), hexDigits[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    return text;
}

void ZeroFill(std::string& digits, int precision)
{
    if (static_cast<int>(digits.size()) < precision) digits.insert(0, static_cast<size_t>(precision) - digits.size(), '0');
}

bool IsInteger(const TVarRec& arg) noexcept
{
    using K = TVarRec::Kind;
    K kind = arg.GetKind();
    return kind == K::Int32 || kind == K::UInt32 || kind == K::Int64 || kind == K::UInt64;
}

// The bits "u" and "x" show: a signed 32-bit argument as its 32-bit two's complement.
std::uint64_t UnsignedBits(const TVarRec& arg) noexcept
{
    if (arg.GetKind() == TVarRec::Kind::Int32) return static_cast<std::uint32_t>(arg.AsInt());
    return arg.AsUInt();
}

class TFormatter {
public:
    TFormatter(std::string_view format, std::initializer_list<TVarRec> args) : FFormat(format), FArgs(args) {}

    std::string Run()
    {
        std::string result;
        while (FPos < FFormat.size()) {
            char c = FFormat[FPos++];
            if (c != '%') {
                result.push_back(c);
                continue;
            }
            if (FPos < FFormat.size() && FFormat[FPos] == '%') {
                result.push_back('%');
                ++FPos;
                continue;
            }
            result += Specifier();
        }
        return result;
    }

private:
    [[noreturn]] void Invalid() const
    {
        throw EConvertError("Format '" + std::string(FFormat) + "' invalid or incompatible with argument");
    }

    [[noreturn]] void NoArgument() const
    {
        throw EConvertError("No argument for format '" + std::string(FFormat) + "'");
    }

    const TVarRec& NextArg()
    {
        if (FArgIndex >= FArgs.size()) NoArgument();
        return FArgs.begin()[FArgIndex++];
    }

    bool AtDigit() const { return FPos < FFormat.size() && FFormat[FPos] >= '0' && FFormat[FPos] <= '9'; }
    bool At(char c) const { return FPos < FFormat.size() && FFormat[FPos] == c; }

    // A run of digits or "*" (taken from the next argument, which must be an integer).
    // False, with nothing consumed, when neither is there.
    bool ReadNumber(std::int64_t& number)
    {
        if (At('*')) {
            ++FPos;
            const TVarRec& arg = NextArg();
            if (!IsInteger(arg)) Invalid();
            bool isSigned = arg.GetKind() == TVarRec::Kind::Int32 || arg.GetKind() == TVarRec::Kind::Int64;
            if (isSigned ? (arg.AsInt() > INT_MAX || arg.AsInt() < -INT_MAX) : arg.AsUInt() > INT_MAX) Invalid();
            number = isSigned ? arg.AsInt() : static_cast<std::int64_t>(arg.AsUInt());
            return true;
        }
        if (!AtDigit()) return false;
        number = 0;
        while (AtDigit()) {
            number = number * 10 + (FFormat[FPos++] - '0');
            if (number > INT_MAX) Invalid();
        }
        return true;
    }

    std::string Specifier()
    {
        std::int64_t number = 0;
        bool haveNumber = ReadNumber(number);
        if (haveNumber && At(':')) {
            ++FPos;
            if (number < 0) Invalid();
            FArgIndex = static_cast<size_t>(number);
            haveNumber = false;
        }
        bool leftAlign = false;
        if (!haveNumber) {
            if (At('-')) {
                leftAlign = true;
                ++FPos;
            }
            haveNumber = ReadNumber(number);
        }
        int width = 0;
        if (haveNumber) {
            // A negative "*" width aligns left, as in C.
            if (number < 0) leftAlign = true;
            width = static_cast<int>(number < 0 ? -number : number);
        }
        int precision = -1;
        if (At('.')) {
            ++FPos;
            std::int64_t value = 0;
            if (ReadNumber(value)) precision = value < 0 ? -1 : static_cast<int>(value);
            else precision = 0;
        }
        if (FPos >= FFormat.size()) Invalid();
        char type = FFormat[FPos++];
        if (type >= 'A' && type <= 'Z') type = static_cast<char>(type - 'A' + 'a');

        std::string text = Convert(type, precision, NextArg());
        if (static_cast<int>(text.size()) < width) {
            std::string padding(static_cast<size_t>(width) - text.size(), ' ');
            text = leftAlign ? text + padding : padding + text;
        }
        return text;
    }

    std::string Convert(char type, int precision, const TVarRec& arg)
    {
        using K = TVarRec::Kind;
        const K kind = arg.GetKind();
        switch (type) {
        case 'd': {
            if (!IsInteger(arg)) Invalid();
            bool negative = (kind == K::Int32 || kind == K::Int64) && arg.AsInt() < 0;
            std::uint64_t magnitude = negative ? 0 - arg.AsUInt() : arg.AsUInt();
            std::string digits = std::to_string(magnitude);
            ZeroFill(digits, precision);
            return negative ? "-" + digits : digits;
        }
        case 'u':
        case 'x': {
            if (!IsInteger(arg)) Invalid();
            std::string digits = type == 'u' ? std::to_string(UnsignedBits(arg)) : HexText(UnsignedBits(arg));
            ZeroFill(digits, precision);
            return digits;
        }
        case 'p': {
            if (kind != K::Pointer) Invalid();
            std::string digits = HexText(arg.AsUInt());
            ZeroFill(digits, static_cast<int>(sizeof(void*) * 2));
            return digits;
        }
        case 's': {
            std::string text;
            if (kind == K::Text) text = std::string(arg.AsText());
            else if (kind == K::Char) text = std::string(1, static_cast<char>(arg.AsInt()));
            else Invalid();
            if (precision >= 0 && static_cast<int>(text.size()) > precision) text.resize(static_cast<size_t>(precision));
            return text;
        }
        case 'c':
            if (kind != K::Char && !IsInteger(arg)) Invalid();
            return std::string(1, static_cast<char>(arg.AsUInt() & 0xFF));
        case 'e':
        case 'f':
        case 'g':
        case 'n':
        case 'm':
            if (kind != K::Float) Invalid();
            return FloatText(type, precision, arg.AsFloat());
        default:
            Invalid();
        }
    }

    static std::string FloatText(char type, int precision, double value)
    {
        auto significant = [&](int most) {
            if (precision < 0) return SignificantDigits;
            return precision < 1 ? 1 : (precision > most ? most : precision);
        };
        switch (type) {
        case 'e':
            return ScientificText(value, significant(18));
        case 'g':
            return GeneralText(value, significant(SignificantDigits));
        default:
            return FixedText(value, precision < 0 ? 2 : precision, type != 'f');
        }
    }

    std::string_view FFormat;
    std::initializer_list<TVarRec> FArgs;
    size_t FPos = 0;
    size_t FArgIndex = 0;
};

} // namespace

std::string Format(std::string_view format, std::initializer_list<TVarRec> args)
{
    return TFormatter(format, args).Run();
}
