// The library data of another module: options, date, own debug data, and the debug
// password from the module's export or, failing that, from the handlers the list is
// given. The test libraries carry blocks with their own passwords (CMakeLists.txt); the
// answers of their password exports can be set (ExceptionLog_modules_dll.cpp).
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "exceptions/EcoreModuleData.h"
#include "exceptions/ExceptionLogModules.h"
#include "framework/dllfunctions.h"
#include "tests/exceptions/ExceptionLog_modules_fixtures.h"

namespace {

using zv::test::LibraryBesideExe;
using zv::test::TTestLibrary;

using zv::test::TCountingOptions;

struct TPasswordRequest {
    void* Module;
    std::string Offered; // the password that failed
};

class ExceptionLogModulePassword : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(FLibrary.Get(), nullptr) << GetLastError();
        FSetAnswers = DllFunctionCast<void (*)(const char*, const char*)>(
            GetProcAddress(FLibrary.Get(), "ZvModulesDllSetAnswers"));
        ASSERT_NE(FSetAnswers, nullptr);
    }
    void TearDown() override
    {
        if (FSetAnswers) FSetAnswers("Dll pass", "not the password");
    }

    // The record of the library in a new list whose handlers answer answer (none when
    // null).
    const TVantrelModuleInfo* Record(const char* answer)
    {
        TModulePasswordRequest request;
        if (answer) {
            request = [this, answer](const TVantrelModuleInfo& module, std::string& password) {
                FRequests.push_back({module.HModule, password});
                password = answer;
            };
        }
        FList = std::make_unique<TVantrelModulesList>(
            [](const std::string& name) { return std::make_unique<TCountingOptions>(name); }, request);
        return FList->ModuleInfoFor(FLibrary.Handle());
    }

    TTestLibrary FLibrary{LibraryBesideExe("ExceptionLog_modules_dll.dll")};
    void (*FSetAnswers)(const char*, const char*) = nullptr;
    std::unique_ptr<TVantrelModulesList> FList;
    std::vector<TPasswordRequest> FRequests;
};

TEST_F(ExceptionLogModulePassword, LibraryDataWithThePasswordOfItsExport)
{
    const TVantrelModuleInfo* record = Record("never asked");
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->Kind, mtOSLibrary) << "one of the two package resources is not enough";
    EXPECT_EQ(record->DataVersion, 6015);
    const std::optional<TModuleDataBlock> block = ReadModuleDataBlock(FLibrary.Handle());
    ASSERT_TRUE(block);
    EXPECT_EQ(record->CompiledAt, block->CompiledAt);
    EXPECT_GT(record->CompiledAt, 44927.0) << "after 2023";
    auto* options = dynamic_cast<TCountingOptions*>(record->Options.get());
    ASSERT_NE(options, nullptr);
    EXPECT_EQ(options->FreezeTimeout(), 23);
    EXPECT_EQ(options->ModuleHandle(), FLibrary.Handle());
    EXPECT_EQ(options->SharedDataLoads, 1) << "another module's options are refreshed from its shared memory";

    // The Ex form is asked first: the plain one would answer wrong.
    EXPECT_EQ(record->DebugPassword, "Dll pass");
    EXPECT_TRUE(record->PasswordValid);
    EXPECT_TRUE(FRequests.empty());

    ASSERT_NE(record->OwnDebugData, nullptr);
    const std::string expected = "Bytes that stand for the library's own debug data";
    ASSERT_GE(record->OwnDebugData->Size(), static_cast<std::int64_t>(expected.size()));
    EXPECT_EQ(std::string(static_cast<const char*>(record->OwnDebugData->Memory()), expected.size()), expected);
    EXPECT_EQ(record->OwnDebugData->Size(), static_cast<std::int64_t>(block->DebugData.size()));
    EXPECT_EQ(record->OwnDebugData->Position(), 0);
}

TEST_F(ExceptionLogModulePassword, WrongExportAnswerAsksTheHandlers)
{
    struct Case {
        const char* Label;
        const char* HandlerAnswer; // null: no handlers
        bool Valid;
        const char* Password;
    };
    const Case cases[] = {
        {"handlers give the password", "Dll pass", true, "Dll pass"},
        {"handlers give a wrong one", "still wrong", false, "still wrong"},
        {"no handlers", nullptr, false, "wrong"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Label);
        FRequests.clear();
        FSetAnswers("wrong", nullptr);
        const TVantrelModuleInfo* record = Record(c.HandlerAnswer);
        ASSERT_NE(record, nullptr);
        EXPECT_EQ(record->PasswordValid, c.Valid);
        EXPECT_EQ(record->DebugPassword, c.Password);
        if (c.HandlerAnswer) {
            ASSERT_EQ(FRequests.size(), 1u);
            EXPECT_EQ(FRequests[0].Module, FLibrary.Handle());
            EXPECT_EQ(FRequests[0].Offered, "wrong");
        }
        EXPECT_NE(record->OwnDebugData, nullptr) << "the data is kept, locked or not";
    }
}

TEST(ExceptionLogModulePasswordPlain, PlainExportWhenTheModuleHasNoExForm)
{
    TTestLibrary library(LibraryBesideExe("ExceptionLog_modules_plain_dll.dll"));
    ASSERT_NE(library.Get(), nullptr) << GetLastError();
    ASSERT_EQ(GetProcAddress(library.Get(), PasswordRequestEventExName), nullptr);
    int requests = 0;
    TVantrelModulesList list({}, [&requests](const TVantrelModuleInfo&, std::string&) { ++requests; });
    const TVantrelModuleInfo* record = list.ModuleInfoFor(library.Handle());
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->DebugPassword, "Plain pass");
    EXPECT_TRUE(record->PasswordValid);
    EXPECT_EQ(requests, 0);
    EXPECT_EQ(record->OwnDebugData, nullptr) << "its block has no debug data";
    EXPECT_EQ(record->Kind, mtTarvikPackage) << "it has both package resources";
}

} // namespace
