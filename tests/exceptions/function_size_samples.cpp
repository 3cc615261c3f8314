#include "tests/exceptions/function_size_samples.h"

extern "C" {

__attribute__((noipa)) int ZvSizeStraight(int a, int b)
{
    return (a * 31 + b) ^ (a >> 3);
}

__attribute__((noipa)) void ZvSizeStores(volatile int* p)
{
    p[0] = 0x12345678;
    p[1] = 0x1BCDEF0;
    p[2] = 5;
}

__attribute__((noipa)) int ZvSizeFrame(int n)
{
    auto* p = static_cast<volatile char*>(__builtin_alloca(n + 16));
    p[0] = static_cast<char>(n);
    p[n] = 1;
    return p[0] + p[n];
}

__attribute__((noipa)) int ZvSizeLoop(const int* values, int count)
{
    int sum = 0;
    int i = 0;
    do {
        sum += values[i] * 3;
    } while (++i < count);
    return sum;
}

__attribute__((noipa)) int ZvSizeLast()
{
    return 0;
}

} // extern "C"

const TSizeSample SizeSamples[4] = {
    {"ZvSizeStraight", reinterpret_cast<const void*>(&ZvSizeStraight)},
    {"ZvSizeStores", reinterpret_cast<const void*>(&ZvSizeStores)},
    {"ZvSizeFrame", reinterpret_cast<const void*>(&ZvSizeFrame)},
    {"ZvSizeLoop", reinterpret_cast<const void*>(&ZvSizeLoop)},
};
