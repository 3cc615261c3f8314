#include "exceptions/Edisasm.h"

#include <cstdio>
#include <cstring>
#include <string_view>
#include <vector>

#include "exceptions/EdisasmTables.h"

using namespace edisasm;

namespace {

const char* const Reg8[16] = {"al", "cl", "dl", "bl", "spl", "bpl", "sil", "dil",
                              "r8b", "r9b", "r10b", "r11b", "r12b", "r13b", "r14b", "r15b"};
const char* const Reg8Legacy[8] = {"al", "cl", "dl", "bl", "ah", "ch", "dh", "bh"};
const char* const Reg16[16] = {"ax", "cx", "dx", "bx", "sp", "bp", "si", "di",
                               "r8w", "r9w", "r10w", "r11w", "r12w", "r13w", "r14w", "r15w"};
const char* const Reg32[16] = {"eax", "ecx", "edx", "ebx", "esp", "ebp", "esi", "edi",
                               "r8d", "r9d", "r10d", "r11d", "r12d", "r13d", "r14d", "r15d"};
const char* const Reg64[16] = {"rax", "rcx", "rdx", "rbx", "rsp", "rbp", "rsi", "rdi",
                               "r8", "r9", "r10", "r11", "r12", "r13", "r14", "r15"};
const char* const SegRegs[8] = {"es", "cs", "ss", "ds", "fs", "gs", "?", "?"};
const char* const Addr16[8] = {"bx+si", "bx+di", "bp+si", "bp+di", "si", "di", "bp", "bx"};

std::string Hex(std::uint64_t value, int digits = 0)
{
    char buffer[24];
    std::snprintf(buffer, sizeof buffer, "%0*llX", digits, static_cast<unsigned long long>(value));
    return buffer;
}

std::uint64_t SizeMask(int bytes)
{
    return bytes >= 8 ? ~std::uint64_t{0} : (std::uint64_t{1} << (bytes * 8)) - 1;
}

const char* SizeWord(int bytes)
{
    switch (bytes) {
    case 1: return "byte ptr ";
    case 2: return "word ptr ";
    case 4: return "dword ptr ";
    case 6: return "fword ptr ";
    case 8: return "qword ptr ";
    case 10: return "tbyte ptr ";
    case 16: return "xmmword ptr ";
    default: return "";
    }
}

// One operand as decoded: its text and, for a memory operand, its size (0: none implied).
struct TOperand {
    std::string Text;
    bool Memory = false;
    int MemorySize = 0;
    int RegisterSize = 0;  // a register operand's width, which implies a memory operand's size
};

class TDecoder {
public:
    TDecoder(const TDisAsm& owner, std::uint64_t address, const std::uint8_t* code, const TAsmInstruction& ins)
        : Owner(owner), Address(address), Code(code), Ins(ins), Is64(owner.Mode() == TCpuMode::cm64)
    {
    }

    bool Run(std::string& text);

private:
    const TDisAsm& Owner;
    std::uint64_t Address;
    const std::uint8_t* Code;
    const TAsmInstruction& Ins;
    bool Is64;
    bool Sse66 = false;
    bool Prefix66 = false;
    bool OpSize16 = false, AddrSize = false, Rep = false, Repne = false, Lock = false;
    int Segment = -1;
    int ModRMOffset = 0;
    std::string Comment;

    int Mod() const { return Ins.ModRM >> 6; }
    int RegField() const { return ((Ins.ModRM >> 3) & 7) | ((Ins.Rex & 4) ? 8 : 0); }
    int RmField() const { return (Ins.ModRM & 7) | ((Ins.Rex & 1) ? 8 : 0); }
    bool RexW() const { return (Ins.Rex & 8) != 0; }
    int OperandSize() const { return RexW() ? 8 : OpSize16 ? 2 : 4; }
    std::uint64_t NextAddress() const { return Address + Ins.Size; }
    std::uint64_t PointerMask() const { return Is64 ? ~std::uint64_t{0} : 0xFFFFFFFFu; }
    int PointerDigits() const { return Is64 ? 16 : 8; }

