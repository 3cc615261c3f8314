// The five lookups over analysed TD32 data. See EdebugTD32.h.
#include "exceptions/EdebugTD32.h"

#include <algorithm>

namespace {

// Offset to Offset + Size - 1, without overflow at the top of the range.
bool Contains(std::uint32_t offset, std::uint32_t size, std::uint32_t address)
{
    return size != 0 && address >= offset && address - offset <= size - 1;
}

} // namespace

const TELSegmentInfo* TELTD32InfoScanner::ModuleSegmentFromAddr(std::uint32_t address,
                                                                const TELModuleInfo** module) const
{
    for (const TELModuleInfo& candidate : Modules()) {
        for (const TELSegmentInfo& segment : candidate.Segments) {
            if (segment.Segment == kTD32CodeSegment && Contains(segment.Offset, segment.Size, address)) {
                if (module) *module = &candidate;
                return &segment;
            }
        }
    }
    return nullptr;
}

const TELSourceSegmentInfo* TELTD32InfoScanner::SourceSegmentFromAddr(std::uint32_t address,
                                                                     const TELSourceModuleInfo** file) const
{
    for (const TELSourceModuleInfo& candidate : SourceModules()) {
        for (const TELSourceSegmentInfo& segment : candidate.Segments) {
            // End is the range's last byte.
            if (segment.Segment == kTD32CodeSegment && segment.Start <= address && address <= segment.End) {
                if (file) *file = &candidate;
                return &segment;
            }
        }
    }
    return nullptr;
}

std::string TELTD32InfoScanner::ModuleNameFromAddr(std::uint32_t address) const
{
    const TELModuleInfo* module = nullptr;
    if (!ModuleSegmentFromAddr(address, &module)) return {};
    return Names(module->NameIndex);
}

std::optional<std::uint32_t> TELTD32InfoScanner::ModuleStartFromAddr(std::uint32_t address) const
{
    const TELSegmentInfo* segment = ModuleSegmentFromAddr(address, nullptr);
    if (!segment) return std::nullopt;
    return segment->Offset;
}

std::string TELTD32InfoScanner::ProcNameFromAddr(std::uint32_t address, std::uint32_t& offset) const
{
    offset = 0;
    for (const TELProcSymbolInfo& proc : ProcSymbols()) {
        if (proc.Segment == kTD32CodeSegment && Contains(proc.Offset, proc.Size, address)) {
            offset = address - proc.Offset;
            return Names(proc.NameIndex);
        }
    }
    return {};
}

int TELTD32InfoScanner::LineNumberFromAddr(std::uint32_t address, std::uint32_t& offset) const
{
    offset = 0;
    const TELSourceSegmentInfo* segment = SourceSegmentFromAddr(address, nullptr);
    if (!segment) return 0;
    // The lines are sorted by offset: the last one not above the address.
    const auto after = std::upper_bound(segment->Lines.begin(), segment->Lines.end(), address,
                                        [](std::uint32_t a, const TELLineInfo& line) { return a < line.Offset; });
    if (after == segment->Lines.begin()) return 0;
    const TELLineInfo& line = *(after - 1);
    offset = address - line.Offset;
    return static_cast<int>(line.LineNo);
}

std::string TELTD32InfoScanner::SourceNameFromAddr(std::uint32_t address) const
{
    const TELSourceModuleInfo* file = nullptr;
    if (!SourceSegmentFromAddr(address, &file)) return {};
    return Names(file->NameIndex);
}
