// Environment variables read in full and expanded into option texts.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "exceptions/EcoreHelpers.h"
#include "tests/exceptions/Ecore_helpers_test_folders.h"

namespace {

using zv::test::ScopedEnvVariable;

TEST(GetEnvVariable, ReadsValuesOfEveryLengthInFull)
{
    // Around the first buffer of 1024 characters and well beyond it.
    for (const std::size_t length : {std::size_t{1}, std::size_t{1022}, std::size_t{1023}, std::size_t{1024},
                                     std::size_t{1025}, std::size_t{5000}, std::size_t{32000}}) {
        std::string value(length, 'v');
        value.front() = '<';
        value.back() = '>';
        const ScopedEnvVariable variable("ZV_HELPERS_LONG", value);
        EXPECT_EQ(GetEnvVariable("ZV_HELPERS_LONG"), value) << "length " << length;
    }
}

TEST(GetEnvVariable, MissingAndEmptyVariablesGiveTheEmptyText)
{
    {
        const ScopedEnvVariable variable("ZV_HELPERS_MISSING", std::nullopt);
        EXPECT_EQ(GetEnvVariable("ZV_HELPERS_MISSING"), "");
    }
    const ScopedEnvVariable empty("ZV_HELPERS_EMPTY", std::string());
    EXPECT_EQ(GetEnvVariable("ZV_HELPERS_EMPTY"), "");
    EXPECT_EQ(GetEnvVariable(""), "");
}

TEST(ExpandEnvVars, UsesTheProcessEnvironment)
{
    const std::string temp = GetEnvVariable("TEMP");
    ASSERT_FALSE(temp.empty());
    EXPECT_EQ(ExpandEnvVars("%TEMP%\\logs 100%"), temp + "\\logs 100%");

    const ScopedEnvVariable missing("ZV_HELPERS_MISSING", std::nullopt);
    EXPECT_EQ(ExpandEnvVars("[%ZV_HELPERS_MISSING%]"), "[]");

    // Names are matched as the system matches them: without regard to case.
    const ScopedEnvVariable mixed("ZV_Helpers_Case", "found");
    EXPECT_EQ(ExpandEnvVars("%zv_helpers_case%/%ZV_HELPERS_CASE%"), "found/found");

    const std::string longValue(3000, 'x');
    const ScopedEnvVariable variable("ZV_HELPERS_LONG", longValue);
    EXPECT_EQ(ExpandEnvVars("a%ZV_HELPERS_LONG%b"), "a" + longValue + "b");
}

} // namespace
