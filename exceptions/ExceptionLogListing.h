// The disassembly listing around an address, for the report's assembler section: up to
// ten instructions before the address and up to ten behind it, with a header comment
// before each new source position, names for the addresses the code refers to, and the
// texts that immediates point to.
//
// Portable: memory is read through a TStackMemory and locations come from a
// TStackResolver, so the host build tests the exact text over planted code; the Windows
// binding (the process's own memory and the resolver) is ExceptionLogListingWin.h.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "exceptions/Easmlen.h"
#include "exceptions/ExceptionLogStack.h"

// Bytes searched before the address for a start, and read behind it at most.
constexpr std::uintptr_t ListingReach = 70;
// Instructions shown before the address at most, and behind it.
constexpr int ListingInstructionsBefore = 10;
constexpr int ListingInstructionsBehind = 10;
constexpr const char* ListingExceptionMark = "<-- EXCEPTION";

// The listing's lines around address (nothing when the address is not readable). Every
// address the code names and every instruction's source position is asked of resolver;
// an empty resolver gives a listing without names and headers.
std::vector<std::string> DisassemblyListing(std::uintptr_t address, const TStackMemory& memory, TCpuMode mode,
                                            const TStackResolver& resolver);

// The section around a listing: the caption followed by ":", a line of "-" as long as the
// longest listing line (at least the caption's length plus one), then the listing.
std::vector<std::string> AssemblerSection(const std::string& caption, const std::vector<std::string>& listing);

// --- Parts of the listing, exposed for their tests ---

// The first instruction of the listing: the start from which whole instructions lead
// exactly to address (searched from the first of the reach's bytes that begins a readable
// run up to address), moved on so that at most ListingInstructionsBefore precede address;
// address itself when no start leads to it.
std::uintptr_t ListingStart(std::uintptr_t address, const TStackMemory& memory, TCpuMode mode);

// The name the listing gives an address operand: the location's unit (without extension),
// class and procedure joined by "." with " (Line=n)" when the line is above 1, for an
// address inside a named procedure; else the class of a polymorphic C++ object at the
// address; else empty.
std::string ListingAddressName(std::uint64_t address, const TStackMemory& memory, TCpuMode mode,
                               const TStackResolver& resolver);

// The class name of a polymorphic object at address, read through its virtual table's
// type information (the C++ ABI of our compiler: the word before the table's first slot
// points to the std::type_info whose second word is the mangled name). Empty when the
// words do not look like an object's: every pointer readable, the name a mangled class
// name.
std::string ObjectClassNameAt(std::uint64_t address, const TStackMemory& memory, TCpuMode mode);

// The comment for an immediate that points to readable text: "  ; '" the text "'", at
// most 32 characters, non-printable ones as ".", "..." behind the quote when no zero
// ends the text within 32 characters. Empty when the value points to no readable
// printable character.
std::string ListingTextComment(std::uint64_t value, const TStackMemory& memory);
