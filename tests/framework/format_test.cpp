#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>

#include "framework/exceptions.h"
#include "framework/format.h"

namespace {

struct FormatCase {
    std::string format;
    std::string actual;
    std::string expected;
};

FormatCase Case(const char* format, std::initializer_list<TVarRec> args, const char* expected)
{
    return {format, Format(format, args), expected};
}

void ExpectAll(std::initializer_list<FormatCase> cases)
{
    for (const FormatCase& c : cases) {
        SCOPED_TRACE(c.format);
        EXPECT_EQ(c.actual, c.expected);
    }
}

TEST(Format, IntegersTakeWidthPrecisionAndAlignment)
{
    ExpectAll({
        Case("%d", {42}, "42"),
        Case("%d", {-42}, "-42"),
        Case("%.3d", {-5}, "-005"),
        Case("%.3d", {12345}, "12345"),
        Case("%5d|", {42}, "   42|"),
        Case("%-5d|", {42}, "42   |"),
        Case("%6.3d|", {-7}, "  -007|"),
        Case("%-6.3d|", {7}, "007   |"),
        Case("%d", {INT_MIN}, "-2147483648"),
        Case("%d", {std::numeric_limits<long long>::min()}, "-9223372036854775808"),
        Case("%d", {4000000000u}, "4000000000"),
        Case("%d", {std::numeric_limits<unsigned long long>::max()}, "18446744073709551615"),
        Case("%d", {1LL << 40}, "1099511627776"),
        Case("%D", {3}, "3"),
    });
}

TEST(Format, UnsignedAndHexShowTwosComplementOfTheArgumentWidth)
{
    ExpectAll({
        Case("%u", {-1}, "4294967295"),
        Case("%u", {-1LL}, "18446744073709551615"),
        Case("%u", {3000000000u}, "3000000000"),
        Case("%x", {255}, "FF"),
        Case("%x", {0xabcdef}, "ABCDEF"),
        Case("%x", {-1}, "FFFFFFFF"),
        Case("%x", {INT_MIN}, "80000000"),
        Case("%x", {-1LL}, "FFFFFFFFFFFFFFFF"),
        Case("%8.8x", {0x1F}, "0000001F"),
        Case("%.2x", {0xABC}, "ABC"),
        Case("%4x|", {0xA}, "   A|"),
        Case("%-4X|", {0xA}, "A   |"),
        Case("%.4u", {12}, "0012"),
    });
}

TEST(Format, TextCharactersAndPointers)
{
    const std::string owned = "owned";
    const bool wide = sizeof(void*) == 8;
    ExpectAll({
        Case("%s", {"abc"}, "abc"),
        Case("<%s>", {owned}, "<owned>"),
        Case("%s", {std::string_view("view")}, "view"),
        Case("%s", {""}, ""),
        Case("%.2s", {"abcdef"}, "ab"),
        Case("%.10s", {"abc"}, "abc"),
        Case("%5s|", {"abc"}, "  abc|"),
        Case("%-5s|", {"abc"}, "abc  |"),
        Case("%-5.2s|", {"abc"}, "ab   |"),
        Case("%s", {'q'}, "q"),
        Case("%c", {'A'}, "A"),
        Case("%3c", {'A'}, "  A"),
        Case("%c", {66}, "B"),
        Case("%p", {reinterpret_cast<const void*>(0x1234AB)}, wide ? "00000000001234AB" : "001234AB"),
        Case("%p", {static_cast<const void*>(nullptr)}, wide ? "0000000000000000" : "00000000"),
        Case("100%%", {}, "100%"),
        Case("%%%d%%", {5}, "%5%"),
        Case("no specifiers", {1, "extra"}, "no specifiers"),
    });
}

TEST(Format, IndexSelectsTheArgumentAndLaterSpecifiersContinueAfterIt)
{
    ExpectAll({
        Case("%1:s %0:s", {"a", "b"}, "b a"),
        Case("%1:s %s", {"a", "b", "c"}, "b c"),
        Case("%s %0:s %s", {"x", "y"}, "x x y"),
        Case("%0:s%0:s", {"r"}, "rr"),
        Case("%1:-4d|", {1, 2}, "2   |"),
        Case("%2:.3d", {0, 0, 9}, "009"),
    });
}

TEST(Format, StarTakesWidthAndPrecisionFromTheArguments)
{
    ExpectAll({
        Case("%*d|", {5, 42}, "   42|"),
        Case("%-*d|", {4, 7}, "7   |"),
        Case("%*d|", {-4, 7}, "7   |"),
        Case("%.*f", {1, 2.25}, "2.3"),
        Case("%*.*x", {6, 4, 0xA}, "  000A"),
        Case("%.*s", {3, "abcdef"}, "abc"),
        Case("%*:s", {1, "a", "b"}, "a"),
    });
}

TEST(Format, FixedPointRoundsHalfAwayFromZero)
{
    ExpectAll({
        Case("%f", {1.5}, "1.50"),
        Case("%f", {0.0}, "0.00"),
        Case("%.0f", {2.5}, "3"),
        Case("%.0f", {-2.5}, "-3"),
        Case("%.0f", {0.4}, "0"),
        Case("%.2f", {1.005}, "1.01"),
        Case("%.2f", {0.125}, "0.13"),
        Case("%.3f", {0.0005}, "0.001"),
        Case("%.2f", {-0.001}, "0.00"),
        Case("%.1f", {9.96}, "10.0"),
        Case("%.1f", {-9.96}, "-10.0"),
        Case("%8.2f|", {3.14159}, "    3.14|"),
        Case("%-8.2f|", {-3.14159}, "-3.14   |"),
        Case("%f", {1e20}, "100000000000000000000.00"),
        Case("%.5f", {1.0 / 3.0}, "0.33333"),
        Case("%.20f", {0.1}, "0.10000000000000000000"),
        Case("%.4f", {123456.0}, "123456.0000"),
    });
}

TEST(Format, NumberAndMoneyGroupThousands)
{
    ExpectAll({
        Case("%n", {1234567.891}, "1,234,567.89"),
        Case("%n", {-1234.5}, "-1,234.50"),
        Case("%n", {12.0}, "12.00"),
        Case("%n", {123.0}, "123.00"),
        Case("%n", {100000.0}, "100,000.00"),
        Case("%.0n", {999.5}, "1,000"),
        Case("%.1n", {0.25}, "0.3"),
        Case("%m", {1234.5}, "1,234.50"),
        Case("%12n|", {1234.5}, "    1,234.50|"),
    });
}

TEST(Format, ScientificHasFifteenDigitsAndThreeExponentDigitsByDefault)
{
    ExpectAll({
        Case("%e", {1234.5}, "1.23450000000000E+003"),
        Case("%e", {0.0}, "0.00000000000000E+000"),
        Case("%e", {-1.0}, "-1.00000000000000E+000"),
        Case("%.3e", {1234.5}, "1.23E+003"),
        Case("%.3e", {-0.00012345}, "-1.23E-004"),
        Case("%.2e", {9.99}, "1.0E+001"),
        Case("%.4e", {1e100}, "1.000E+100"),
        Case("%.1e", {1e-300}, "1E-300"),
        Case("%.5e", {6.02214076e23}, "6.0221E+023"),
        Case("%12.3e|", {2.5}, "   2.50E+000|"),
    });
}

TEST(Format, GeneralIsTheShortestForm)
{
    ExpectAll({
        Case("%g", {1.5}, "1.5"),
        Case("%g", {100.0}, "100"),
        Case("%g", {0.1}, "0.1"),
        Case("%g", {-2.5}, "-2.5"),
        Case("%g", {0.0}, "0"),
        Case("%g", {1.0 / 3.0}, "0.333333333333333"),
        Case("%g", {0.00001}, "0.00001"),
        Case("%g", {0.000001}, "1E-6"),
        Case("%g", {1.5e-10}, "1.5E-10"),
        Case("%g", {1e20}, "1E20"),
        Case("%g", {123456789012345.0}, "123456789012345"),
        Case("%g", {1234567890123456.0}, "1.23456789012346E15"),
        Case("%.3g", {1234.0}, "1.23E3"),
        Case("%.3g", {12.345}, "12.3"),
        Case("%.2g", {0.999}, "1"),
        Case("%6g|", {2.5}, "   2.5|"),
    });
}

TEST(Format, InfinityAndNaNAreNamed)
{
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    ExpectAll({
        Case("%f", {inf}, "INF"),
        Case("%n", {-inf}, "-INF"),
        Case("%e", {-inf}, "-INF"),
        Case("%g", {nan}, "NAN"),
        Case("%5f|", {inf}, "  INF|"),
    });
}

struct ErrorCase {
    const char* label;
    std::function<std::string()> call;
    std::string message;
};

void ExpectConvertErrors(std::initializer_list<ErrorCase> cases)
{
    for (const ErrorCase& c : cases) {
        SCOPED_TRACE(c.label);
        try {
            std::string result = c.call();
            ADD_FAILURE() << "no exception; result \"" << result << "\"";
        } catch (const Exception& e) {
            EXPECT_STREQ(e.ClassName().c_str(), "EConvertError");
            EXPECT_EQ(e.Message(), c.message);
        }
    }
}

std::string Invalid(const char* format)
{
    return std::string("Format '") + format + "' invalid or incompatible with argument";
}

TEST(Format, AnArgumentOfTheWrongTypeOrAMalformedSpecifierIsAConvertError)
{
    ExpectConvertErrors({
        {"s with an integer", [] { return Format("%s", {1}); }, Invalid("%s")},
        {"d with text", [] { return Format("Value %d!", {"x"}); }, Invalid("Value %d!")},
        {"d with a float", [] { return Format("%d", {1.5}); }, Invalid("%d")},
        {"x with a pointer", [] { return Format("%x", {static_cast<const void*>(nullptr)}); }, Invalid("%x")},
        {"f with an integer", [] { return Format("%f", {1}); }, Invalid("%f")},
        {"e with text", [] { return Format("%e", {"1.5"}); }, Invalid("%e")},
        {"p with an integer", [] { return Format("%p", {1}); }, Invalid("%p")},
        {"c with text", [] { return Format("%c", {"a"}); }, Invalid("%c")},
        {"star with text", [] { return Format("%*d", {"5", 1}); }, Invalid("%*d")},
        {"unknown type", [] { return Format("%z", {1}); }, Invalid("%z")},
        {"percent at the end", [] { return Format("50%", {1}); }, Invalid("50%")},
        {"no type after width", [] { return Format("%5", {1}); }, Invalid("%5")},
        {"huge width", [] { return Format("%99999999999d", {1}); }, Invalid("%99999999999d")},
    });
}

TEST(Format, ASpecifierBeyondTheArgumentsIsAConvertError)
{
    ExpectConvertErrors({
        {"second of one", [] { return Format("%d %d", {1}); }, "No argument for format '%d %d'"},
        {"none given", [] { return Format("%s", {}); }, "No argument for format '%s'"},
        {"index past the end", [] { return Format("%2:d", {1, 2}); }, "No argument for format '%2:d'"},
        {"star uses the only one", [] { return Format("%*d", {5}); }, "No argument for format '%*d'"},
        {"continuing after an index", [] { return Format("%1:d %d", {1, 2}); },
         "No argument for format '%1:d %d'"},
    });
}

} // namespace
