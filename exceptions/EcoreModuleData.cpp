// A module's data block, from its resource or from the end of its file.
#include "exceptions/EcoreModuleData.h"

#include <windows.h>

#include <string>

#include "framework/filestreams.h"
#include "framework/sysutils.h"

namespace {

// The block of a module that has the resource: its bytes stay mapped as long as the module
// is loaded, and the parser copies what it keeps.
std::optional<TModuleDataBlock> ParseResourceBlock(HMODULE module, HRSRC resource)
{
    const DWORD size = SizeofResource(module, resource);
    HGLOBAL loaded = LoadResource(module, resource);
    if (size == 0 || !loaded) return std::nullopt;
    const void* bytes = LockResource(loaded);
    if (!bytes) return std::nullopt;
    return ParseDataBlock(bytes, size);
}

} // namespace

std::optional<TModuleDataBlock> ReadDataTrailerOfFile(const std::string& fileName) noexcept
{
    try {
        TFileStream file(fileName, fmOpenRead | fmShareDenyNone);
        const std::int64_t fileSize = file.Size();
        if (fileSize < 8) return std::nullopt;
        unsigned char last8[8];
        file.SetPosition(fileSize - 8);
        file.ReadBuffer(last8, sizeof last8);
        const std::optional<std::uint64_t> trailerSize = DataTrailerSize(last8);
        // The options are at most MaxOptionsStreamSize and the debug data at most
        // MaxDebugDataSize: a larger stored length is not a trailer of ours.
        constexpr std::uint64_t MaxTrailerSize = MaxOptionsStreamSize + MaxDebugDataSize + 64;
        if (!trailerSize || *trailerSize > static_cast<std::uint64_t>(fileSize) ||
            *trailerSize > MaxTrailerSize)
            return std::nullopt;
        std::string tail(static_cast<std::size_t>(*trailerSize), '\0');
        file.SetPosition(fileSize - static_cast<std::int64_t>(*trailerSize));
        file.ReadBuffer(tail.data(), static_cast<int>(tail.size()));
        return ParseDataTrailer(tail.data(), tail.size());
    } catch (...) {
        // Unreadable file, out of memory: the module simply has no data.
        return std::nullopt;
    }
}

std::optional<TModuleDataBlock> ReadModuleDataBlock(void* module) noexcept
{
    try {
        HMODULE handle = static_cast<HMODULE>(module);
        if (!handle) handle = GetModuleHandleA(nullptr);
        // A module with the resource is read from it alone, usable or not; only a module
        // without one may carry the block at the end of its file.
        HRSRC resource = FindResourceA(handle, "ELDATA", MAKEINTRESOURCEA(10) /* RT_RCDATA */);
        if (resource) return ParseResourceBlock(handle, resource);
        const std::string fileName = GetModuleName(handle);
        if (fileName.empty()) return std::nullopt;
        return ReadDataTrailerOfFile(fileName);
    } catch (...) {
        return std::nullopt;
    }
}
