// The export list of loaded modules: the test exe's own exports (Edebug_exports_tests.def)
// and kernel32.dll's, against what pefile lists from their files (written beside the exe
// after the link, see CMakeLists.txt) and against GetProcAddress; and images in memory
// whose pages or headers would lead a careless reader outside what it may read.
#include <windows.h>
#include <psapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "exceptions/EdebugExports.h"
#include "tests/exceptions/Edebug_exports_fixtures.h"
#include "tests/exceptions/Edebug_exports_samples.h"
#include "tests/exceptions/beside_exe.h"

namespace {

struct TPefileExport {
    std::string Name;
    std::uintptr_t Rva = 0;
    std::string Forwarder; // "-" for code
};

// The named exports pefile found in the file listed under key.
std::vector<TPefileExport> PefileExports(const std::string& key)
{
    std::istringstream in(ReadWholeFile(BesideExe(".exports.txt")));
    std::vector<TPefileExport> exports;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string module, rva;
        TPefileExport e;
        if (!std::getline(fields, module, '\t') || !std::getline(fields, e.Name, '\t') || !std::getline(fields, rva, '\t')
            || !std::getline(fields, e.Forwarder))
            continue;
        if (module != key) continue;
        e.Rva = static_cast<std::uintptr_t>(std::stoull(rva, nullptr, 16));
        exports.push_back(e);
    }
    return exports;
}

std::map<std::string, const TVantrelFunctionInfo*> ByName(const TVantrelFunctionsList& list)
{
    std::map<std::string, const TVantrelFunctionInfo*> byName;
    for (int i = 0; i < list.Count(); ++i) byName[list.GetItem(i)->Name] = list.GetItem(i);
    return byName;
}

void ExpectSortedByAddress(const TVantrelFunctionsList& list)
{
    for (int i = 1; i < list.Count(); ++i)
        EXPECT_LE(list.GetItem(i - 1)->Address, list.GetItem(i)->Address) << list.GetItem(i)->Name;
}

std::uintptr_t ProcAddress(HMODULE module, const std::string& name)
{
    return reinterpret_cast<std::uintptr_t>(GetProcAddress(module, name.c_str()));
}

TEST(EdebugExportsModule, OwnExeGivesWhatPefileListsAndTheCompilerPlaced)
{
    const HMODULE exe = GetModuleHandleA(nullptr);
    const auto base = reinterpret_cast<std::uintptr_t>(exe);
    TVantrelFunctionsList list;
    ReadModuleExports(exe, list);

    const std::vector<TPefileExport> expected = PefileExports("exe");
    ASSERT_EQ(expected.size(), 5u) << "the exe exports what its .def file lists";
    ASSERT_EQ(list.Count(), static_cast<int>(expected.size()));
    const auto byName = ByName(list);
    for (const TPefileExport& e : expected) {
        SCOPED_TRACE(e.Name);
        const auto found = byName.find(e.Name);
        ASSERT_NE(found, byName.end());
        if (e.Forwarder == "-") {
            EXPECT_EQ(found->second->Address, base + e.Rva);
        }
        EXPECT_EQ(found->second->Address, ProcAddress(exe, e.Name));
        EXPECT_EQ(found->second->CodeSize, 0u);
    }
    EXPECT_EQ(byName.at("EdebugSampleAlpha")->Address, reinterpret_cast<std::uintptr_t>(&EdebugSampleAlpha));
    EXPECT_EQ(byName.at("EdebugSampleBeta")->Address, reinterpret_cast<std::uintptr_t>(&EdebugSampleBeta));
    EXPECT_EQ(byName.at("EdebugSampleGamma")->Address, reinterpret_cast<std::uintptr_t>(&EdebugSampleGamma));
    EXPECT_EQ(byName.at("EdebugSampleData")->Address, reinterpret_cast<std::uintptr_t>(&EdebugSampleData));
    // The forwarder is the routine of the module it names, not text inside the exe.
    EXPECT_EQ(byName.at("EdebugSampleTick")->Address, ProcAddress(GetModuleHandleA("kernel32.dll"), "GetTickCount"));
    ExpectSortedByAddress(list);
}

TEST(EdebugExportsModule, Kernel32GivesEveryNameGetProcAddressResolves)
{
    const std::vector<TPefileExport> expected = PefileExports("kernel32");
    if (expected.empty()) GTEST_SKIP() << "no pefile list of kernel32.dll: Wine's file was not found at build time";
    const HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
    ASSERT_NE(kernel32, nullptr);
    const auto base = reinterpret_cast<std::uintptr_t>(kernel32);
    TVantrelFunctionsList list;
    ReadModuleExports(kernel32, list);

    const auto byName = ByName(list);
    std::size_t present = 0;
    std::size_t forwarders = 0;
    for (const TPefileExport& e : expected) {
        SCOPED_TRACE(e.Name);
        const std::uintptr_t resolved = ProcAddress(kernel32, e.Name);
        const bool forwarder = e.Forwarder != "-";
        if (forwarder) ++forwarders;
        // A forwarder whose target cannot be found is left out.
        if (forwarder && resolved == 0) {
            EXPECT_EQ(byName.count(e.Name), 0u);
            continue;
        }
        ++present;
        const auto found = byName.find(e.Name);
        ASSERT_NE(found, byName.end());
        EXPECT_EQ(found->second->Address, resolved);
        if (!forwarder) {
            EXPECT_EQ(found->second->Address, base + e.Rva);
        }
    }
    EXPECT_GT(forwarders, 0u) << "kernel32.dll forwards to other modules";
    EXPECT_EQ(list.Count(), static_cast<int>(present));
    ExpectSortedByAddress(list);
}

