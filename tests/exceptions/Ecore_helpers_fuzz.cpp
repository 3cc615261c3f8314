// libFuzzer target for the helper routines that take text or bytes from outside: option
// texts with variable references (from the data block and hand-edited text files), values
// of the settings file, and the shared-memory block that another copy of the library (or
// anything else that took the name) wrote. Built natively with clang, AddressSanitizer and
// UndefinedBehaviorSanitizer by the host tree (target elcore_helpers_fuzz); ctest runs it
// for a short, bounded time. A longer run:
//   build/host/tests/exceptions/fuzz/elcore_helpers_fuzz -max_total_time=600 <corpus directory>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "exceptions/EcoreHelpers.h"
#include "exceptions/EcoreSharedMemory.h"

namespace {

void Check(bool condition)
{
    if (!condition) std::abort();
}

// Every reference expands to a marker, so the result's length tells how many there were.
void FuzzExpansion(const std::string& text)
{
    std::size_t references = 0;
    const std::string expanded = ExpandEnvVars(text, [&](const std::string& name) {
        Check(!name.empty());
        for (const char c : name) Check(IsEnvNameChar(c));
        ++references;
        return std::string();
    });
    // Empty values: only references go, and a text without any stays as it was.
    Check(expanded.size() <= text.size());
    Check(references > 0 || expanded == text);
}

void FuzzLines(const std::string& text)
{
    const std::vector<std::string> lines = SplitRawLines(text);
    Check(!lines.empty());
    for (const std::string& line : lines) Check(line.find_first_of("\r\n") == std::string::npos);
    const std::string joined = JoinRawLines(lines);
    Check(SplitRawLines(joined) == lines);
}

// The block in a heap copy of exactly its size, so that the sanitizer sees any read beyond.
void FuzzSharedBlock(const std::uint8_t* data, std::size_t size)
{
    std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[size == 0 ? 1 : size]);
    std::copy(data, data + size, copy.get());
    const std::optional<std::string> stream = DecodeSharedOptions(copy.get(), size);
    if (!stream) return;
    Check(stream->size() + SharedOptionsHeaderSize <= size);
    Check(data[4] != 0);
    const std::string block(reinterpret_cast<const char*>(data), SharedOptionsHeaderSize + stream->size());
    // What the writer makes of the stream is the block read, but for the flag's value.
    Check(EncodeSharedOptions(*stream).substr(0, 4) == block.substr(0, 4));
    Check(EncodeSharedOptions(*stream).substr(SharedOptionsHeaderSize) == block.substr(SharedOptionsHeaderSize));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    FuzzExpansion(text);
    FuzzLines(text);
    FuzzSharedBlock(data, size);
    return 0;
}
