// Arbitrary bytes through the disassembler in both modes: no crash, a size in 1..15 that
// never passes the bytes available, and every callback exercised.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "exceptions/Edisasm.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    for (TCpuMode mode : {TCpuMode::cm32, TCpuMode::cm64}) {
        TDisAsm disasm(mode);
        disasm.OnCallTarget = [](std::uint64_t) { return std::string("c"); };
        disasm.OnJumpTarget = [](std::uint64_t a) { return (a & 1) ? std::string("j") : std::string(); };
        disasm.OnMemoryAddress = [](std::uint64_t a) { return (a & 1) ? std::string("m") : std::string(); };
        disasm.OnImmediateComment = [](std::uint64_t v) { return (v & 1) ? std::string(" ;i") : std::string(); };
        std::size_t offset = 0;
        while (offset < size) {
            std::size_t length = 0;
            const std::string text = disasm.GetInstruction(0x401000 + offset, data + offset, size - offset, length);
            if (length < 1 || length > 15 || length > size - offset || text.empty()) std::abort();
            offset += length;
        }
    }
    return 0;
}
