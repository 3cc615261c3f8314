// The per-module shared-memory copy of the options: the named mapping. Windows.
#include <windows.h>

#include <atomic>
#include <cstring>

#include "exceptions/EcoreSharedMemory.h"
#include "framework/handles.h"

namespace {

// The size of the view at address (the mapping's size rounded up to whole pages): the
// most a reader may look at.
std::size_t ViewSize(const void* view) noexcept
{
    MEMORY_BASIC_INFORMATION region{};
    if (VirtualQuery(view, &region, sizeof(region)) == 0) return 0;
    return region.RegionSize;
}

std::string MappingName(std::uint32_t processId, const void* moduleHandle)
{
    return SharedDataName(processId, reinterpret_cast<std::uintptr_t>(moduleHandle));
}

} // namespace

TSharedOptionsMapping::TSharedOptionsMapping(const void* moduleHandle)
    : FName(MappingName(GetCurrentProcessId(), moduleHandle))
{
}

TSharedOptionsMapping::~TSharedOptionsMapping()
{
    Close();
}

void TSharedOptionsMapping::Close() noexcept
{
    if (FView) UnmapViewOfFile(FView);
    if (FMapping) CloseHandle(static_cast<HANDLE>(FMapping));
    FView = nullptr;
    FMapping = nullptr;
    FCapacity = 0;
}

bool TSharedOptionsMapping::Recreate(std::size_t needed)
{
    // Our handle must go first: while any handle is open the name keeps the old mapping.
    Close();
    TKernelHandle mapping(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                             static_cast<DWORD>(needed), FName.c_str()));
    if (!mapping) return false;
    const bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
    void* view = MapViewOfFile(mapping.Get(), FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, 0);
    if (!view) return false;
    FMapping = mapping.Release();
    FView = view;
    // A mapping somebody else still holds keeps the size it was made with.
    FCapacity = existed ? ViewSize(view) : needed;
    if (FCapacity >= needed) return true;
    if (FCapacity >= SharedOptionsHeaderSize) static_cast<unsigned char*>(FView)[4] = 0;
    return false;
}

bool TSharedOptionsMapping::Write(const std::string& stream)
{
    if (stream.size() > 0xFFFFFFFFu - SharedOptionsHeaderSize) return false;
    const std::size_t needed = SharedOptionsHeaderSize + stream.size();
    if ((!FView || FCapacity < needed) && !Recreate(needed)) return false;
    // The flag goes last, so a reader meanwhile finds it cleared and takes nothing
    // rather than half of the new stream.
    const std::string bytes = EncodeSharedOptions(stream);
    auto* target = static_cast<unsigned char*>(FView);
    target[4] = 0;
    std::atomic_thread_fence(std::memory_order_seq_cst);
    std::memcpy(target + SharedOptionsHeaderSize, bytes.data() + SharedOptionsHeaderSize, stream.size());
    std::memcpy(target, bytes.data(), 4);
    std::atomic_thread_fence(std::memory_order_seq_cst);
    target[4] = static_cast<unsigned char>(bytes[4]);
    return true;
}

std::optional<std::string> ReadSharedOptions(std::uint32_t processId, const void* moduleHandle)
{
    const TKernelHandle mapping(
        OpenFileMappingA(FILE_MAP_READ, FALSE, MappingName(processId, moduleHandle).c_str()));
    if (!mapping) return std::nullopt;
    const TMappedView view(MapViewOfFile(mapping.Get(), FILE_MAP_READ, 0, 0, 0));
    if (!view) return std::nullopt;
    return DecodeSharedOptions(view.Get(), ViewSize(view.Get()));
}
