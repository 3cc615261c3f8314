// Exported by the test exe (Edebug_exports_tests.def): bodies that differ, so that the
// compiler folds none of them into another.
#include "tests/exceptions/Edebug_exports_samples.h"

extern "C" {

int EdebugSampleData = 17;

__attribute__((noinline)) int EdebugSampleAlpha(int value)
{
    return value * 3 + EdebugSampleData;
}

__attribute__((noinline)) int EdebugSampleBeta(int value)
{
    return value ^ 0x5A5A;
}

__attribute__((noinline)) int EdebugSampleGamma(int value)
{
    return value > 0 ? value - 1 : value + 7;
}

}
