// Module records of this exe and of system libraries. The exe carries a version resource
// and library data of its own (CMakeLists.txt: ExceptionLog_modules_options.txt and a
// password), and is "this module" of the library linked into it.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "exceptions/EcoreModuleData.h"
#include "exceptions/EdebugSource.h"
#include "exceptions/ExceptionLogModules.h"
#include "framework/datetime.h"
#include "framework/exceptions.h"
#include "framework/strutils.h"
#include "framework/sysutils.h"
#include "tests/exceptions/ExceptionLog_modules_fixtures.h"

namespace {

using zv::test::TCountingOptions;

struct TPasswordRequests {
    std::vector<void*> Modules;
    std::string Answer;
};

TVantrelModulesList CountingList(TPasswordRequests& requests)
{
    return TVantrelModulesList(
        [](const std::string& moduleName) { return std::make_unique<TCountingOptions>(moduleName); },
        [&requests](const TVantrelModuleInfo& module, std::string& password) {
            requests.Modules.push_back(module.HModule);
            password = requests.Answer;
        });
}

WIN32_FILE_ATTRIBUTE_DATA FileAttributes(const std::string& fileName)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    EXPECT_TRUE(GetFileAttributesExA(fileName.c_str(), GetFileExInfoStandard, &data)) << fileName;
    return data;
}

TEST(ExceptionLogModuleRecord, OwnExeRecord)
{
    TPasswordRequests requests;
    // Even the right password is not taken from the handlers for this module's own data.
    requests.Answer = "Exe pass";
    TVantrelModulesList list = CountingList(requests);
    void* const exe = GetModuleHandleA(nullptr);
    TVantrelModuleInfo* record = list.ModuleInfoFor(exe);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(list.ModuleInfoFor(exe), record) << "a second request finds the same record";
    EXPECT_EQ(list.Count(), 1);

    EXPECT_EQ(record->HModule, exe);
    EXPECT_EQ(record->FileName, GetModuleName(nullptr));
    EXPECT_TRUE(SameText(ExtractFileName(record->FileName), "ExceptionLog_modules_tests.exe")) << record->FileName;
    EXPECT_EQ(record->FileDescription, "Modules list tests");
    EXPECT_EQ(record->FileVersion, "1.2.3.4");
    const WIN32_FILE_ATTRIBUTE_DATA attributes = FileAttributes(record->FileName);
    EXPECT_EQ(record->FileSize, attributes.nFileSizeLow);
    EXPECT_EQ(record->FileDate, FileTimeToDateTime(attributes.ftLastWriteTime));
    EXPECT_EQ(record->Kind, mtMainModule);
    EXPECT_EQ(record->Exports.Count(), 0);

    const std::optional<TModuleDataBlock> block = ReadModuleDataBlock(nullptr);
    ASSERT_TRUE(block);
    EXPECT_EQ(record->DataVersion, 6015);
    EXPECT_EQ(record->CompiledAt, block->CompiledAt);
    EXPECT_GT(record->CompiledAt, 44927.0) << "after 2023";
    ASSERT_NE(record->Options, nullptr);
    auto* options = dynamic_cast<TCountingOptions*>(record->Options.get());
    ASSERT_NE(options, nullptr) << "made by the list's factory";
    EXPECT_EQ(options->ModuleName(), record->FileName);
    EXPECT_EQ(options->ModuleHandle(), exe);
    EXPECT_EQ(options->FreezeTimeout(), 23);
    EXPECT_EQ(options->SMTPFrom(), "modules@zorvan.test");
    EXPECT_EQ(options->SharedDataLoads, 0) << "this module's options are not read back from its shared memory";
    EXPECT_EQ(record->OwnDebugData, nullptr);
    EXPECT_EQ(record->ExternalDebugData, nullptr);

    // This module's debug password starts empty and nobody is asked for it, so a
    // block with a password stays locked.
    EXPECT_TRUE(requests.Modules.empty());
    EXPECT_EQ(record->DebugPassword, "");
    EXPECT_FALSE(record->PasswordValid);
    EXPECT_TRUE(IsBlockPassword(*block, "Exe pass")) << "the block does carry that password";
}

TEST(ExceptionLogModuleRecord, SystemLibraryWithoutLibraryData)
{
    TPasswordRequests requests;
    TVantrelModulesList list = CountingList(requests);
    void* const kernel32 = GetModuleHandleA("kernel32.dll");
    TVantrelModuleInfo* record = list.ModuleInfoFor(kernel32);
    ASSERT_NE(record, nullptr);
    EXPECT_TRUE(SameText(ExtractFileName(record->FileName), "kernel32.dll")) << record->FileName;
    EXPECT_EQ(record->Kind, mtOSLibrary);
    EXPECT_EQ(record->DataVersion, VantrelLogCurrentVersion);
    EXPECT_EQ(record->CompiledAt, 0);
    EXPECT_TRUE(record->PasswordValid);
    EXPECT_EQ(record->OwnDebugData, nullptr);
    auto* options = dynamic_cast<TCountingOptions*>(record->Options.get());
    ASSERT_NE(options, nullptr);
    EXPECT_EQ(options->FreezeTimeout(), TCountingOptions("").FreezeTimeout()) << "defaults";
    EXPECT_EQ(options->SharedDataLoads, 0) << "no library data, no shared memory";
    EXPECT_TRUE(requests.Modules.empty());
    EXPECT_GT(record->FileSize, 0u);
    EXPECT_GT(record->FileDate, 0);
}

