/* Makes a pseudo-terminal look like a serial port with a modem attached.
 *
 * Wine's serial code asks the line for its modem status (TIOCMGET), sets DTR and RTS
 * (TIOCMSET, TIOCMBIS, TIOCMBIC) and counts line events (TIOCGICOUNT) while it waits
 * for communication events. A pty refuses all of these, so EscapeCommFunction and
 * GetCommModemStatus fail and WaitCommEvent ends at once with an error (or, in the
 * emulated 32-bit Wine, never ends). Preloaded into the Wine process, this library
 * answers them for pty slaves only: the input lines (CTS, DSR, DCD) read as asserted,
 * the output lines (DTR, RTS) keep what was set, and the event counters stay at zero.
 * Every other request goes to the kernel unchanged.
 *
 * The library has no dependencies at all: it makes its system calls itself. The 32-bit
 * Wine starts through its own preloader under CPU emulation, where a preloaded library
 * that pulls in the C library trips the dynamic loader. Built twice, for x86_64 and i386.
 */

#define TIOCMGET 0x5415
#define TIOCMBIS 0x5416
#define TIOCMBIC 0x5417
#define TIOCMSET 0x5418
#define TIOCGICOUNT 0x545D
#define TIOCM_DTR 0x002
#define TIOCM_RTS 0x004
#define TIOCM_CTS 0x020
#define TIOCM_CD 0x040
#define TIOCM_DSR 0x100
#define ICOUNTER_BYTES 80 /* struct serial_icounter_struct */

#if defined(__x86_64__)
#define SYS_ioctl 16
#define SYS_readlink 89
static long raw_syscall3(long number, long a, long b, long c)
{
    long result;
    __asm__ volatile("syscall" : "=a"(result) : "a"(number), "D"(a), "S"(b), "d"(c) : "rcx", "r11", "memory");
    return result;
}
#elif defined(__i386__)
#define SYS_ioctl 54
#define SYS_readlink 85
static long raw_syscall3(long number, long a, long b, long c)
{
    long result;
    __asm__ volatile("int $0x80" : "=a"(result) : "a"(number), "b"(a), "c"(b), "d"(c) : "memory");
    return result;
}
#else
#error "ptyshim supports x86_64 and i386 only"
#endif

int *__errno_location(void); /* from the C library the host process already has */

/* A pty slave is a link to /dev/pts/N in /proc/self/fd. */
static int is_pty_slave(int fd)
{
    char path[32] = "/proc/self/fd/";
    char digits[12];
    int length = 14, count = 0;
    unsigned value = (unsigned)fd;
    do {
        digits[count++] = (char)('0' + value % 10);
        value /= 10;
    } while (value);
    while (count) path[length++] = digits[--count];
    path[length] = 0;

    static const char prefix[] = "/dev/pts/";
    char target[64];
    long size = raw_syscall3(SYS_readlink, (long)path, (long)target, sizeof target - 1);
    if (size < (long)sizeof prefix - 1) return 0;
    for (unsigned i = 0; i < sizeof prefix - 1; ++i)
        if (target[i] != prefix[i]) return 0;
    return 1;
}

/* DTR and RTS as last set; shared by every pty of the process, which is enough for a
 * program that drives one port at a time. */
static int output_lines = TIOCM_DTR | TIOCM_RTS;

static int answer(unsigned long request, void *arg)
{
    const int settable = TIOCM_DTR | TIOCM_RTS;
    switch (request) {
    case TIOCMGET:
        *(int *)arg = output_lines | TIOCM_CTS | TIOCM_DSR | TIOCM_CD;
        break;
    case TIOCMSET:
        output_lines = *(const int *)arg & settable;
        break;
    case TIOCMBIS:
        output_lines |= *(const int *)arg & settable;
        break;
    case TIOCMBIC:
        output_lines &= ~(*(const int *)arg & settable);
        break;
    default: /* TIOCGICOUNT */
        for (int i = 0; i < ICOUNTER_BYTES; ++i) ((char *)arg)[i] = 0;
        break;
    }
    return 0;
}

__attribute__((visibility("default"))) int ioctl(int fd, unsigned long request, void *arg)
{
    switch (request) {
    case TIOCMGET:
    case TIOCMSET:
    case TIOCMBIS:
    case TIOCMBIC:
    case TIOCGICOUNT:
        if (is_pty_slave(fd)) return answer(request, arg);
        break;
    default:
        break;
    }
    long result = raw_syscall3(SYS_ioctl, fd, (long)request, (long)arg);
    if (result < 0 && result > -4096) {
        *__errno_location() = (int)-result;
        return -1;
    }
    return (int)result;
}

/* The name i386 programs built with 64-bit time_t call (Debian's 32-bit Wine is one). */
__attribute__((visibility("default"))) int __ioctl_time64(int fd, unsigned long request, void *arg)
{
    return ioctl(fd, request, arg);
}
