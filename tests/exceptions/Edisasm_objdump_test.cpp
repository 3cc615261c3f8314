// Agreement with the cross toolchain's disassembler over the whole code section of this
// test exe, listed at build time by disasm_listing.py (objdump -d -M intel).
//
// Both texts are normalised before comparing:
// - lower case; runs of blanks to one; no blank after a comma;
// - numbers: our "$1A" and objdump's "0x1a" become "1a"; leading zeros dropped (our
//   addresses are pointer-wide, objdump's branch targets are bare hex);
// - objdump's "PTR" words lower-cased with the size ("DWORD PTR " -> "dword ptr ");
// - objdump's symbol annotations "<name>" and "# 0x..." comments removed, except that a
//   RIP-relative "[rip+0xN] # T" becomes "[T]", the target we print;
// - objdump's absolute "ds:0xN" (no brackets) becomes "[N]", "fs:0xN" becomes "fs:[N]";
//   "ds:[" is "[" on both sides (objdump leaves a DS override out); "cs:"/"es:"/"ss:"
//   ignored in 64-bit mode;
// - "*1" scales and "+0x0" displacements that objdump shows as encoded are dropped;
// - "movabs" is "mov"; "repe"/"repz" are "rep", "repnz" is "repne"; objdump's "eiz"/"riz"
//   (a SIB byte's absent index) dropped; "xlat [ebx]" is "xlatb"; a WAIT objdump joins to
//   the next x87 instruction is left out (we decode it as an instruction of its own); string instructions with explicit operands ("movs dword ptr
//   es:[edi],dword ptr ds:[esi]") become the sized short form ("movsd").
// Sizes must agree for every instruction. Remaining disagreements are counted by class
// (the mnemonic objdump printed) and listed; the known ones are allowed (see Allowed).
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "exceptions/Edisasm.h"
#include "tests/exceptions/beside_exe.h"

