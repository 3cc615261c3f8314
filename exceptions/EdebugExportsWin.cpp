// The export list of a loaded module: the portable reader applied to the module's image
// in memory, with the module's GetProcAddress for forwarders and the library's address
// checks for every byte read. Windows.
#include <windows.h>

#include <algorithm>
#include <cstring>

#include "exceptions/EcoreHelpers.h"
#include "exceptions/EdebugExports.h"

namespace {

// The offsets of the documented layout that lead to SizeOfImage, at the same place in
// the PE32 and the PE32+ optional header.
constexpr std::size_t NewHeaderOffset = 0x3C;
constexpr std::size_t OptionalHeaderOffset = 4 + 20;
constexpr std::size_t SizeOfImageOffset = 56;

bool ReadBytes(std::uintptr_t address, void* buffer, std::size_t length) noexcept
{
    const auto* source = reinterpret_cast<const void*>(address);
    if (!IsValidBlockAddr(source, length)) return false;
    std::memcpy(buffer, source, length);
    return true;
}

// SizeOfImage of the image at base; 0 when its headers cannot be read or are no PE image's.
std::size_t MappedImageSize(std::uintptr_t base) noexcept
{
    IMAGE_DOS_HEADER dos;
    if (!ReadBytes(base, &dos, sizeof(dos)) || dos.e_magic != IMAGE_DOS_SIGNATURE || dos.e_lfanew < 0) return 0;
    static_assert(offsetof(IMAGE_DOS_HEADER, e_lfanew) == NewHeaderOffset);
    const std::uintptr_t nt = base + static_cast<std::uintptr_t>(dos.e_lfanew);
    if (nt < base) return 0;
    DWORD signature;
    WORD magic;
    DWORD sizeOfImage;
    if (!ReadBytes(nt, &signature, sizeof(signature)) || signature != IMAGE_NT_SIGNATURE) return 0;
    if (!ReadBytes(nt + OptionalHeaderOffset, &magic, sizeof(magic))) return 0;
    if (magic != IMAGE_NT_OPTIONAL_HDR32_MAGIC && magic != IMAGE_NT_OPTIONAL_HDR64_MAGIC) return 0;
    if (!ReadBytes(nt + OptionalHeaderOffset + SizeOfImageOffset, &sizeOfImage, sizeof(sizeOfImage))) return 0;
    return sizeOfImage;
}

// How much of [base, base + size) can be read from its start: all of it for a module the
// loader mapped; up to the first page that cannot be read otherwise, so that neither a
// page made inaccessible nor a SizeOfImage larger than the mapping is ever touched.
std::size_t ReadablePrefix(std::uintptr_t base, std::size_t size) noexcept
{
    if (IsValidBlockAddr(reinterpret_cast<const void*>(base), size)) return size;
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    const std::size_t page = system.dwPageSize ? system.dwPageSize : 4096;
    std::size_t readable = 0;
    while (readable < size) {
        const std::uintptr_t at = base + readable;
        const std::size_t step = std::min(page - at % page, size - readable);
        if (!IsValidBlockAddr(reinterpret_cast<const void*>(at), step)) break;
        readable += step;
    }
    return readable;
}

} // namespace

void ReadModuleExports(void* module, TVantrelFunctionsList& list)
{
    if (!module) return;
    const auto base = reinterpret_cast<std::uintptr_t>(module);
    const std::size_t size = ReadablePrefix(base, MappedImageSize(base));
    if (size == 0) return;
    const TExportDirectory directory = ReadExportDirectory(module, size);
    if (directory.Entries.empty()) return;

    const auto handle = static_cast<HMODULE>(module);
    // GetProcAddress follows the forwarder chain to the module that has the code, as the
    // loader does for an import; a forwarder whose target cannot be found gives nothing.
    const TExportResolver resolve = [handle](const std::string& name) -> std::uintptr_t {
        return reinterpret_cast<std::uintptr_t>(GetProcAddress(handle, name.c_str()));
    };
    BuildExportList(directory, base, resolve, ReadBytes, list);
}
