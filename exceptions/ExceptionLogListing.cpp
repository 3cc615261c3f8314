// The disassembly listing around an address.
#include "exceptions/ExceptionLogListing.h"

#include <cxxabi.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "exceptions/Edisasm.h"

namespace {

std::size_t PointerSize(TCpuMode mode) noexcept
{
    return mode == TCpuMode::cm64 ? 8 : 4;
}

std::string HexAddress(std::uint64_t address, TCpuMode mode)
{
    static const char digits[] = "0123456789ABCDEF";
    const int count = static_cast<int>(PointerSize(mode)) * 2;
    std::string text(static_cast<std::size_t>(count), '0');
    for (int i = count - 1; i >= 0; --i, address >>= 4) text[static_cast<std::size_t>(i)] = digits[address & 15];
    return text;
}

bool ReadPointer(const TStackMemory& memory, std::uint64_t address, TCpuMode mode, std::uint64_t& value)
{
    value = 0;
    const std::size_t size = PointerSize(mode);
    if (address == 0 || address + size < address) return false;
    if (mode == TCpuMode::cm32) {
        std::uint32_t word = 0;
        if (!memory.Read(static_cast<std::uintptr_t>(address), &word, sizeof word)) return false;
        value = word;
        return true;
    }
    return memory.Read(static_cast<std::uintptr_t>(address), &value, sizeof value);
}

std::string WithoutExtension(std::string_view unit)
{
    const std::size_t dot = unit.rfind('.');
    const std::size_t slash = unit.find_last_of("/\\");
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return std::string(unit);
    return std::string(unit.substr(0, dot));
}

// Unit without extension, class and procedure joined by ".", empty parts left out.
std::string JoinedNames(const TVantrelDebugInfo& entry)
{
    std::string text;
    for (const std::string& part :
         {WithoutExtension(entry.UnitName.View()), entry.ClassName.Str(), entry.ProcedureName.Str()}) {
        if (part.empty()) continue;
        if (!text.empty()) text += '.';
        text += part;
    }
    return text;
}

bool Resolve(const TStackResolver& resolver, std::uint64_t address, TVantrelDebugInfo& entry)
{
    entry = TVantrelDebugInfo{};
    if (!resolver || address > UINTPTR_MAX) return false;
    resolver(static_cast<std::uintptr_t>(address), entry, true, false, 0);
    return IsNamedDetail(entry.DebugDetail);
}

// A mangled class name as std::type_info keeps it: a length-prefixed source name or a
// nested name, letters, digits and "_" only.
bool LooksLikeMangledClassName(const std::string& name)
{
    if (name.empty()) return false;
    const char first = name[0];
    if (!(first >= '1' && first <= '9') && first != 'N' && first != 'S') return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
    });
}

std::string Demangled(const std::string& mangled)
{
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> text(abi::__cxa_demangle(mangled.c_str(), nullptr, nullptr, &status),
                                                std::free);
    if (status != 0 || !text) return {};
    return text.get();
}

// One source position of the listing: the names and the line of an instruction.
struct TSourcePosition {
    bool Known = false;
    std::string Names;
    std::uint32_t Line = 0;
    std::uint32_t ProcedureLine = 0;
};

TSourcePosition PositionOf(const TStackResolver& resolver, std::uint64_t address)
{
    TSourcePosition position;
    TVantrelDebugInfo entry;
    if (!Resolve(resolver, address, entry)) return position;
    position.Known = true;
    position.Names = JoinedNames(entry);
    if (entry.DebugDetail == ddSourceCode) {
        position.Line = entry.LineNumber;
        position.ProcedureLine = entry.ProcedureLine;
    }
    return position;
}

// The header comment before a new source position: the names when they changed, the
// line and offset when the line did.
std::string HeaderText(const TSourcePosition& position, const TSourcePosition& previous)
{
    std::string text;
    if (position.Names != previous.Names) text = position.Names;
    if (position.Line != 0 && position.Line != previous.Line) {
        if (!text.empty()) text += ' ';
        text += "(Line=" + std::to_string(position.Line) + " - Offset=" + std::to_string(position.ProcedureLine) +
                ")";
    }
    return text;
}