    std::uint64_t Read(int offset, int bytes) const
    {
        std::uint64_t value = 0;
        for (int i = bytes - 1; i >= 0; --i) value = (value << 8) | Code[offset + i];
        return value;
    }
    std::int64_t ReadSigned(int offset, int bytes) const
    {
        std::uint64_t value = Read(offset, bytes);
        if (bytes < 8 && (value >> (bytes * 8 - 1)) & 1) value |= ~SizeMask(bytes);
        return static_cast<std::int64_t>(value);
    }

    std::string Register(int size, int number) const
    {
        switch (size) {
        case 1: return (Ins.Rex != 0 || number >= 8) ? Reg8[number] : Reg8Legacy[number & 7];
        case 2: return Reg16[number];
        case 4: return Reg32[number];
        default: return Reg64[number];
        }
    }
    std::string Name(const TDisAsm::TAddressName& callback, std::uint64_t value) const
    {
        if (callback) {
            std::string name = callback(value);
            if (!name.empty()) return name;
        }
        return "$" + Hex(value, PointerDigits());
    }
    std::string Memory() const;
    std::string SegmentPrefix() const { return Segment >= 0 ? std::string(SegRegs[Segment]) + ":" : std::string(); }
    bool Operand(std::string_view code, int immIndex, TOperand& out);
    std::string Immediate(std::uint64_t value, int bytes);
    bool Template(std::string_view tmpl, std::string& text);
    bool X87(std::string& text);
    bool TwoByte(std::string& text);
    bool Special(std::string_view name, std::string_view rest, std::string& text);
    int Size(char letter) const;
};

int TDecoder::Size(char letter) const
{
    switch (letter) {
    case 'b': return 1;
    case 'w': return 2;
    case 'd': return 4;
    case 'q': return 8;
    case 't': return 10;
    case 'x': return 16;
    case 'p': return OpSize16 ? 4 : 6;
    case 'v': return OperandSize();
    case 'z': return OpSize16 ? 2 : 4;
    case 'y': return RexW() ? 8 : 4;
    case 's': return Is64 ? (OpSize16 ? 2 : 8) : (OpSize16 ? 2 : 4);
    case 'e': return OperandSize();
    default: return 0;
    }
}

std::string TDecoder::Memory() const
{
    std::string inner;
    const int rm = Ins.ModRM & 7;
    const int mod = Mod();
    if (!Is64 && AddrSize) {
        // 16-bit addressing.
        std::int64_t disp = Ins.DispSize ? ReadSigned(Ins.DispOffset, Ins.DispSize) : 0;
        if (mod == 0 && rm == 6) return SegmentPrefix() + "[$" + Hex(Read(Ins.DispOffset, 2), 4) + "]";
        inner = Addr16[rm];
        if (disp > 0) inner += "+$" + Hex(static_cast<std::uint64_t>(disp));
        if (disp < 0) inner += "-$" + Hex(static_cast<std::uint64_t>(-disp));
        return SegmentPrefix() + "[" + inner + "]";
    }
    const char* const* regs = (Is64 && !AddrSize) ? Reg64 : Reg32;
    std::int64_t disp = Ins.DispSize ? ReadSigned(Ins.DispOffset, Ins.DispSize) : 0;
    bool absolute = false;
    if (rm == 4) {
        const std::uint8_t sib = Code[ModRMOffset + 1];
        const int base = (sib & 7) | ((Ins.Rex & 1) ? 8 : 0);
        const int index = ((sib >> 3) & 7) | ((Ins.Rex & 2) ? 8 : 0);
        const int scale = 1 << (sib >> 6);
        if ((sib & 7) == 5 && mod == 0) absolute = true;
        else inner = regs[base];
        if (index != 4) {
            if (!inner.empty()) inner += "+";
            inner += regs[index];
            if (scale > 1) inner += "*" + std::to_string(scale);
        }
    } else if (rm == 5 && mod == 0) {
        if (Ins.RipRelative) {
            std::uint64_t target = NextAddress() + static_cast<std::uint64_t>(disp);
            if (AddrSize) target &= 0xFFFFFFFFu;
            return SegmentPrefix() + "[" + Name(Owner.OnMemoryAddress, target) + "]";
        }
        absolute = true;
    } else {
        inner = regs[RmField()];
    }
    if (absolute && inner.empty()) {
        std::uint64_t target = static_cast<std::uint64_t>(disp);
        if (!Is64 || AddrSize) target &= 0xFFFFFFFFu;
        // A disp32 without base is an absolute address in 32-bit mode; in 64-bit mode it is
        // sign-extended, still an absolute address.
        return SegmentPrefix() + "[" + Name(Owner.OnMemoryAddress, target & PointerMask()) + "]";
    }
    if (absolute) {
        // Index without base: the displacement is a plain number.
        if (disp == 0) {
        } else if (disp < 0) inner += "-$" + Hex(static_cast<std::uint64_t>(-disp));
        else inner += "+$" + Hex(static_cast<std::uint64_t>(disp));
    } else if (disp > 0) {
        inner += "+$" + Hex(static_cast<std::uint64_t>(disp));
    } else if (disp < 0) {
        inner += "-$" + Hex(static_cast<std::uint64_t>(-disp));
    }
    return SegmentPrefix() + "[" + inner + "]";
}

std::string TDecoder::Immediate(std::uint64_t value, int bytes)
{
    value &= SizeMask(bytes);
    if (Owner.OnImmediateComment) Comment += Owner.OnImmediateComment(value);
    return "$" + Hex(value);
}

// Decodes one operand; immIndex counts the immediates before this one (for ENTER).
bool TDecoder::Operand(std::string_view code, int immIndex, TOperand& out)
{
    if (code == "1") { out.Text = "1"; return true; }
    if (code == "eAX") { out.Text = Register(OperandSize(), 0); out.RegisterSize = OperandSize(); return true; }
    if (code == "al" || code == "cl") { out.Text = std::string(code); out.RegisterSize = 1; return true; }
    if (code == "dx") { out.Text = "dx"; out.RegisterSize = 2; return true; }
    if (code.size() == 2 && (code == "es" || code == "cs" || code == "ss" || code == "ds" || code == "fs" || code == "gs")) {
        out.Text = std::string(code);
        return true;
    }
    if (code.size() != 2) return false;
    const char kind = code[0];
    const int size = Size(code[1]);
    switch (kind) {
    case 'E':
    case 'M':
    case 'W':
    case 'Q':
    case 'R':
    case 'U':
    case 'N':
        if (Mod() == 3) {
            if (kind == 'M') return false;
            if (kind == 'W' || kind == 'U') { out.Text = "xmm" + std::to_string(RmField()); out.RegisterSize = 16; }
            else if (kind == 'Q' || kind == 'N') { out.Text = "MM" + std::to_string(Ins.ModRM & 7); out.RegisterSize = 8; }
            else if (kind == 'R' && code[1] == 'w') { out.Text = Register(4, RmField()); out.RegisterSize = 4; }
            else { out.Text = Register(size, RmField()); out.RegisterSize = size; }
            return true;
        }
        if (kind == 'R' && code[1] != 'w') {
            // MOV to or from a control or debug register reads mod as 3 whatever it says.
            out.Text = Register(Is64 ? 8 : 4, RmField());
            return true;
        }
        if (kind == 'U' || kind == 'N') return false;
        out.Text = Memory();
        out.Memory = true;
        out.MemorySize = size;
        return true;
    case 'G':
        out.Text = Register(size, RegField());
        out.RegisterSize = size;
        return true;
    case 'Z': {
        const int number = (Ins.Opcode & 7) | ((Ins.Rex & 1) ? 8 : 0);
        out.Text = Register(size, number);
        out.RegisterSize = size;
        return true;
    }
    case 'V':
        out.Text = "xmm" + std::to_string(RegField());
        out.RegisterSize = 16;
        return true;
    case 'P':
        out.Text = "MM" + std::to_string((Ins.ModRM >> 3) & 7);
        out.RegisterSize = 8;
        return true;
    case 'S':
        if (((Ins.ModRM >> 3) & 7) > 5) return false;
        out.Text = SegRegs[(Ins.ModRM >> 3) & 7];
        out.RegisterSize = 2;
        return true;
    case 'C':
    case 'D':
        if (code[1] == 'y') out.RegisterSize = Is64 ? 8 : 4;
        out.Text = std::string(kind == 'C' ? "cr" : "dr") + std::to_string(RegField());
        return true;
    case 'I': {
        // PUSH imm pushes a stack word.
        const bool push = Ins.OpcodeMap == 0 && (Ins.Opcode == 0x6A || Ins.Opcode == 0x68);
        if (code[1] == 'e')
            return (out.Text = Immediate(static_cast<std::uint64_t>(ReadSigned(Ins.ImmOffset, 1)), push ? Size('s') : size), true);
        int offset = Ins.ImmOffset;
        int bytes = code[1] == 'b' ? 1 : code[1] == 'w' ? 2 : 0;
        if (immIndex > 0) offset += 2;  // ENTER's second immediate follows its imm16
        if (code[1] == 'v') bytes = Ins.ImmSize;
        if (code[1] == 'z') bytes = Ins.ImmSize;
        if (bytes == 0) return false;
        // imm32 under a 64-bit operand size is sign-extended.
        const int valueSize = code[1] == 'z' && (OperandSize() == 8 || (push && Size('s') == 8)) ? 8 : bytes;
        out.Text = Immediate(static_cast<std::uint64_t>(ReadSigned(offset, bytes)), valueSize);
        return true;
    }
    case 'J': {
        const std::int64_t disp = ReadSigned(Ins.ImmOffset, Ins.ImmSize);
        std::uint64_t target = NextAddress() + static_cast<std::uint64_t>(disp);
        target &= (!Is64 && OpSize16) ? 0xFFFFu : PointerMask();
        out.Text = Name(Ins.Opcode == 0xE8 && Ins.OpcodeMap == 0 ? Owner.OnCallTarget : Owner.OnJumpTarget, target);
        return true;
    }
    case 'O': {
        const std::uint64_t offset = Read(Ins.DispOffset, Ins.DispSize);
        out.Text = SegmentPrefix() + "[" + Name(Owner.OnMemoryAddress, offset) + "]";
        out.Memory = true;
        out.MemorySize = size;
        return true;
    }
    case 'A': {
        const int offsetBytes = Ins.ImmSize - 2;
        out.Text = "$" + Hex(Read(Ins.ImmOffset + offsetBytes, 2), 4) + ":$" + Hex(Read(Ins.ImmOffset, offsetBytes), offsetBytes * 2);
        return true;
    }
    default:
        return false;
    }
}

// Picks the 16/32/64-bit spelling of "a|b|c".
std::string PickForm(std::string_view mnemonic, int operandSize)
{
    const std::size_t first = mnemonic.find('|');
    if (first == std::string_view::npos) return std::string(mnemonic);
    const std::size_t second = mnemonic.find('|', first + 1);
    if (operandSize == 2) return std::string(mnemonic.substr(0, first));
    if (operandSize == 4 || second == std::string_view::npos) return std::string(mnemonic.substr(first + 1, second - first - 1));
    std::string_view form = mnemonic.substr(second + 1);
    return std::string(form.empty() ? mnemonic.substr(first + 1, second - first - 1) : form);
}

bool TDecoder::Template(std::string_view tmpl, std::string& text)
{
    const std::size_t space = tmpl.find(' ');
    std::string mnemonic = PickForm(tmpl.substr(0, space), OperandSize());
    std::vector<TOperand> operands;
    if (space != std::string_view::npos) {
        std::string_view rest = tmpl.substr(space + 1);
        int immIndex = 0;
        while (!rest.empty()) {
            const std::size_t comma = rest.find(',');
            std::string_view code = rest.substr(0, comma);
            TOperand operand;
            if (!Operand(code, immIndex, operand)) return false;
            if (code[0] == 'I') ++immIndex;
            operands.push_back(operand);
            rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
        }
    }
    std::string prefix;
    if (Lock) prefix += "lock ";
    text = prefix + mnemonic;
    if (!operands.empty()) {
        text.resize(std::max<std::size_t>(text.size() + 1, 8), ' ');
        for (std::size_t i = 0; i < operands.size(); ++i) {
            if (i) text += ", ";
            const TOperand& o = operands[i];
            bool implied = false;
            for (const TOperand& other : operands)
                if (&other != &o && other.RegisterSize == o.MemorySize) implied = true;
            if (o.Memory && !implied) text += SizeWord(o.MemorySize);
            text += o.Text;
        }
    }
    return true;
}

const char* const X87MemoryOps[8][8] = {
    {"fadd Md", "fmul Md", "fcom Md", "fcomp Md", "fsub Md", "fsubr Md", "fdiv Md", "fdivr Md"},
    {"fld Md", nullptr, "fst Md", "fstp Md", "fldenv Mn", "fldcw Mw", "fnstenv Mn", "fnstcw Mw"},
    {"fiadd Md", "fimul Md", "ficom Md", "ficomp Md", "fisub Md", "fisubr Md", "fidiv Md", "fidivr Md"},
    {"fild Md", "fisttp Md", "fist Md", "fistp Md", nullptr, "fld Mt", nullptr, "fstp Mt"},
    {"fadd Mq", "fmul Mq", "fcom Mq", "fcomp Mq", "fsub Mq", "fsubr Mq", "fdiv Mq", "fdivr Mq"},
    {"fld Mq", "fisttp Mq", "fst Mq", "fstp Mq", "frstor Mn", nullptr, "fnsave Mn", "fnstsw Mw"},
    {"fiadd Mw", "fimul Mw", "ficom Mw", "ficomp Mw", "fisub Mw", "fisubr Mw", "fidiv Mw", "fidivr Mw"},
    {"fild Mw", "fisttp Mw", "fist Mw", "fistp Mw", "fbld Mt", "fild Mq", "fbstp Mt", "fistp Mq"},
};

// Register forms by escape and reg field: "st,i" (st, st(i)), "i,st", "i" or a fixed text.
const char* const X87RegisterOps[8][8] = {
    {"fadd st,i", "fmul st,i", "fcom i", "fcomp i", "fsub st,i", "fsubr st,i", "fdiv st,i", "fdivr st,i"},
    {"fld i", "fxch i", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
    {"fcmovb st,i", "fcmove st,i", "fcmovbe st,i", "fcmovu st,i", nullptr, nullptr, nullptr, nullptr},
    {"fcmovnb st,i", "fcmovne st,i", "fcmovnbe st,i", "fcmovnu st,i", nullptr, "fucomi st,i", "fcomi st,i", nullptr},
    {"fadd i,st", "fmul i,st", nullptr, nullptr, "fsubr i,st", "fsub i,st", "fdivr i,st", "fdiv i,st"},
    {"ffree i", nullptr, "fst i", "fstp i", "fucom i", "fucomp i", nullptr, nullptr},
    {"faddp i,st", "fmulp i,st", nullptr, nullptr, "fsubrp i,st", "fsubp i,st", "fdivrp i,st", "fdivp i,st"},
    {nullptr, nullptr, nullptr, nullptr, nullptr, "fucomip st,i", "fcomip st,i", nullptr},
};

const char* const X87D9Fixed[32] = {
    "fnop", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
    "fchs", "fabs", nullptr, nullptr, "ftst", "fxam", nullptr, nullptr,
    "fld1", "fldl2t", "fldl2e", "fldpi", "fldlg2", "fldln2", "fldz", nullptr,
};
const char* const X87D9High[16] = {"f2xm1", "fyl2x", "fptan", "fpatan", "fxtract", "fprem1", "fdecstp", "fincstp",
                                   "fprem", "fyl2xp1", "fsqrt", "fsincos", "frndint", "fscale", "fsin", "fcos"};

std::string Pad(std::string mnemonic)
{
    mnemonic.resize(std::max<std::size_t>(mnemonic.size() + 1, 8), ' ');
    return mnemonic;
}

bool TDecoder::X87(std::string& text)
{
    const int escape = Ins.Opcode - 0xD8;
    const int reg = (Ins.ModRM >> 3) & 7;
    if (Mod() != 3) {
        const char* form = X87MemoryOps[escape][reg];
        return form && Template(form, text);
    }
    const int sti = Ins.ModRM & 7;
    const std::uint8_t modrm = Ins.ModRM;
    if (escape == 1 && reg >= 2) {
        const char* name = reg >= 6 ? X87D9High[modrm - 0xF0] : X87D9Fixed[modrm - 0xD0];
        if (!name) return false;
        text = name;
        return true;
    }
    if (escape == 2 && modrm == 0xE9) return (text = "fucompp", true);
    if (escape == 3 && modrm == 0xE2) return (text = "fnclex", true);
    if (escape == 3 && modrm == 0xE3) return (text = "fninit", true);
    if (escape == 6 && modrm == 0xD9) return (text = "fcompp", true);
    if (escape == 7 && modrm == 0xE0) return (text = "fnstsw  ax", true);
    const char* form = X87RegisterOps[escape][reg];
    if (!form) return false;
    std::string_view view(form);
    const std::size_t space = view.find(' ');
    std::string stReg = "st(" + std::to_string(sti) + ")";
    std::string_view ops = view.substr(space + 1);
    std::string operands = ops == "st,i" ? "st, " + stReg : ops == "i,st" ? stReg + ", st" : stReg;
    text = Pad(std::string(view.substr(0, space))) + operands;
    return true;
}

bool TDecoder::Special(std::string_view name, std::string_view rest, std::string& text)
{
    const int reg = (Ins.ModRM >> 3) & 7;
    const std::string ops(rest);
    auto with = [&](const std::string& mnemonic) { return Template(ops.empty() ? mnemonic : mnemonic + " " + ops, text); };
    if (name == "#jcc") {
        const std::string mnemonic = std::string("j") + ConditionCodes[Ins.Opcode & 15];
        return Template(mnemonic + (Ins.OpcodeMap == 0 ? " Jb" : " Jz"), text);
    }
    if (name == "#cc") {
        const std::size_t space = ops.find(' ');
        return Template(ops.substr(0, space) + ConditionCodes[Ins.Opcode & 15] + ops.substr(space), text);
    }
    if (name == "#grp1") return with(Group1[reg]);
    if (name == "#grp2") return with(Group2[reg]);
    if (name == "#grp3") {
        static const char* const names[8] = {"test", "test", "not", "neg", "mul", "imul", "div", "idiv"};
        return Template(std::string(names[reg]) + (reg < 2 ? (Ins.Opcode == 0xF6 ? " Eb,Ib" : " Ev,Iz") : (Ins.Opcode == 0xF6 ? " Eb" : " Ev")), text);
    }
    if (name == "#c6") return reg == 0 && with("mov");
    if (name == "#8f") return reg == 0 && Template(Is64 ? "pop Es" : "pop Ev", text);
    if (name == "#fe") return reg < 2 && Template(reg == 0 ? "inc Eb" : "dec Eb", text);
    if (name == "#ff") {
        static const char* const forms32[8] = {"inc Ev", "dec Ev", "call Ev", "call Mp", "jmp Ev", "jmp Mp", "push Ev", nullptr};
        static const char* const forms64[8] = {"inc Ev", "dec Ev", "call Eq", "call Mp", "jmp Eq", "jmp Mp", "push Es", nullptr};
        const char* form = (Is64 ? forms64 : forms32)[reg];
        return form && Template(form, text);
    }
    // A segment register stored to memory is always a word; to a register, the operand size.
    if (name == "#8c") return Template(Mod() == 3 ? "mov Ev,Sw" : "mov Ew,Sw", text);
    if (name == "#63") return Template(Is64 ? "movsxd Gv,Ed" : "arpl Ew,Gw", text);
    if (name == "#90") {
        if (Ins.Rex & 1) return Template("xchg Zv,eAX", text);
        if (Rep) return (text = "pause", true);
        if (OpSize16) return (text = "xchg    ax, ax", true);
        return (text = "nop", true);
    }
    if (name == "#e3") {
        const bool wide = Is64 ? !AddrSize : AddrSize;
        return Template(Is64 ? (wide ? "jrcxz Jb" : "jecxz Jb") : (wide ? "jcxz Jb" : "jecxz Jb"), text);
    }
    if (name == "#str") {
        std::string mnemonic = PickForm(ops, OperandSize());
        const bool repeats = Ins.Opcode == 0xA6 || Ins.Opcode == 0xA7 || Ins.Opcode == 0xAE || Ins.Opcode == 0xAF;
        text = (Rep ? (repeats ? "repe " : "rep ") : Repne ? "repne " : "") + mnemonic;
        return true;
    }
    if (name == "#x87") return X87(text);
    return false;
}

bool TDecoder::TwoByte(std::string& text)
{
    const TSseTemplate& entry = TwoByteTemplates[Ins.Opcode];
    const char* chosen = nullptr;
    const bool prefixFree = entry.Plain && (entry.Plain[0] == '*' || entry.Plain[0] == '#' || entry.Plain[0] == '!' ||
                                            (!entry.Op66 && !entry.OpF3 && !entry.OpF2));
    if (prefixFree) {
        chosen = entry.Plain;
        if (Rep || Repne) {
            // A rep prefix on an instruction without a mandatory-prefix form is not one we print.
            if (entry.Plain[0] != '*' && entry.Plain[0] != '#') return false;
        }
    } else if (Repne) {
        chosen = entry.OpF2;
    } else if (Rep) {
        chosen = entry.OpF3;
    } else if (Prefix66) {
        chosen = entry.Op66;
        OpSize16 = false;
        Sse66 = true;
    } else {
        chosen = entry.Plain;
    }
    if (!chosen) return false;
    std::string_view tmpl(chosen);
    if (tmpl[0] == '*') tmpl.remove_prefix(1);
    if (tmpl[0] == '!') {
        if (!Is64) return false;
        tmpl.remove_prefix(1);
    }
    const int reg = (Ins.ModRM >> 3) & 7;
    const bool memory = Mod() != 3;
    if (tmpl[0] != '#') {
        std::string adjusted(tmpl);
        if (RexW() && adjusted.rfind("movd ", 0) == 0) adjusted[3] = 'q';
        return Template(adjusted, text);
    }
    const std::size_t space = tmpl.find(' ');
    const std::string_view name = tmpl.substr(0, space);
    const std::string_view rest = space == std::string_view::npos ? std::string_view() : tmpl.substr(space + 1);
    if (name == "#jcc" || name == "#cc") return Special(name, rest, text);
    if (name == "#0f00") {
        if (Mod() == 3 && reg < 2) return Template(reg == 0 ? "sldt Ev" : "str Ev", text);
        static const char* const forms[8] = {"sldt Ew", "str Ew", "lldt Ew", "ltr Ew", "verr Ew", "verw Ew", nullptr, nullptr};
        return forms[reg] && Template(forms[reg], text);
    }
    if (name == "#0f01") {
        if (memory) {
            static const char* const forms[8] = {"sgdt Mn", "sidt Mn", "lgdt Mn", "lidt Mn", "smsw Ew", nullptr, "lmsw Ew", "invlpg Mn"};
            return forms[reg] && Template(forms[reg], text);
        }
        switch (Ins.ModRM) {
        case 0xC8: return (text = "monitor", true);
        case 0xC9: return (text = "mwait", true);
        case 0xD0: return (text = "xgetbv", true);
        case 0xD1: return (text = "xsetbv", true);
        case 0xF8: return Is64 && (text = "swapgs", true);
        case 0xF9: return (text = "rdtscp", true);
        default: return reg == 4 || reg == 6 ? Template(reg == 4 ? "smsw Ev" : "lmsw Ew", text) : false;
        }
    }
    if (name == "#0f0d") return memory && Template(reg == 1 ? "prefetchw Mb" : "prefetch Mb", text);
    if (name == "#0f18") {
        static const char* const forms[4] = {"prefetchnta Mb", "prefetcht0 Mb", "prefetcht1 Mb", "prefetcht2 Mb"};
        if (memory && reg < 4) return Template(forms[reg], text);
        return Template("nop Ev", text);
    }
    if (name == "#12") return Template(memory ? "movlps Vx,Mq" : "movhlps Vx,Ux", text);
    if (name == "#16") return Template(memory ? "movhps Vx,Mq" : "movlhps Vx,Ux", text);
    if (name == "#shift") {
        if (memory) return false;
        Sse66 = Prefix66;
        static const char* const names[3][8] = {
            {nullptr, nullptr, "psrlw", nullptr, "psraw", nullptr, "psllw", nullptr},
            {nullptr, nullptr, "psrld", nullptr, "psrad", nullptr, "pslld", nullptr},
            {nullptr, nullptr, "psrlq", "psrldq", nullptr, nullptr, "psllq", "pslldq"},
        };
        const char* shift = names[Ins.Opcode - 0x71][reg];
        if (!shift || ((reg == 3 || reg == 7) && !Sse66)) return false;
        return Template(std::string(shift) + (Sse66 ? " Ux,Ib" : " Nq,Ib"), text);
    }
    if (name == "#0fae") {
        if (memory) {
            static const char* const forms[8] = {"fxsave Mn", "fxrstor Mn", "ldmxcsr Md", "stmxcsr Md", "xsave Mn", "xrstor Mn", "xsaveopt Mn", "clflush Mb"};
            return Template(forms[reg], text);
        }
        static const char* const fences[8] = {nullptr, nullptr, nullptr, nullptr, nullptr, "lfence", "mfence", "sfence"};
        return fences[reg] && (text = fences[reg], true);
    }
    if (name == "#0fba") {
        static const char* const forms[8] = {nullptr, nullptr, nullptr, nullptr, "bt Ev,Ib", "bts Ev,Ib", "btr Ev,Ib", "btc Ev,Ib"};
        return forms[reg] && Template(forms[reg], text);
    }
    if (name == "#0fc7") {
        if (memory && reg == 1) return Template(RexW() ? "cmpxchg16b Mx" : "cmpxchg8b Mq", text);
        if (!memory && reg == 6) return Template("rdrand Ev", text);
        if (!memory && reg == 7) return Template("rdseed Ev", text);
        return false;
    }
    return false;
}

bool TDecoder::Run(std::string& text)
{
    for (int i = 0; i < Ins.PrefixCount; ++i) {
        switch (Code[i]) {
        case 0x66: OpSize16 = Prefix66 = true; break;
        case 0x67: AddrSize = true; break;
        case 0xF0: Lock = true; break;
        case 0xF2: Repne = true; Rep = false; break;
        case 0xF3: Rep = true; Repne = false; break;
        case 0x26: Segment = 0; break;
        case 0x2E: Segment = 1; break;
        case 0x36: Segment = 2; break;
        case 0x3E: Segment = 3; break;
        case 0x64: Segment = 4; break;
        case 0x65: Segment = 5; break;
        default: break;  // REX
        }
    }
    // In 64-bit mode only FS and GS still override a segment.
    if (Is64 && Segment >= 0 && Segment < 4) Segment = -1;
    if (RexW()) OpSize16 = false;
    ModRMOffset = Ins.PrefixCount + 1 + (Ins.OpcodeMap == 0 ? 0 : Ins.OpcodeMap == 1 ? 1 : 2);
    bool ok = false;
    if (Ins.OpcodeMap == 0) {
        std::string_view tmpl(OneByteTemplates[Ins.Opcode]);
        if (tmpl.empty()) return false;
        if (tmpl[0] == '@') {
            if (Is64) return false;
            tmpl.remove_prefix(1);
        }
        if (tmpl[0] == '#') {
            const std::size_t space = tmpl.find(' ');
            ok = Special(tmpl.substr(0, space), space == std::string_view::npos ? std::string_view() : tmpl.substr(space + 1), text);
        } else {
            ok = Template(tmpl, text);
        }
        if (ok && (Rep || Repne) && text.rfind("rep", 0) != 0 && Ins.Opcode != 0x90) {
            // rep / repne on a non-string instruction: kept visible, as the processor ignores it.
            text = (Rep ? "rep " : "repne ") + text;
        }
    } else if (Ins.OpcodeMap == 1) {
        ok = TwoByte(text);
    }
    if (!ok) return false;
    text += Comment;
    return true;
}

}  // namespace

std::string TDisAsm::GetInstruction(std::uint64_t address, const std::uint8_t* code, std::size_t available,
                                    std::size_t& size) const
{
    size = 1;
    std::string text;
    if (available == 0 || code == nullptr) {
        text = "DB      ";
    } else {
        TAsmInstruction ins;
        bool decoded = DecodeInstruction(code, available, FMode, ins);
        if (decoded) {
            TDecoder decoder(*this, address, code, ins);
            decoded = decoder.Run(text);
        }
        if (decoded) size = ins.Size;
        else text = "DB      $" + Hex(code[0], 2);
    }
    if (OnInstructionText) OnInstructionText(address, text);
    return text;
}
