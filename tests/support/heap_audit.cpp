// A debug heap for programs whose shutdown is under test. Linked into an exe (as an object,
// never into a library), it replaces the global operator new and delete:
//
// - every block carries a header; a delete of a block that is not live (twice, or never
//   allocated here) is reported and ends the process;
// - a freed block is filled with 0xDD and held back (up to a bound) before it goes to the
//   system heap, so that reading an object after its destruction meets the pattern
//   instead of a new object: a virtual call through it faults, and pointers in it are wild;
// - at the very end of the process, after every static object of the program has been
//   destroyed, the blocks still live are counted and reported.
//
// The report goes to the standard error handle and, when the environment variable
// ZV_HEAP_AUDIT_REPORT names a file, into that file. A program that leaked ends with exit
// code kLeakExitCode instead of its own.
#include <windows.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "framework/units.h"

namespace {

constexpr unsigned kLiveMagic = 0x4C495645;   // "LIVE"
constexpr unsigned kFreedMagic = 0x44454144;  // "DEAD"
constexpr unsigned char kFreedFill = 0xDD;
constexpr std::size_t kQuarantineBytes = 64u << 20;
constexpr UINT kLeakExitCode = 86;
constexpr UINT kBadDeleteExitCode = 87;

// Keeps the payload aligned as malloc's own result is (16 bytes on both architectures).
struct alignas(16) TBlockHeader {
    TBlockHeader* Next;  // in the quarantine, oldest first
    std::size_t Size;
    unsigned Magic;
};

// Constant-initialised, so they work before any constructor of the program runs.
SRWLOCK auditLock = SRWLOCK_INIT;
std::size_t liveBlocks = 0;
std::size_t liveBytes = 0;
std::size_t peakBlocks = 0;
TBlockHeader* quarantineHead = nullptr;
TBlockHeader* quarantineTail = nullptr;
std::size_t quarantineBytes = 0;

void WriteAll(HANDLE handle, const char* text, DWORD length) noexcept
{
    DWORD written = 0;
    if (handle && handle != INVALID_HANDLE_VALUE) WriteFile(handle, text, length, &written, nullptr);
}

// Called where the C library may already be shut down: raw handles only.
void Report(const char* text) noexcept
{
    const DWORD length = static_cast<DWORD>(std::strlen(text));
    WriteAll(GetStdHandle(STD_ERROR_HANDLE), text, length);
    char path[MAX_PATH];
    const DWORD n = GetEnvironmentVariableA("ZV_HEAP_AUDIT_REPORT", path, sizeof path);
    if (n == 0 || n >= sizeof path) return;
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    WriteAll(file, text, length);
    CloseHandle(file);
}

[[noreturn]] void BadDelete(const void* payload) noexcept
{
    char text[128];
    std::snprintf(text, sizeof text, "heap audit: delete of a block that is not live at %p\r\n", payload);
    Report(text);
    ExitProcess(kBadDeleteExitCode);
}

void* Allocate(std::size_t size)
{
    auto* header = static_cast<TBlockHeader*>(std::malloc(sizeof(TBlockHeader) + (size ? size : 1)));
    if (!header) throw std::bad_alloc();
    header->Next = nullptr;
    header->Size = size;
    header->Magic = kLiveMagic;
    AcquireSRWLockExclusive(&auditLock);
    ++liveBlocks;
    liveBytes += size;
    if (liveBlocks > peakBlocks) peakBlocks = liveBlocks;
    ReleaseSRWLockExclusive(&auditLock);
    return header + 1;
}

void Release(void* payload) noexcept
{
    if (!payload) return;
    TBlockHeader* header = static_cast<TBlockHeader*>(payload) - 1;
    AcquireSRWLockExclusive(&auditLock);
    if (header->Magic != kLiveMagic) {
        ReleaseSRWLockExclusive(&auditLock);
        BadDelete(payload);
    }
    header->Magic = kFreedMagic;
    --liveBlocks;
    liveBytes -= header->Size;
    std::memset(payload, kFreedFill, header->Size);
    if (quarantineTail) quarantineTail->Next = header;
    else quarantineHead = header;
    quarantineTail = header;
    quarantineBytes += header->Size;
    TBlockHeader* released = nullptr;
    while (quarantineBytes > kQuarantineBytes && quarantineHead) {
        TBlockHeader* oldest = quarantineHead;
        quarantineHead = oldest->Next;
        if (!quarantineHead) quarantineTail = nullptr;
        quarantineBytes -= oldest->Size;
        oldest->Next = released;
        released = oldest;
    }
    ReleaseSRWLockExclusive(&auditLock);
    while (released) {
        TBlockHeader* next = released->Next;
        std::free(released);
        released = next;
    }
}

// Constructed before every unit of the program (the lowest priority there is), so it is
// destroyed after all of them.
struct THeapAuditVerdict {
    THeapAuditVerdict() = default;
    THeapAuditVerdict(const THeapAuditVerdict&) = delete;
    THeapAuditVerdict& operator=(const THeapAuditVerdict&) = delete;
    ~THeapAuditVerdict()
    {
        AcquireSRWLockExclusive(&auditLock);
        const std::size_t blocks = liveBlocks;
        const std::size_t bytes = liveBytes;
        ReleaseSRWLockExclusive(&auditLock);
        char text[160];
        std::snprintf(text, sizeof text, "heap audit: %zu blocks (%zu bytes) still allocated at exit, peak %zu\r\n",
                      blocks, bytes, peakBlocks);
        Report(text);
        if (blocks != 0) ExitProcess(kLeakExitCode);
    }
};
THeapAuditVerdict heapAuditVerdict ZV_UNIT(101);

} // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    try {
        return Allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* payload) noexcept { Release(payload); }
void operator delete[](void* payload) noexcept { Release(payload); }
void operator delete(void* payload, std::size_t) noexcept { Release(payload); }
void operator delete[](void* payload, std::size_t) noexcept { Release(payload); }
void operator delete(void* payload, const std::nothrow_t&) noexcept { Release(payload); }
void operator delete[](void* payload, const std::nothrow_t&) noexcept { Release(payload); }
