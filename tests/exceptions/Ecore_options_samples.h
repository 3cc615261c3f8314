// Shared by the options tests: a known options set with every option away from its
// default, the fixtures the build writes beside the test exe, and a subclass that counts
// its shared-data writes.
#pragma once

#include <string>

#include "exceptions/Ecore.h"

// Sets every option to the values of Ecore_stream_options.txt, through the setters
// (each called exactly once: NonDefaultSetterCalls of them), plus the options outside
// the stream.
void ApplyNonDefaultOptions(TVantrelModuleOptions& options);
extern const int NonDefaultSetterCalls;

// The path of a file that the build puts beside the test exe (the generated streams,
// the checked-in fixtures).
std::string FixturePath(const std::string& name);
// The whole content of the file; raises std::runtime_error when it cannot be read.
std::string ReadFixture(const std::string& name);

// The whole stream that SaveToStream writes.
std::string SavedStream(TVantrelModuleOptions& options);
// Loads the bytes with LoadFromStream (at the current data version unless given).
void LoadStream(TVantrelModuleOptions& options, const std::string& bytes, int dataVersion = 0);

// The name of the module that carries the library in the test exe (the exe itself), whose
// options write the shared memory; empty in the host build, where no module has a handle.
std::string OwnModuleName();

class TCountingOptions : public TVantrelModuleOptions {
public:
    using TVantrelModuleOptions::TVantrelModuleOptions;
    void StoreSharedData() override { ++Stores; }
    int Stores = 0;
};
