// Compiled procedures with one return each, at their end, for the procedure-size tests
// against the linker map (function_size_samples.cpp). C names, so the map names them plainly.
#pragma once

extern "C" {
int ZvSizeStraight(int a, int b);
// Stores immediates through p (C7 moves, which must not end the size).
void ZvSizeStores(volatile int* p);
// Keeps a frame with alloca (ends with leave on x86).
int ZvSizeFrame(int n);
// A loop that is tested at its bottom.
int ZvSizeLoop(const int* values, int count);
// The last of them, so that each of the others has a successor in the map.
int ZvSizeLast();
}

// The samples in map order, with their C names.
struct TSizeSample {
    const char* Name;
    const void* Address;
};
extern const TSizeSample SizeSamples[4];