// Aligns the comment of every instruction line (the text from its first ";") to the column
// two behind the longest instruction part; header lines, which are all comment, stay.
void AlignComments(std::vector<std::string>& lines)
{
    std::size_t width = 0;
    auto instructionPart = [](const std::string& line) {
        const std::size_t semicolon = line.find(';');
        std::string part = line.substr(0, semicolon);
        while (!part.empty() && part.back() == ' ') part.pop_back();
        return part;
    };
    for (const std::string& line : lines)
        if (!line.empty() && line[0] != ';') width = std::max(width, instructionPart(line).size());
    for (std::string& line : lines) {
        if (line.empty() || line[0] == ';') continue;
        const std::size_t semicolon = line.find(';');
        if (semicolon == std::string::npos) continue;
        std::string part = instructionPart(line);
        part.append(width + 2 - part.size(), ' ');
        line = part + line.substr(semicolon);
    }
}

} // namespace

std::string ObjectClassNameAt(std::uint64_t address, const TStackMemory& memory, TCpuMode mode)
{
    const std::size_t size = PointerSize(mode);
    std::uint64_t table = 0, typeInfo = 0, typeInfoTable = 0, typeInfoSlot = 0, name = 0;
    if (address % size != 0 || !ReadPointer(memory, address, mode, table)) return {};
    if (table % size != 0 || table < size || !ReadPointer(memory, table - size, mode, typeInfo)) return {};
    if (typeInfo % size != 0 || !ReadPointer(memory, typeInfo, mode, typeInfoTable)) return {};
    if (!ReadPointer(memory, typeInfoTable, mode, typeInfoSlot)) return {}; // the type_info is an object too
    if (!ReadPointer(memory, typeInfo + size, mode, name)) return {};
    std::string mangled;
    constexpr std::size_t NameLimit = 255;
    for (std::size_t i = 0; i <= NameLimit; ++i) {
        char c = 0;
        if (!memory.Read(static_cast<std::uintptr_t>(name + i), &c, 1)) return {};
        if (c == 0) break;
        if (i == NameLimit) return {};
        mangled += c;
    }
    if (!LooksLikeMangledClassName(mangled)) return {};
    return Demangled(mangled);
}

std::string ListingAddressName(std::uint64_t address, const TStackMemory& memory, TCpuMode mode,
                               const TStackResolver& resolver)
{
    TVantrelDebugInfo entry;
    if (Resolve(resolver, address, entry)) {
        std::string name = JoinedNames(entry);
        if (!name.empty()) {
            if (entry.DebugDetail == ddSourceCode && entry.LineNumber > 1)
                name += " (Line=" + std::to_string(entry.LineNumber) + ")";
            return name;
        }
    }
    return ObjectClassNameAt(address, memory, mode);
}

std::string ListingTextComment(std::uint64_t value, const TStackMemory& memory)
{
    constexpr std::size_t TextLimit = 32;
    if (value == 0 || value > UINTPTR_MAX) return {};
    auto printable = [](unsigned char c) { return c >= 0x20 && c < 0x7F; };
    std::string text;
    bool ended = false;
    bool startsPrintable = false;
    for (std::size_t i = 0; i < TextLimit; ++i) {
        unsigned char c = 0;
        if (!memory.Read(static_cast<std::uintptr_t>(value + i), &c, 1)) break;
        if (c == 0) {
            ended = true;
            break;
        }
        if (i == 0) startsPrintable = printable(c);
        text += printable(c) ? static_cast<char>(c) : '.';
    }
    // Text is what begins with a printable character; anything else is some other pointer.
    if (!startsPrintable) return {};
    return "  ; '" + text + "'" + (ended ? "" : "...");
}

std::uintptr_t ListingStart(std::uintptr_t address, const TStackMemory& memory, TCpuMode mode)
{
    const std::uintptr_t lowest = address > ListingReach ? address - ListingReach : 0;
    // The first byte of the reach from which everything up to the address is readable.
    std::uintptr_t first = lowest;
    while (first < address && !memory.Readable(first, address - first)) ++first;
    if (first == address) return address;
    std::vector<std::uint8_t> bytes(address - first);
    if (!memory.Read(first, bytes.data(), bytes.size())) return address;

    for (std::uintptr_t start = first; start < address; ++start) {
        std::vector<std::uintptr_t> instructions;
        std::uintptr_t at = start;
        while (at < address) {
            TAsmInstruction ins;
            if (!DecodeInstruction(bytes.data() + (at - first), address - at, mode, ins)) break;
            instructions.push_back(at);
            at += ins.Size;
        }
        if (at != address) continue;
        const std::size_t count = instructions.size();
        if (count > static_cast<std::size_t>(ListingInstructionsBefore))
            return instructions[count - static_cast<std::size_t>(ListingInstructionsBefore)];
        return start;
    }
    return address;
}

