// libFuzzer target for the module data block parser: the block of another module, or the
// end of any file, is bytes that anyone may have altered.
// Built natively with clang, AddressSanitizer and UndefinedBehaviorSanitizer by the host
// tree (target Ecore_block_fuzz); ctest runs it for a short, bounded time, seeded with the
// blocks the parser tests use. A longer run:
//   build/host/tests/exceptions/fuzz/Ecore_block_fuzz/Ecore_block_fuzz -max_total_time=600 -max_len=4096
//       <corpus directory> build/host/tests/exceptions/Ecore_block_fixtures   (one line)
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "exceptions/EcoreDataBlock.h"

namespace {

void Check(bool condition)
{
    if (!condition) std::abort();
}

void CheckBlock(const TModuleDataBlock& block)
{
    Check(block.DataVersion >= OldestDataBlockVersion && block.DataVersion <= NewestDataBlockVersion);
    Check(!block.Options.empty() && block.Options.size() <= MaxOptionsStreamSize);
    Check(block.DebugData.size() <= MaxDebugDataSize);
    for (const TBlockSymbolRecord& record : block.Symbols) {
        const std::optional<std::uint32_t> found = FindBlockSymbol(block, record.Id);
        Check(found.has_value());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // A heap block of exactly the input's size, so that the sanitizer sees any read past it.
    std::unique_ptr<std::uint8_t[]> bytes(new std::uint8_t[size]);
    if (size) std::memcpy(bytes.get(), data, size);

    if (const std::optional<TModuleDataBlock> block = ParseDataBlock(bytes.get(), size)) {
        CheckBlock(*block);
        Check(block->PasswordCheck.has_value());
    }
    if (const std::optional<TModuleDataBlock> block = ParseDataTrailer(bytes.get(), size)) {
        CheckBlock(*block);
        Check(!block->PasswordCheck && block->Symbols.empty());
        // The options the trailer gave are exactly one stream of the layout.
        Check(OptionsStreamLength(block->Options.data(), block->Options.size()) == block->Options.size());
    }
    if (const std::optional<std::size_t> length = OptionsStreamLength(bytes.get(), size))
        Check(*length <= size);
    return 0;
}
