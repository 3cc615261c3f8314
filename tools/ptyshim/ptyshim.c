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
 * A test can make the line refuse calls, as a failing device does: when the environment
 * names a control file in ZV_PTYSHIM_CONTROL, every refusable request on a pty slave first
 * reads that file, and a word in it refuses a group of requests with EIO:
 *   settings  the line settings (tcsetattr), so SetCommState fails;
 *   modem     the modem-status requests above, as on a pty without this shim (event waits
 *             then end at once with an error).
 * A missing or empty file refuses nothing; the file is read again at every request, so a
 * test may change it at any time.
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

#define TCSETS 0x5402 /* TCSETSW and TCSETSF follow */
#define EIO 5
#define EINVAL 22

#if defined(__x86_64__)
#define SYS_read 0
#define SYS_open 2
#define SYS_close 3
#define SYS_ioctl 16
#define SYS_readlink 89
static long raw_syscall3(long number, long a, long b, long c)
{
    long result;
    __asm__ volatile("syscall" : "=a"(result) : "a"(number), "D"(a), "S"(b), "d"(c) : "rcx", "r11", "memory");
    return result;
}
#elif defined(__i386__)
#define SYS_read 3
#define SYS_open 5
#define SYS_close 6
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

/* Reads up to size - 1 bytes of a file into buffer, zero-terminated; the count, or -1. */
static long read_file(const char *path, char *buffer, long size)
{
    long fd = raw_syscall3(SYS_open, (long)path, 0 /* O_RDONLY */, 0);
    if (fd < 0) return -1;
    long total = 0;
    while (total < size - 1) {
        long got = raw_syscall3(SYS_read, fd, (long)(buffer + total), size - 1 - total);
        if (got <= 0) break;
        total += got;
    }
    raw_syscall3(SYS_close, fd, 0, 0);
    buffer[total] = 0;
    return total;
}

/* The control file's path from the process's start-up environment; empty when none. Read
 * once: the environment of a running process does not change under /proc. Two threads
 * racing here compute the same result. */
static char control_path[512];
static int control_known;

static const char *control_file(void)
{
    static const char name[] = "ZV_PTYSHIM_CONTROL=";
    static char environment[65536];
    if (control_known) return control_path;
    long size = read_file("/proc/self/environ", environment, sizeof environment);
    for (long at = 0; size > 0 && at < size;) {
        const char *entry = environment + at;
        long length = 0;
        while (at + length < size && entry[length]) ++length;
        unsigned n = 0;
        while (n < sizeof name - 1 && n < (unsigned long)length && entry[n] == name[n]) ++n;
        if (n == sizeof name - 1 && length - n < (long)sizeof control_path) {
            for (long i = n; i < length; ++i) control_path[i - n] = entry[i];
            control_path[length - n] = 0;
            break;
        }
        at += length + 1;
    }
    control_known = 1;
    return control_path;
}

/* Whether the control file holds word (delimited by blanks or line ends). */
static int refused(const char *word)
{
    const char *path = control_file();
    if (!path[0]) return 0;
    char text[256];
    long size = read_file(path, text, sizeof text);
    for (long at = 0; at < size;) {
        while (at < size && text[at] <= ' ') ++at;
        long length = 0;
        while (at + length < size && text[at + length] > ' ') ++length;
        long i = 0;
        while (i < length && word[i] && word[i] == text[at + i]) ++i;
        if (length > 0 && i == length && !word[i]) return 1;
        at += length;
    }
    return 0;
}

static int fail(int error)
{
    *__errno_location() = error;
    return -1;
}

static int kernel_ioctl(int fd, unsigned long request, void *arg)
{
    long result = raw_syscall3(SYS_ioctl, fd, (long)request, (long)arg);
    if (result < 0 && result > -4096) return fail((int)-result);
    return (int)result;
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
        if (is_pty_slave(fd)) return refused("modem") ? fail(EIO) : answer(request, arg);
        break;
    default:
        break;
    }
    return kernel_ioctl(fd, request, arg);
}

/* The C library's termios: the kernel's layout (flags, line discipline, the first 19
 * control characters) followed by more control characters and the two speeds. */
struct kernel_termios {
    unsigned int iflag, oflag, cflag, lflag;
    unsigned char line;
    unsigned char cc[19];
};

/* Wine writes the line settings through tcsetattr, which the C library turns into a
 * TCSETS ioctl of its own (not through ioctl above). This does what it does, without the
 * C library, so the settings can be refused. */
__attribute__((visibility("default"))) int tcsetattr(int fd, int action, const void *termios)
{
    if (action < 0 || action > 2) return fail(EINVAL); /* TCSANOW, TCSADRAIN, TCSAFLUSH */
    if (is_pty_slave(fd) && refused("settings")) return fail(EIO);
    struct kernel_termios k;
    const unsigned char *from = termios;
    unsigned char *to = (unsigned char *)&k;
    for (unsigned i = 0; i < sizeof k; ++i) to[i] = from[i];
    /* The C library's private flag for "input speed 0: same as output" never reaches the
     * kernel. */
    k.iflag &= ~0x80000000u;
    return kernel_ioctl(fd, TCSETS + (unsigned long)action, &k);
}

/* The name i386 programs built with 64-bit time_t call (Debian's 32-bit Wine is one). */
__attribute__((visibility("default"))) int __ioctl_time64(int fd, unsigned long request, void *arg)
{
    return ioctl(fd, request, arg);
}