std::vector<std::string> DisassemblyListing(std::uintptr_t address, const TStackMemory& memory, TCpuMode mode,
                                            const TStackResolver& resolver)
{
    std::vector<std::string> lines;
    if (!memory.Readable(address, 1)) return lines;

    // The last byte of the reach behind the address that a readable run leads to.
    std::uintptr_t last = address + ListingReach;
    if (last < address) last = UINTPTR_MAX;
    while (last > address && !memory.Readable(address, last - address + 1)) --last;

    const std::uintptr_t start = ListingStart(address, memory, mode);
    std::vector<std::uint8_t> bytes(last - start + 1);
    if (!memory.Read(start, bytes.data(), bytes.size())) return lines;

    TDisAsm disasm(mode);
    auto name = [&memory, mode, &resolver](std::uint64_t target) {
        return ListingAddressName(target, memory, mode, resolver);
    };
    disasm.OnCallTarget = name;
    disasm.OnJumpTarget = name;
    disasm.OnMemoryAddress = name;
    disasm.OnImmediateComment = [&memory](std::uint64_t value) { return ListingTextComment(value, memory); };

    TSourcePosition previous;
    // The last header at or before the address: its line (0 when none, or when it is the
    // first line, so that nothing stands before it) and its position.
    std::size_t lastHeaderBeforeAddress = 0;
    TSourcePosition positionBeforeAddress;
    bool anyHeader = false;
    int behind = 0;
    std::uintptr_t at = start;
    while (at <= last) {
        const TSourcePosition position = PositionOf(resolver, at);
        if (position.Known && (position.Names != previous.Names || position.Line != previous.Line)) {
            const std::string header = HeaderText(position, previous);
            if (!header.empty()) {
                if (anyHeader) lines.push_back(";");
                if (at <= address) {
                    lastHeaderBeforeAddress = lines.size();
                    positionBeforeAddress = position;
                }
                lines.push_back("; " + header);
                lines.push_back("; " + std::string(header.size(), '-'));
                anyHeader = true;
            }
            previous = position;
        }

        std::size_t size = 0;
        const std::size_t offset = at - start;
        std::string line = HexAddress(at, mode) + "  " +
                           disasm.GetInstruction(at, bytes.data() + offset, bytes.size() - offset, size);
        if (at == address)
            line += line.find(';') == std::string::npos ? std::string("  ; ") + ListingExceptionMark
                                                        : std::string(" ") + ListingExceptionMark;
        lines.push_back(line);

        if (size == 0) size = 1;
        if (at > address) {
            ++behind;
            TAsmInstruction ins;
            const bool decoded = DecodeInstruction(bytes.data() + offset, bytes.size() - offset, mode, ins);
            if (behind >= ListingInstructionsBehind || (decoded && IsReturnInstruction(ins))) break;
        }
        if (at + size < at) break;
        // An instruction the disassembler reads longer than the start search did would
        // step over the address: the address gets its line in any case.
        at = (at < address && at + size > address) ? address : at + size;
    }

    if (lastHeaderBeforeAddress > 0) {
        lines.erase(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(lastHeaderBeforeAddress));
        // The header now on top may have left out the names that an earlier one gave: it
        // names the procedure again, or the listing would not say where it is.
        const std::string header = HeaderText(positionBeforeAddress, TSourcePosition{});
        lines[0] = "; " + header;
        lines[1] = "; " + std::string(header.size(), '-');
    }
    if (!lines.empty() && lines.front() == ";") lines.erase(lines.begin());
    AlignComments(lines);
    return lines;
}

std::vector<std::string> AssemblerSection(const std::string& caption, const std::vector<std::string>& listing)
{
    std::size_t width = caption.size() + 1;
    for (const std::string& line : listing) width = std::max(width, line.size());
    std::vector<std::string> section{caption + ":", std::string(width, '-')};
    section.insert(section.end(), listing.begin(), listing.end());
    return section;
}
