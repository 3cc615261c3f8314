#include "exceptions/EdisasmTables.h"

namespace edisasm {

const char* const Group1[8] = {"add", "or", "adc", "sbb", "and", "sub", "xor", "cmp"};
const char* const Group2[8] = {"rol", "ror", "rcl", "rcr", "shl", "shr", "shl", "sar"};
const char* const ConditionCodes[16] = {"o", "no", "b", "ae", "e", "ne", "be", "a",
                                        "s", "ns", "p", "np", "l", "ge", "le", "g"};

// Entries starting with '#' are decoded by code: "#grp1", "#cc", "#x87" and so on.
const char* const OneByteTemplates[256] = {
    // 00
    "add Eb,Gb", "add Ev,Gv", "add Gb,Eb", "add Gv,Ev", "add al,Ib", "add eAX,Iz", "@push es", "@pop es",
    "or Eb,Gb", "or Ev,Gv", "or Gb,Eb", "or Gv,Ev", "or al,Ib", "or eAX,Iz", "@push cs", "",
    // 10
    "adc Eb,Gb", "adc Ev,Gv", "adc Gb,Eb", "adc Gv,Ev", "adc al,Ib", "adc eAX,Iz", "@push ss", "@pop ss",
    "sbb Eb,Gb", "sbb Ev,Gv", "sbb Gb,Eb", "sbb Gv,Ev", "sbb al,Ib", "sbb eAX,Iz", "@push ds", "@pop ds",
    // 20
    "and Eb,Gb", "and Ev,Gv", "and Gb,Eb", "and Gv,Ev", "and al,Ib", "and eAX,Iz", "", "@daa",
    "sub Eb,Gb", "sub Ev,Gv", "sub Gb,Eb", "sub Gv,Ev", "sub al,Ib", "sub eAX,Iz", "", "@das",
    // 30
    "xor Eb,Gb", "xor Ev,Gv", "xor Gb,Eb", "xor Gv,Ev", "xor al,Ib", "xor eAX,Iz", "", "@aaa",
    "cmp Eb,Gb", "cmp Ev,Gv", "cmp Gb,Eb", "cmp Gv,Ev", "cmp al,Ib", "cmp eAX,Iz", "", "@aas",
    // 40
    "@inc Zv", "@inc Zv", "@inc Zv", "@inc Zv", "@inc Zv", "@inc Zv", "@inc Zv", "@inc Zv",
    "@dec Zv", "@dec Zv", "@dec Zv", "@dec Zv", "@dec Zv", "@dec Zv", "@dec Zv", "@dec Zv",
    // 50
    "push Zs", "push Zs", "push Zs", "push Zs", "push Zs", "push Zs", "push Zs", "push Zs",
    "pop Zs", "pop Zs", "pop Zs", "pop Zs", "pop Zs", "pop Zs", "pop Zs", "pop Zs",
    // 60
    "@pushaw|pusha|", "@popaw|popa|", "@bound Gv,Mn", "#63", "", "", "", "",
    "push Iz", "imul Gv,Ev,Iz", "push Ie", "imul Gv,Ev,Ie", "insb", "insw|insd|insd", "outsb", "outsw|outsd|outsd",
    // 70
    "#jcc", "#jcc", "#jcc", "#jcc", "#jcc", "#jcc", "#jcc", "#jcc",
    "#jcc", "#jcc", "#jcc", "#jcc", "#jcc", "#jcc", "#jcc", "#jcc",
    // 80
    "#grp1 Eb,Ib", "#grp1 Ev,Iz", "@#grp1 Eb,Ib", "#grp1 Ev,Ie", "test Eb,Gb", "test Ev,Gv", "xchg Eb,Gb", "xchg Ev,Gv",
    "mov Eb,Gb", "mov Ev,Gv", "mov Gb,Eb", "mov Gv,Ev", "#8c", "lea Gv,Mn", "mov Sw,Ew", "#8f",
    // 90
    "#90", "xchg Zv,eAX", "xchg Zv,eAX", "xchg Zv,eAX", "xchg Zv,eAX", "xchg Zv,eAX", "xchg Zv,eAX", "xchg Zv,eAX",
    "cbw|cwde|cdqe", "cwd|cdq|cqo", "@call Ap", "fwait", "pushfw|pushf|pushfq", "popfw|popf|popfq", "sahf", "lahf",
    // A0
    "mov al,Ob", "mov eAX,Ov", "mov Ob,al", "mov Ov,eAX", "#str movsb", "#str movsw|movsd|movsq", "#str cmpsb", "#str cmpsw|cmpsd|cmpsq",
    "test al,Ib", "test eAX,Iz", "#str stosb", "#str stosw|stosd|stosq", "#str lodsb", "#str lodsw|lodsd|lodsq", "#str scasb", "#str scasw|scasd|scasq",
    // B0
    "mov Zb,Ib", "mov Zb,Ib", "mov Zb,Ib", "mov Zb,Ib", "mov Zb,Ib", "mov Zb,Ib", "mov Zb,Ib", "mov Zb,Ib",
    "mov Zv,Iv", "mov Zv,Iv", "mov Zv,Iv", "mov Zv,Iv", "mov Zv,Iv", "mov Zv,Iv", "mov Zv,Iv", "mov Zv,Iv",
    // C0
    "#grp2 Eb,Ib", "#grp2 Ev,Ib", "ret Iw", "ret", "@les Gz,Mp", "@lds Gz,Mp", "#c6 Eb,Ib", "#c6 Ev,Iz",
    "enter Iw,Ib", "leave", "retf Iw", "retf", "int3", "int Ib", "@into", "iretw|iret|iretq",
    // D0
    "#grp2 Eb,1", "#grp2 Ev,1", "#grp2 Eb,cl", "#grp2 Ev,cl", "@aam Ib", "@aad Ib", "", "xlatb",
    "#x87", "#x87", "#x87", "#x87", "#x87", "#x87", "#x87", "#x87",
    // E0
    "loopne Jb", "loope Jb", "loop Jb", "#e3", "in al,Ib", "in eAX,Ib", "out Ib,al", "out Ib,eAX",
    "call Jz", "jmp Jz", "@jmp Ap", "jmp Jb", "in al,dx", "in eAX,dx", "out dx,al", "out dx,eAX",
    // F0
    "", "int1", "", "", "hlt", "cmc", "#grp3 Eb", "#grp3 Ev",
    "clc", "stc", "cli", "sti", "cld", "std", "#fe", "#ff",
};

#define MMX(name) {name " Pq,Qq", name " Vx,Wx", nullptr, nullptr}
#define SSE4(name, w) {name "ps Vx,Wx", name "pd Vx,Wx", name "ss Vx,Wd" w, name "sd Vx,Wq" w}
#define NONE {nullptr, nullptr, nullptr, nullptr}
#define PLAIN(t) {t, nullptr, nullptr, nullptr}
#define CC(t) {"#cc " t, nullptr, nullptr, nullptr}

// '*' after the plain form: the plain form applies whatever the prefix (a 66 changing the
// operand size, F3/F2 read as rep prefixes).
const TSseTemplate TwoByteTemplates[256] = {
    // 00
    PLAIN("#0f00"), PLAIN("#0f01"), PLAIN("*lar Gv,Ew"), PLAIN("*lsl Gv,Ew"), NONE, PLAIN("syscall"), PLAIN("clts"), PLAIN("sysret"),
    PLAIN("invd"), PLAIN("wbinvd"), NONE, PLAIN("ud2"), NONE, PLAIN("#0f0d"), PLAIN("femms"), NONE,
    // 10
    {"movups Vx,Wx", "movupd Vx,Wx", "movss Vx,Wd", "movsd Vx,Wq"},
    {"movups Wx,Vx", "movupd Wx,Vx", "movss Wd,Vx", "movsd Wq,Vx"},
    {"#12", "movlpd Vx,Mq", "movsldup Vx,Wx", "movddup Vx,Wq"},
    {"movlps Mq,Vx", "movlpd Mq,Vx", nullptr, nullptr},
    {"unpcklps Vx,Wx", "unpcklpd Vx,Wx", nullptr, nullptr},
    {"unpckhps Vx,Wx", "unpckhpd Vx,Wx", nullptr, nullptr},
    {"#16", "movhpd Vx,Mq", "movshdup Vx,Wx", nullptr},
    {"movhps Mq,Vx", "movhpd Mq,Vx", nullptr, nullptr},
    PLAIN("#0f18"), PLAIN("*nop Ev"), PLAIN("*nop Ev"), PLAIN("*nop Ev"), PLAIN("*nop Ev"), PLAIN("*nop Ev"), PLAIN("*nop Ev"), PLAIN("*nop Ev"),
    // 20
    PLAIN("mov Ry,Cy"), PLAIN("mov Ry,Dy"), PLAIN("mov Cy,Ry"), PLAIN("mov Dy,Ry"), NONE, NONE, NONE, NONE,
    {"movaps Vx,Wx", "movapd Vx,Wx", nullptr, nullptr},
    {"movaps Wx,Vx", "movapd Wx,Vx", nullptr, nullptr},
    {"cvtpi2ps Vx,Qq", "cvtpi2pd Vx,Qq", "cvtsi2ss Vx,Ey", "cvtsi2sd Vx,Ey"},
    {"movntps Mx,Vx", "movntpd Mx,Vx", nullptr, nullptr},
    {"cvttps2pi Pq,Wq", "cvttpd2pi Pq,Wx", "cvttss2si Gy,Wd", "cvttsd2si Gy,Wq"},
    {"cvtps2pi Pq,Wq", "cvtpd2pi Pq,Wx", "cvtss2si Gy,Wd", "cvtsd2si Gy,Wq"},
    {"ucomiss Vx,Wd", "ucomisd Vx,Wq", nullptr, nullptr},
    {"comiss Vx,Wd", "comisd Vx,Wq", nullptr, nullptr},
    // 30
    PLAIN("wrmsr"), PLAIN("rdtsc"), PLAIN("rdmsr"), PLAIN("rdpmc"), PLAIN("sysenter"), PLAIN("sysexit"), NONE, NONE,
    NONE, NONE, NONE, NONE, NONE, NONE, NONE, NONE,
    // 40
    CC("cmov Gv,Ev"), CC("cmov Gv,Ev"), CC("cmov Gv,Ev"), CC("cmov Gv,Ev"), CC("cmov Gv,Ev"), CC("cmov Gv,Ev"), CC("cmov Gv,Ev"), CC("cmov Gv,Ev"),
    CC("cmov Gv,Ev"), CC("cmov Gv,Ev"), CC("cmov Gv,Ev"), CC("cmov Gv,Ev"), CC("cmov Gv,Ev"), CC("cmov Gv,Ev"), CC("cmov Gv,Ev"), CC("cmov Gv,Ev"),
    // 50
    {"movmskps Gd,Ux", "movmskpd Gd,Ux", nullptr, nullptr},
    SSE4("sqrt", ""), {"rsqrtps Vx,Wx", nullptr, "rsqrtss Vx,Wd", nullptr}, {"rcpps Vx,Wx", nullptr, "rcpss Vx,Wd", nullptr},
    {"andps Vx,Wx", "andpd Vx,Wx", nullptr, nullptr}, {"andnps Vx,Wx", "andnpd Vx,Wx", nullptr, nullptr},
    {"orps Vx,Wx", "orpd Vx,Wx", nullptr, nullptr}, {"xorps Vx,Wx", "xorpd Vx,Wx", nullptr, nullptr},
    SSE4("add", ""), SSE4("mul", ""),
    {"cvtps2pd Vx,Wq", "cvtpd2ps Vx,Wx", "cvtss2sd Vx,Wd", "cvtsd2ss Vx,Wq"},
    {"cvtdq2ps Vx,Wx", "cvtps2dq Vx,Wx", "cvttps2dq Vx,Wx", nullptr},
    SSE4("sub", ""), SSE4("min", ""), SSE4("div", ""), SSE4("max", ""),
    // 60
    {"punpcklbw Pq,Qd", "punpcklbw Vx,Wx", nullptr, nullptr}, {"punpcklwd Pq,Qd", "punpcklwd Vx,Wx", nullptr, nullptr},
    {"punpckldq Pq,Qd", "punpckldq Vx,Wx", nullptr, nullptr}, MMX("packsswb"),
    MMX("pcmpgtb"), MMX("pcmpgtw"), MMX("pcmpgtd"), MMX("packuswb"),
    MMX("punpckhbw"), MMX("punpckhwd"), MMX("punpckhdq"), MMX("packssdw"),
    {nullptr, "punpcklqdq Vx,Wx", nullptr, nullptr}, {nullptr, "punpckhqdq Vx,Wx", nullptr, nullptr},
    {"movd Pq,Ey", "movd Vx,Ey", nullptr, nullptr},
    {"movq Pq,Qq", "movdqa Vx,Wx", "movdqu Vx,Wx", nullptr},
    // 70
    {"pshufw Pq,Qq,Ib", "pshufd Vx,Wx,Ib", "pshufhw Vx,Wx,Ib", "pshuflw Vx,Wx,Ib"},
    {"#shift", "#shift", nullptr, nullptr}, {"#shift", "#shift", nullptr, nullptr}, {"#shift", "#shift", nullptr, nullptr},
    MMX("pcmpeqb"), MMX("pcmpeqw"), MMX("pcmpeqd"), PLAIN("emms"),
    NONE, NONE, NONE, NONE,
    {nullptr, "haddpd Vx,Wx", nullptr, "haddps Vx,Wx"}, {nullptr, "hsubpd Vx,Wx", nullptr, "hsubps Vx,Wx"},
    {"movd Ey,Pq", "movd Ey,Vx", "movq Vx,Wq", nullptr},
    {"movq Qq,Pq", "movdqa Wx,Vx", "movdqu Wx,Vx", nullptr},
    // 80
    PLAIN("#jcc"), PLAIN("#jcc"), PLAIN("#jcc"), PLAIN("#jcc"), PLAIN("#jcc"), PLAIN("#jcc"), PLAIN("#jcc"), PLAIN("#jcc"),
    PLAIN("#jcc"), PLAIN("#jcc"), PLAIN("#jcc"), PLAIN("#jcc"), PLAIN("#jcc"), PLAIN("#jcc"), PLAIN("#jcc"), PLAIN("#jcc"),
    // 90
    CC("set Eb"), CC("set Eb"), CC("set Eb"), CC("set Eb"), CC("set Eb"), CC("set Eb"), CC("set Eb"), CC("set Eb"),
    CC("set Eb"), CC("set Eb"), CC("set Eb"), CC("set Eb"), CC("set Eb"), CC("set Eb"), CC("set Eb"), CC("set Eb"),
    // A0
    PLAIN("push fs"), PLAIN("pop fs"), PLAIN("cpuid"), PLAIN("*bt Ev,Gv"), PLAIN("*shld Ev,Gv,Ib"), PLAIN("*shld Ev,Gv,cl"), NONE, NONE,
    PLAIN("push gs"), PLAIN("pop gs"), PLAIN("rsm"), PLAIN("*bts Ev,Gv"), PLAIN("*shrd Ev,Gv,Ib"), PLAIN("*shrd Ev,Gv,cl"), PLAIN("#0fae"), PLAIN("*imul Gv,Ev"),
    // B0
    PLAIN("*cmpxchg Eb,Gb"), PLAIN("*cmpxchg Ev,Gv"), PLAIN("*lss Gv,Mp"), PLAIN("*btr Ev,Gv"), PLAIN("*lfs Gv,Mp"), PLAIN("*lgs Gv,Mp"), PLAIN("*movzx Gv,Eb"), PLAIN("*movzx Gv,Ew"),
    {nullptr, nullptr, "popcnt Gv,Ev", nullptr}, PLAIN("ud1 Gv,Ev"), PLAIN("#0fba"), PLAIN("*btc Ev,Gv"),
    {"bsf Gv,Ev", "bsf Gv,Ev", "tzcnt Gv,Ev", nullptr}, {"bsr Gv,Ev", "bsr Gv,Ev", "lzcnt Gv,Ev", nullptr},
    PLAIN("*movsx Gv,Eb"), PLAIN("*movsx Gv,Ew"),
    // C0
    PLAIN("*xadd Eb,Gb"), PLAIN("*xadd Ev,Gv"),
    {"cmpps Vx,Wx,Ib", "cmppd Vx,Wx,Ib", "cmpss Vx,Wd,Ib", "cmpsd Vx,Wq,Ib"},
    PLAIN("movnti My,Gy"),
    {"pinsrw Pq,Rw,Ib", "pinsrw Vx,Rw,Ib", nullptr, nullptr},
    {"pextrw Gd,Nq,Ib", "pextrw Gd,Ux,Ib", nullptr, nullptr},
    {"shufps Vx,Wx,Ib", "shufpd Vx,Wx,Ib", nullptr, nullptr},
    PLAIN("#0fc7"),
    PLAIN("*bswap Zy"), PLAIN("*bswap Zy"), PLAIN("*bswap Zy"), PLAIN("*bswap Zy"), PLAIN("*bswap Zy"), PLAIN("*bswap Zy"), PLAIN("*bswap Zy"), PLAIN("*bswap Zy"),
    // D0
    {nullptr, "addsubpd Vx,Wx", nullptr, "addsubps Vx,Wx"}, MMX("psrlw"), MMX("psrld"), MMX("psrlq"),
    MMX("paddq"), MMX("pmullw"), {nullptr, "movq Wq,Vx", "movq2dq Vx,Nq", "movdq2q Pq,Ux"},
    {"pmovmskb Gd,Nq", "pmovmskb Gd,Ux", nullptr, nullptr},
    MMX("psubusb"), MMX("psubusw"), MMX("pminub"), MMX("pand"), MMX("paddusb"), MMX("paddusw"), MMX("pmaxub"), MMX("pandn"),
    // E0
    MMX("pavgb"), MMX("psraw"), MMX("psrad"), MMX("pavgw"), MMX("pmulhuw"), MMX("pmulhw"),
    {nullptr, "cvttpd2dq Vx,Wx", "cvtdq2pd Vx,Wq", "cvtpd2dq Vx,Wx"},
    {"movntq Mq,Pq", "movntdq Mx,Vx", nullptr, nullptr},
    MMX("psubsb"), MMX("psubsw"), MMX("pminsw"), MMX("por"), MMX("paddsb"), MMX("paddsw"), MMX("pmaxsw"), MMX("pxor"),
    // F0
    {nullptr, nullptr, nullptr, "lddqu Vx,Mx"}, MMX("psllw"), MMX("pslld"), MMX("psllq"),
    MMX("pmuludq"), MMX("pmaddwd"), MMX("psadbw"), {"maskmovq Pq,Nq", "maskmovdqu Vx,Ux", nullptr, nullptr},
    MMX("psubb"), MMX("psubw"), MMX("psubd"), MMX("psubq"), MMX("paddb"), MMX("paddw"), MMX("paddd"), NONE,
};

}  // namespace edisasm
