// Guarded execution: what passes through, what the error-reporting callback hears, and
// the exception raised without one.
#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>

#include "exceptions/EcoreHelpers.h"

namespace {

int GCalls = 0;
std::string GReported;
int GReports = 0;

void Succeeds() { ++GCalls; }
void RaisesException() { throw EConvertError("bad value"); }
void RaisesIgnore() { throw EIgnoreException("leave the step"); }
void RaisesStdException() { throw std::runtime_error("not ours"); }
void RaisesInteger() { throw 42; }

void Report(const std::string& text)
{
    GReported = text;
    ++GReports;
}

class SafeExecTest : public testing::Test {
protected:
    void SetUp() override
    {
        GCalls = 0;
        GReported.clear();
        GReports = 0;
        FPrevious = SetSafeExecErrorCallback(nullptr);
    }
    void TearDown() override { SetSafeExecErrorCallback(FPrevious); }

private:
    TSafeExecErrorCallback FPrevious = nullptr;
};

// The message of the exception SafeExec raises for proc, or "" when it raises none.
std::string RaisedMessage(void (*proc)(), const std::string& name)
{
    try {
        SafeExec(proc, name);
    } catch (const Exception& raised) {
        EXPECT_EQ(raised.ClassType(), Exception::StaticClass()) << "raised " << raised.ClassName();
        return raised.Message();
    }
    return {};
}

TEST_F(SafeExecTest, RunsTheProcedureOnce)
{
    SafeExec(&Succeeds, "Init");
    EXPECT_EQ(GCalls, 1);
}

TEST_F(SafeExecTest, WithoutCallbackRaisesOneExceptionNamingTheStep)
{
    struct TCase {
        void (*Proc)();
        const char* Expected;
    };
    for (const TCase& c : {TCase{&RaisesException, "Critical error at: \"Init\"\r\nError: \"bad value\"."},
                           TCase{&RaisesStdException, "Critical error at: \"Init\"\r\nError: \"General internal error.\"."},
                           TCase{&RaisesInteger, "Critical error at: \"Init\"\r\nError: \"General internal error.\"."}})
        EXPECT_EQ(RaisedMessage(c.Proc, "Init"), c.Expected);
}

TEST_F(SafeExecTest, IgnoreExceptionPassesThroughWithAndWithoutCallback)
{
    EXPECT_THROW(SafeExec(&RaisesIgnore, "Init"), EIgnoreException);
    SetSafeExecErrorCallback(&Report);
    try {
        SafeExec(&RaisesIgnore, "Init");
        ADD_FAILURE() << "nothing raised";
    } catch (const EIgnoreException& passed) {
        EXPECT_EQ(passed.Message(), "leave the step");
    }
    EXPECT_EQ(GReports, 0);
}

TEST_F(SafeExecTest, CallbackHearsTheStepAndTheProcedureAddressThenTheStepAborts)
{
    SetSafeExecErrorCallback(&Report);
    for (void (*proc)() : {&RaisesException, &RaisesStdException, &RaisesInteger}) {
        GReports = 0;
        EXPECT_THROW(SafeExec(proc, "Create lists"), EAbort);
        ASSERT_EQ(GReports, 1);
        const std::string prefix = "Create lists (Address: ";
        ASSERT_EQ(GReported.compare(0, prefix.size(), prefix), 0) << GReported;
        ASSERT_EQ(GReported.back(), ')');
        const std::string digits = GReported.substr(prefix.size(), GReported.size() - prefix.size() - 1);
        EXPECT_EQ(digits.size(), sizeof(void*) * 2) << GReported;
        EXPECT_EQ(digits.find_first_not_of("0123456789ABCDEF"), std::string::npos) << GReported;
        EXPECT_EQ(std::stoull(digits, nullptr, 16), reinterpret_cast<std::uintptr_t>(proc)) << GReported;
    }
}

TEST_F(SafeExecTest, NoCallbackCallWhenTheProcedureSucceeds)
{
    SetSafeExecErrorCallback(&Report);
    SafeExec(&Succeeds, "Init");
    EXPECT_EQ(GCalls, 1);
    EXPECT_EQ(GReports, 0);
}

TEST(CodeAddressText, PointerWideUpperCaseDigits)
{
#if UINTPTR_MAX > 0xFFFFFFFFu
    EXPECT_EQ(CodeAddressText(0x401000), "0000000000401000");
    EXPECT_EQ(CodeAddressText(0xFFFF8000ABCDEF01u), "FFFF8000ABCDEF01");
#else
    EXPECT_EQ(CodeAddressText(0x401000), "00401000");
    EXPECT_EQ(CodeAddressText(0xABCDEF01u), "ABCDEF01");
#endif
}

TEST(SetSafeExecErrorCallback, ReturnsThePreviousCallback)
{
    const TSafeExecErrorCallback before = SetSafeExecErrorCallback(&Report);
    EXPECT_EQ(SetSafeExecErrorCallback(before), &Report);
}

} // namespace
