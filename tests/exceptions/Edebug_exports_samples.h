// What the export list test exe exports (Edebug_exports_tests.def), to compare the list
// the library reads from the exe with the addresses the compiler gives them.
#pragma once

extern "C" {
int EdebugSampleAlpha(int value);
int EdebugSampleBeta(int value);
int EdebugSampleGamma(int value);
extern int EdebugSampleData;
}
