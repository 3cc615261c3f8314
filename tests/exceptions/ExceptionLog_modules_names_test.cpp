// The portable rules of the modules list: NT-prefixed file names and the header facts
// that decide a module's kind.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "exceptions/ExceptionLogModules.h"

namespace {

TEST(ExceptionLogModuleNames, NtPrefixIsCutBeforeTheDriveLetter)
{
    struct Case {
        const char* Name;
        const char* Expected;
    };
    const Case cases[] = {
        {"\\??\\C:\\Windows\\system32\\kernel32.dll", "C:\\Windows\\system32\\kernel32.dll"},
        {"\\\\?\\D:\\very\\long\\path\\lib.dll", "D:\\very\\long\\path\\lib.dll"},
        {"C:\\plain\\name.exe", "C:\\plain\\name.exe"},
        {"", ""},
        // No drive behind the "?": nothing to cut to.
        {"\\??\\UNC\\server\\share\\lib.dll", "\\??\\UNC\\server\\share\\lib.dll"},
        // Only a ":" behind the first "?" counts.
        {"C:\\odd?\\x.dll", "C:\\odd?\\x.dll"},
        {"\\??\\Z:", "Z:"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(StripNtPathPrefix(c.Name), c.Expected);
    }
}

// The first bytes of an image: "MZ", e_lfanew, "PE\0\0" and the file header's
// characteristics at their documented offsets.
std::vector<unsigned char> Headers(std::uint32_t ntOffset, std::uint16_t characteristics, std::size_t size = 0x200)
{
    std::vector<unsigned char> bytes(size, 0);
    bytes[0] = 'M';
    bytes[1] = 'Z';
    std::memcpy(&bytes[0x3C], &ntOffset, 4);
    if (std::size_t{ntOffset} + 24 <= size) {
        std::memcpy(&bytes[ntOffset], "PE\0\0", 4);
        std::memcpy(&bytes[ntOffset + 22], &characteristics, 2);
    }
    return bytes;
}

TEST(ExceptionLogModuleNames, HeaderFactsOfImages)
{
    struct Case {
        const char* Label;
        std::vector<unsigned char> Bytes;
        bool Valid;
        bool Dll;
    };
    std::vector<Case> cases;
    cases.push_back({"exe", Headers(0x80, 0x0102), true, false});
    cases.push_back({"dll", Headers(0x80, 0x2102), true, true});
    cases.push_back({"headers ending with the characteristics", Headers(0x80, 0x2000, 0x80 + 24), true, true});
    cases.push_back({"characteristics cut off", Headers(0x80, 0x2000, 0x80 + 23), false, false});
    cases.push_back({"e_lfanew past the end", Headers(0x400, 0x2000), false, false});
    cases.push_back({"e_lfanew that wraps", Headers(0xFFFFFFF0u, 0x2000), false, false});
    std::vector<unsigned char> noMz = Headers(0x80, 0x2000);
    noMz[1] = 'X';
    cases.push_back({"no MZ", noMz, false, false});
    std::vector<unsigned char> noPe = Headers(0x80, 0x2000);
    noPe[0x81] = 'X';
    cases.push_back({"no PE signature", noPe, false, false});
    cases.push_back({"shorter than a DOS header", std::vector<unsigned char>{'M', 'Z'}, false, false});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Label);
        const TImageHeaderFacts facts = ReadImageHeaderFacts(c.Bytes.data(), c.Bytes.size());
        EXPECT_EQ(facts.ValidImage, c.Valid);
        EXPECT_EQ(facts.IsDll, c.Dll);
    }
    EXPECT_FALSE(ReadImageHeaderFacts(nullptr, 0x1000).ValidImage);
}

} // namespace
