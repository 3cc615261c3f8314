// Call stacks reconstructed from the raw stack: the entry list, the scan that keeps every
// word that is a return address (the address just behind a call instruction), the
// clean-up that hides repeats and stale frames, and the text form of a list.
//
// The scan reads memory only through a TStackMemory, so it is portable and host-tested
// over planted stacks; the Windows binding (checked reads of the process's own memory,
// the resolver, the calling thread's stack range) is in ExceptionLogStackWin.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "exceptions/EdebugInfo.h"
#include "exceptions/Etypes.h"

class TStrings;
class TVantrelModuleOptions;

// The set of TVantrelDebugDetail values a trace keeps: bit n stands for detail n.
using TVantrelDebugDetails = std::uint32_t;
constexpr TVantrelDebugDetails AllDebugDetails = 31;
constexpr TVantrelDebugDetails DebugDetailBit(TVantrelDebugDetail detail) noexcept
{
    return TVantrelDebugDetails(1) << detail;
}
// Details 2 to 4: the entries a report prints and the clean-up compares.
inline bool IsNamedDetail(TVantrelDebugDetail detail) noexcept
{
    return detail >= ddProcedure && detail <= ddSourceCode;
}

// The entries of one or more traces; index 0 is the most recent frame. Owns its entries.
class TVantrelStackList {
public:
    int Count() const noexcept { return static_cast<int>(FItems.size()); }
    void Clear() noexcept { FItems.clear(); }
    // Frees the entry at index; an index out of range does nothing.
    void Delete(int index);
    // The entry at index; null out of range.
    TVantrelDebugInfo* GetItem(int index) const noexcept;
    // Appends a copy of entry's detail, module, address, unit, class, procedure and line.
    TVantrelDebugInfo* AddFrom(const TVantrelDebugInfo& entry);
    // Appends entry as it is (the list takes it).
    TVantrelDebugInfo* Add(std::unique_ptr<TVantrelDebugInfo> entry);

private:
    std::vector<std::unique_ptr<TVantrelDebugInfo>> FItems;
};

// Memory as the scan sees it. Readable is the block test; Read copies bytes and is false
// when the copy faulted or the bytes are not readable (it never raises).
class TStackMemory {
public:
    virtual ~TStackMemory() = default;
    virtual bool Readable(std::uintptr_t address, std::size_t size) const noexcept = 0;
    virtual bool Read(std::uintptr_t address, void* target, std::size_t size) const noexcept = 0;
};

// The code the stack belongs to: word size and call forms (see docs/architecture.md,
// "Call-stack tracing").
enum TStackCodeKind : std::uint8_t { sckI386, sckX64 };
#if defined(_WIN64) || defined(__x86_64__)
constexpr TStackCodeKind NativeStackCodeKind = sckX64;
#else
constexpr TStackCodeKind NativeStackCodeKind = sckI386;
#endif

// Fills an entry for a code address (module, names, line, detail); the thread and the
// two flags are given. The Windows binding calls TELDebugResolver::Resolve.
using TStackResolver = std::function<void(std::uintptr_t address, TVantrelDebugInfo& entry, bool ownStack,
                                          bool first, std::uint32_t thread)>;

constexpr std::uintptr_t StackScanLimit = 102400; // bytes scanned per trace
constexpr std::size_t StackReadBlock = 400;       // bytes tested for readability at once
constexpr int StackEntriesLimit = 1024;           // no entry is added past this count

struct TStackTraceParams {
    std::uintptr_t StartAddress = 0; // 0: none; else the first entry
    std::uintptr_t StackPointer = 0; // where the scan starts
    std::uintptr_t StackTop = 0;     // the last address scanned (a word starting here included)
    TVantrelDebugDetails Details = AllDebugDetails;
    int Levels = 0;      // entries kept at most
    int FirstLevel = -1; // accepted entries skipped first; -1: neither limit applies
    bool FollowCallTargets = false;
    bool Resolve = true;
    bool OwnStack = true;
    std::uint32_t ThreadID = 0;
    // Inside the development environment the first clean-up pass drops unnamed entries
    // and the handler's own frames (telling whether it runs there is the caller's part).
    bool InsideIDE = false;
    TStackCodeKind CodeKind = NativeStackCodeKind;
};

// The call instruction that ends exactly at returnAddress, in the order of the code
// kind's forms; 0 when none does. For a direct call with followTargets, calledProcedure
// receives the called procedure (import stubs followed) when it is an entry to add, else 0.
std::uintptr_t CallSiteBefore(const TStackMemory& memory, TStackCodeKind kind, std::uintptr_t returnAddress,
                              bool followTargets, std::uintptr_t& calledProcedure) noexcept;

// Traces params' range into list (appending) and cleans up the entries it added. Returns
// the number of entries this trace added. resolver may be empty when params.Resolve is off.
int TraceStackInto(TVantrelStackList& list, const TStackTraceParams& params, const TStackMemory& memory,
                   const TStackResolver& resolver);
// The same into a new list (the caller owns it).
std::unique_ptr<TVantrelStackList> TraceStack(const TStackTraceParams& params, const TStackMemory& memory,
                                              const TStackResolver& resolver);

// The clean-up passes over the entries [first, list.Count()) of one trace.
void CleanUpTrace(TVantrelStackList& list, int first, bool insideIDE, bool resolved);

// The detail mask of GetCallStackByLevels: source entries always, exports with
// csoShowDLLs, unit-and-procedure entries with csoShowBPLs.
TVantrelDebugDetails LevelsDetailMask(TCallStackOptions options) noexcept;

// --- Text form ---

// The six column headers: address, module name, unit, class, procedure, line.
struct TCallStackHeaders {
    std::string Address, Name, Unit, Class, Procedure, Line;
};
// The headers from the customized texts mtCallStack_Address .. mtCallStack_Line.
TCallStackHeaders CallStackHeaders(const TVantrelModuleOptions& options);

// Appends the text form of list to lines: a table of the entries of detail 2 to 4; nothing
// for a null list or one without such entries. The options are passed in (the current
// options of the process are bound by the caller).
void CallStackToStrings(const TVantrelStackList* list, const TCallStackHeaders& headers,
                        std::vector<std::string>& lines);
void CallStackToStrings(const TVantrelStackList* list, const TVantrelModuleOptions* options,
                        std::vector<std::string>& lines);
// The same appended to a string list.
void CallStackToStrings(const TVantrelStackList* list, const TVantrelModuleOptions* options, TStrings& strings);