TEST(ExceptionLogModuleRecord, HandlesOfNoLoadedModuleGiveNoRecord)
{
    TVantrelModulesList list;
    int onHeap = 0;
    const std::unique_ptr<int> heap = std::make_unique<int>(0);
    // A library that is not loaded otherwise: for a loaded one the system hands out the
    // loaded module's handle.
    const HMODULE asData = LoadLibraryExA(zv::test::LibraryBesideExe("ExceptionLog_modules_dll.dll").c_str(), nullptr,
                                          LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(asData, nullptr);
    struct Case {
        const char* Label;
        void* Handle;
    };
    const Case cases[] = {
        {"null", nullptr},
        {"an address on the stack", &onHeap},
        {"an address on the heap", heap.get()},
        {"a library mapped as data", asData},
        {"inside a module, not its base", reinterpret_cast<char*>(GetModuleHandleA("kernel32.dll")) + 0x1000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Label);
        EXPECT_EQ(list.ModuleInfoFor(c.Handle), nullptr);
    }
    EXPECT_EQ(list.Count(), 0);
    FreeLibrary(asData);
}

TEST(ExceptionLogModuleRecord, LookupByAddress)
{
    TVantrelModulesList list;
    void* const exe = GetModuleHandleA(nullptr);
    void* const kernel32 = GetModuleHandleA("kernel32.dll");
    const std::unique_ptr<int> heap = std::make_unique<int>(0);

    TVantrelModuleInfo* ownCode = list.ModuleInfoForAddress(reinterpret_cast<const void*>(&FileAttributes));
    ASSERT_NE(ownCode, nullptr);
    EXPECT_EQ(ownCode->HModule, exe);
    TVantrelModuleInfo* inKernel = list.ModuleInfoForAddress(static_cast<const char*>(kernel32) + 0x1000);
    ASSERT_NE(inKernel, nullptr);
    EXPECT_EQ(inKernel->HModule, kernel32);
    EXPECT_EQ(list.ModuleInfoForAddress(kernel32), inKernel) << "the base belongs to the module";
    EXPECT_EQ(list.ModuleInfoForAddress(heap.get()), nullptr);
    EXPECT_EQ(list.ModuleInfoForAddress(nullptr), nullptr);
    EXPECT_EQ(list.Count(), 2);
}

// A debug source and options that count how many of them are gone.
int SourcesFreed = 0;
int OptionsFreed = 0;
class TCountedSource : public TELDebugInfoSource {
public:
    using TELDebugInfoSource::TELDebugInfoSource;
    ~TCountedSource() override { ++SourcesFreed; }
};
class TCountedOptions : public TVantrelModuleOptions {
public:
    using TVantrelModuleOptions::TVantrelModuleOptions;
    ~TCountedOptions() override { ++OptionsFreed; }
};

TEST(ExceptionLogModuleRecord, DeleteClearAndTheListFreeWhatRecordsHold)
{
    SourcesFreed = 0;
    OptionsFreed = 0;
    {
        TVantrelModulesList list([](const std::string& name) { return std::make_unique<TCountedOptions>(name); });
        for (const char* name : {"kernel32.dll", "ntdll.dll", "user32.dll", "gdi32.dll"}) {
            // Already loaded, or kept loaded for the rest of the process.
            TVantrelModuleInfo* record = list.ModuleInfoFor(LoadLibraryA(name));
            ASSERT_NE(record, nullptr) << name;
            record->ExternalDebugData = new TCountedSource(record->HModule);
        }
        list.Delete(1);
        EXPECT_EQ(SourcesFreed, 1);
        EXPECT_EQ(OptionsFreed, 1);
        ASSERT_EQ(list.Count(), 3);
        EXPECT_EQ(list.GetItem(0)->HModule, GetModuleHandleA("kernel32.dll"));
        EXPECT_EQ(list.GetItem(1)->HModule, GetModuleHandleA("user32.dll"));
        EXPECT_THROW(list.Delete(3), EListError);
        EXPECT_THROW(list.GetItem(-1), EListError);
        list.Delete(0);
        EXPECT_EQ(SourcesFreed, 2);
        list.Clear();
        EXPECT_EQ(list.Count(), 0);
        EXPECT_EQ(SourcesFreed, 4);
        EXPECT_EQ(OptionsFreed, 4);
        ASSERT_NE(list.ModuleInfoFor(GetModuleHandleA("kernel32.dll")), nullptr);
        list.GetItem(0)->ExternalDebugData = new TCountedSource(list.GetItem(0)->HModule);
    }
    EXPECT_EQ(SourcesFreed, 5) << "the list's destructor frees its records";
    EXPECT_EQ(OptionsFreed, 5);
}

} // namespace
