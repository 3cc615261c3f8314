/* Makes a pseudo-terminal look like a serial port with a modem attached.
 *
 * Wine's serial code asks the line for its modem status (TIOCMGET), sets DTR and RTS
 * (TIOCMSET, TIOCMBIS, TIOCMBIC) and counts line events (TIOCGICOUNT) while it waits
 * for communication events. A pty refuses all of these, so EscapeCommFunction and
 * GetCommModemStatus fail and WaitCommEvent ends at once with an error. Preloaded into
 * the Wine process, this library answers them for pty slaves only: the input lines
 * (CTS, DSR, DCD) read as asserted, the output lines (DTR, RTS) keep what was set, and
 * the event counters stay at zero. Every other call goes to the C library unchanged.
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <linux/serial.h>
#include <stdarg.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

typedef int (*ioctl_fn)(int, unsigned long, ...);

/* UNIX98 pty slaves use majors 136 to 143. */
static int is_pty_slave(int fd)
{
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode)) return 0;
    unsigned int major_number = major(st.st_rdev);
    return major_number >= 136 && major_number <= 143;
}

/* DTR and RTS as last set; shared by every pty of the process, which is enough for a
 * test that drives one port at a time. */
static int output_lines = TIOCM_DTR | TIOCM_RTS;
static const int input_lines = TIOCM_CTS | TIOCM_DSR | TIOCM_CD;

int ioctl(int fd, unsigned long request, ...)
{
    static ioctl_fn real_ioctl;
    va_list ap;
    va_start(ap, request);
    void *arg = va_arg(ap, void *);
    va_end(ap);

    if (!real_ioctl) real_ioctl = (ioctl_fn)dlsym(RTLD_NEXT, "ioctl");

    switch (request) {
    case TIOCMGET:
    case TIOCMSET:
    case TIOCMBIS:
    case TIOCMBIC:
    case TIOCGICOUNT:
        if (!is_pty_slave(fd)) break;
        switch (request) {
        case TIOCMGET:
            *(int *)arg = output_lines | input_lines;
            return 0;
        case TIOCMSET:
            output_lines = *(const int *)arg & (TIOCM_DTR | TIOCM_RTS);
            return 0;
        case TIOCMBIS:
            output_lines |= *(const int *)arg & (TIOCM_DTR | TIOCM_RTS);
            return 0;
        case TIOCMBIC:
            output_lines &= ~(*(const int *)arg & (TIOCM_DTR | TIOCM_RTS));
            return 0;
        case TIOCGICOUNT:
            memset(arg, 0, sizeof(struct serial_icounter_struct));
            return 0;
        }
        break;
    default:
        break;
    }
    return real_ioctl(fd, request, arg);
}