namespace {

std::string Lower(std::string s)
{
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string Collapse(const std::string& s)
{
    std::string out;
    for (char c : s) {
        if (c == ' ' || c == '\t') {
            if (!out.empty() && out.back() != ' ') out += ' ';
        } else {
            out += c;
        }
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    std::string noBlankAfterComma;
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (out[i] == ' ' && i > 0 && out[i - 1] == ',') continue;
        noBlankAfterComma += out[i];
    }
    return noBlankAfterComma;
}

std::string StripLeadingZeros(const std::string& s)
{
    static const std::regex number(R"(\b0*([0-9a-f]+)\b)");
    return std::regex_replace(s, number, "$1");
}

// "repe"/"repz" read as "rep", "repnz" as "repne", on both sides.
std::string RepSpelling(const std::string& s)
{
    static const std::regex repe(R"(^rep[ez] )");
    static const std::regex repnz(R"(^repnz )");
    return std::regex_replace(std::regex_replace(s, repe, "rep "), repnz, "repne ");
}

std::string NormaliseOurs(const std::string& text)
{
    std::string s = RepSpelling(Lower(Collapse(text)));
    s.erase(std::remove(s.begin(), s.end(), '$'), s.end());
    static const std::regex dsBracket(R"(\bds:\[)");
    s = std::regex_replace(s, dsBracket, "[");
    return StripLeadingZeros(s);
}

std::string NormaliseObjdump(std::string s, bool is64)
{
    static const std::regex rip(R"(\[rip\+0x[0-9a-f]+\](.*)#\s*(?:0x)?([0-9a-f]+).*$)");
    s = std::regex_replace(s, rip, "[$2]$1");
    static const std::regex symbol(R"(\s*<[^>]*>)");
    s = std::regex_replace(s, symbol, "");
    const std::size_t hash = s.find('#');
    if (hash != std::string::npos) s.erase(hash);
    s = Lower(Collapse(s));
    static const std::regex bareSegment(R"(\b(ds|es|cs|ss|fs|gs):0x([0-9a-f]+))");
    s = std::regex_replace(s, bareSegment, "$1:[0x$2]");
    static const std::regex dsBracket(R"(\bds:\[)");
    s = std::regex_replace(s, dsBracket, "[");
    if (is64) {
        static const std::regex seg(R"(\b(es|cs|ss):\[)");
        s = std::regex_replace(s, seg, "[");
    }
    // "eiz"/"riz": objdump's name for a SIB byte's absent index.
    static const std::regex noIndex(R"(\+[er]iz(\*[1248])?)");
    s = std::regex_replace(s, noIndex, "");
    static const std::regex noIndexFirst(R"(\[[er]iz(\*[1248])?\+)");
    s = std::regex_replace(s, noIndexFirst, "[");
    static const std::regex xlat(R"(^xlat (?:byte ptr )?(?:ds:)?\[[er]bx\]$)");
    s = std::regex_replace(s, xlat, "xlatb");
    static const std::regex scale1(R"(\*1\b)");
    s = std::regex_replace(s, scale1, "");
    static const std::regex zeroDisp(R"(\+0x0\])");
    s = std::regex_replace(s, zeroDisp, "]");
    static const std::regex hex(R"(0x([0-9a-f]+))");
    s = std::regex_replace(s, hex, "$1");
    // Prefixes objdump names although they change nothing here (a redundant segment, data16
    // on a NOP, a REX without effect).
    static const std::regex redundant(R"(^((?:data16|addr16|addr32|cs|ds|es|ss|fs|gs|rex(?:\.[wrxb]+)?) )+)");
    s = std::regex_replace(s, redundant, "");
    if (s.rfind("movabs ", 0) == 0) s = "mov " + s.substr(7);
    static const std::regex stringOp(
        R"(^((?:rep[a-z]* )?)(movs|stos|lods|scas|cmps|ins|outs) (?:(?:al|ax|eax|rax|dx),)?(byte|word|dword|qword) ptr .*$)");
    std::smatch m;
    if (std::regex_match(s, m, stringOp)) {
        const std::string size = m[3];
        s = m[1].str() + m[2].str() + (size == "byte" ? "b" : size == "word" ? "w" : size == "dword" ? "d" : "q");
    }
    return StripLeadingZeros(RepSpelling(s));
}

struct TListed {
    std::uint64_t Address;
    std::vector<std::uint8_t> Code;
    std::string Text;
};

std::vector<TListed> ReadListing(const std::string& path)
{
    std::vector<TListed> listed;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string address, bytes, text;
        if (!std::getline(fields, address, '\t') || !std::getline(fields, bytes, '\t')) continue;
        std::getline(fields, text);
        TListed entry;
        entry.Address = std::stoull(address, nullptr, 16);
        for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
            entry.Code.push_back(static_cast<std::uint8_t>(std::stoul(bytes.substr(i, 2), nullptr, 16)));
        entry.Text = text;
        listed.push_back(entry);
    }
    return listed;
}

std::string WithoutSizeWords(const std::string& s)
{
    static const std::regex sizeWord(R"(\b(?:byte|word|dword|fword|qword|tbyte|xmmword) ptr )");
    return std::regex_replace(s, sizeWord, "");
}

// Disagreements that are spelling, not decoding:
// - ".byte": bytes objdump prints as data (we print "DB" too; the class is named by its word);
// - "cmp<predicate>ss/sd/ps/pd": objdump names the predicate immediate in the mnemonic
//   ("cmpltsd xmm1,xmm0"), we keep the instruction and its immediate ("cmpsd xmm1, xmm0, $1");
// - "xlat" with an overridden segment, which we write "xlatb";
// - MOV to or from segment register 6 or 7, which does not exist: objdump "?", we "DB".
bool Allowed(const std::string& objdumpMnemonic, const std::string& ours)
{
    if (objdumpMnemonic == ".byte") return ours.rfind("db ", 0) == 0;
    // XLAT under a segment override: objdump names the operand, we keep the short form.
    if (objdumpMnemonic == "xlat") return ours == "xlatb";
    static const std::regex predicate(R"(^cmp(eq|lt|le|unord|neq|nlt|nle|ord)(ss|sd|ps|pd)$)");
    std::smatch m;
    return std::regex_match(objdumpMnemonic, m, predicate) && ours.rfind("cmp" + m[2].str() + " ", 0) == 0;
}

std::string FirstWord(const std::string& s)
{
    return s.substr(0, s.find(' '));
}

TEST(Edisasm_objdump, AgreesOverTheWholeCodeSection)
{
    const std::string path = BesideExe(".disasm.objdump.txt");
    const std::vector<TListed> listing = ReadListing(path);
    ASSERT_GE(listing.size(), 10000u) << "listing " << path;
    const TDisAsm disasm(NativeCpuMode);
    const bool is64 = NativeCpuMode == TCpuMode::cm64;
    std::size_t agreed = 0, compared = 0, sizeMismatches = 0, unexpected = 0, waits = 0;
    std::map<std::string, std::pair<std::size_t, std::string>> classes;
    for (const TListed& entry : listing) {
        if (entry.Text.find("(bad)") != std::string::npos) continue;  // bytes objdump cannot decode either
        // objdump joins a WAIT (9B) to the x87 instruction behind it ("fstsw ax"); the
        // processor runs it as an instruction of its own, as we decode it.
        if (entry.Code.size() > 1 && entry.Code[0] == 0x9B) {
            ++waits;
            continue;
        }
        ++compared;
        std::size_t size = 0;
        const std::string ours = disasm.GetInstruction(entry.Address, entry.Code.data(), entry.Code.size(), size);
        std::string theirs = NormaliseObjdump(entry.Text, is64);
        const std::string mine = NormaliseOurs(ours);
        // objdump sizes every memory operand; we leave out a size a register operand implies.
        if (mine.find(" ptr ") == std::string::npos) theirs = WithoutSizeWords(theirs);
        // MOV with a segment register number 6 or 7 (#UD): objdump writes "?", we write "DB".
        const bool noSegment = theirs.find('?') != std::string::npos && mine.rfind("db ", 0) == 0;
        if (size != entry.Code.size() && !noSegment) ++sizeMismatches;
        if (mine == theirs && size == entry.Code.size()) {
            ++agreed;
            continue;
        }
        if (!noSegment && (!Allowed(FirstWord(theirs), mine) || size != entry.Code.size())) ++unexpected;
        auto& cls = classes[FirstWord(theirs)];
        if (cls.first++ == 0) cls.second = theirs + "  <>  " + mine;
    }
    std::printf("agreement: %zu of %zu instructions (%.3f%%), %zu size mismatches\n", agreed, compared,
                compared ? 100.0 * static_cast<double>(agreed) / static_cast<double>(compared) : 0.0, sizeMismatches);
    std::printf("  %zu WAIT-joined x87 instructions left out\n", waits);
    for (const auto& [name, cls] : classes) std::printf("  %6zu  %s   e.g. %s\n", cls.first, name.c_str(), cls.second.c_str());
    // Measured: every instruction agrees apart from the allowed spellings (a handful).
    EXPECT_EQ(sizeMismatches, 0u);
    EXPECT_EQ(unexpected, 0u) << "disagreements outside the allowed classes";
    EXPECT_GE(agreed * 10000, compared * 9990) << "below 99.9%";
}

}  // namespace