// Every module of the process, whatever its linker: each record is what GetProcAddress
// gives for its name, and no name appears twice.
TEST(EdebugExportsModule, EveryLoadedModuleAgreesWithGetProcAddress)
{
    std::vector<HMODULE> modules(512);
    DWORD needed = 0;
    ASSERT_TRUE(K32EnumProcessModules(GetCurrentProcess(), modules.data(),
                                      static_cast<DWORD>(modules.size() * sizeof(HMODULE)), &needed));
    modules.resize(std::min<std::size_t>(modules.size(), needed / sizeof(HMODULE)));
    ASSERT_GT(modules.size(), 3u);
    int modulesWithExports = 0;
    for (const HMODULE module : modules) {
        char name[MAX_PATH] = {};
        GetModuleFileNameA(module, name, MAX_PATH);
        SCOPED_TRACE(name);
        TVantrelFunctionsList list;
        ReadModuleExports(module, list);
        if (list.Count() > 0) ++modulesWithExports;
        const auto byName = ByName(list);
        EXPECT_EQ(byName.size(), static_cast<std::size_t>(list.Count()));
        for (int i = 0; i < list.Count(); ++i)
            ASSERT_EQ(list.GetItem(i)->Address, ProcAddress(module, list.GetItem(i)->Name)) << list.GetItem(i)->Name;
        ExpectSortedByAddress(list);
    }
    EXPECT_GT(modulesWithExports, 3);
}

// A page-aligned crafted image of the process's own form, copied into memory of its own.
class TImageInMemory {
public:
    TImageInMemory()
    {
        Bytes = ReadExportsFixture(sizeof(void*) == 8 ? "pages64.img" : "pages32.img");
        Memory = static_cast<unsigned char*>(VirtualAlloc(nullptr, Bytes.size(), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
        if (Memory) std::memcpy(Memory, Bytes.data(), Bytes.size());
    }
    ~TImageInMemory()
    {
        if (Memory) VirtualFree(Memory, 0, MEM_RELEASE);
    }
    TImageInMemory(const TImageInMemory&) = delete;
    TImageInMemory& operator=(const TImageInMemory&) = delete;

    bool Protect(std::size_t offset, DWORD protection)
    {
        DWORD old;
        return VirtualProtect(Memory + offset, 0x1000, protection, &old) != 0;
    }
    // SizeOfImage in the optional header (offset 56 in both forms).
    void SetSizeOfImage(DWORD size)
    {
        LONG ntOffset;
        std::memcpy(&ntOffset, Memory + 0x3C, sizeof(ntOffset));
        std::memcpy(Memory + ntOffset + 24 + 56, &size, sizeof(size));
    }

    std::string Bytes;
    unsigned char* Memory = nullptr;
};

// The layout Edebug_exports_images.py gives the "pages" images.
constexpr std::size_t CodePage = 0x1000;
constexpr std::size_t ExportPage = 0x2000;

TEST(EdebugExportsModule, ImageInMemoryIsReadWhereItCanBe)
{
    TImageInMemory image;
    ASSERT_NE(image.Memory, nullptr);
    const auto base = reinterpret_cast<std::uintptr_t>(image.Memory);
    {
        TVantrelFunctionsList list;
        ReadModuleExports(image.Memory, list);
        ASSERT_EQ(list.Count(), 2);
        EXPECT_EQ(list.GetItem(0)->Name, "PageOne");
        EXPECT_EQ(list.GetItem(0)->Address, base + CodePage);
        EXPECT_EQ(list.GetItem(1)->Address, base + CodePage + 0x10);
    }
    {
        // Headers that claim far more than the memory holds: only the memory is read.
        image.SetSizeOfImage(0x7FFF0000);
        TVantrelFunctionsList list;
        ReadModuleExports(image.Memory, list);
        EXPECT_EQ(list.Count(), 2);
    }
    {
        // The directory's page cannot be read: nothing, and no fault.
        ASSERT_TRUE(image.Protect(ExportPage, PAGE_NOACCESS));
        TVantrelFunctionsList list;
        ReadModuleExports(image.Memory, list);
        EXPECT_EQ(list.Count(), 0);
        ASSERT_TRUE(image.Protect(ExportPage, PAGE_READONLY));
    }
    {
        // The headers' page cannot be read.
        ASSERT_TRUE(image.Protect(0, PAGE_NOACCESS));
        TVantrelFunctionsList list;
        ReadModuleExports(image.Memory, list);
        EXPECT_EQ(list.Count(), 0);
        ASSERT_TRUE(image.Protect(0, PAGE_READWRITE));
    }
}

TEST(EdebugExportsModule, NoModuleOrNoImageGivesNothing)
{
    TVantrelFunctionsList list;
    ReadModuleExports(nullptr, list);
    EXPECT_EQ(list.Count(), 0);
    void* zeros = VirtualAlloc(nullptr, 0x1000, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    ASSERT_NE(zeros, nullptr);
    ReadModuleExports(zeros, list);
    EXPECT_EQ(list.Count(), 0);
    VirtualFree(zeros, 0, MEM_RELEASE);
}

} // namespace
