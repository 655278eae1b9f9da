// Interposed under a child test run (LD_PRELOAD): the output queue of every terminal behaves as
// a UART's would. Bytes written are queued and leave at OHMARA_UART_BAUD (ten bit times each);
// with OHMARA_UART_STALL set they never leave. TIOCOUTQ reports what is queued, and tcdrain
// records how much was still queued when it was called. At exit one line goes to stderr:
// "uart: drains=N queued-at-drain=M".
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

static double g_queued; // bytes queued at g_since
static double g_since;  // seconds
static int g_drains;
static long g_queuedAtDrain;

static double Now(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec + (double)t.tv_nsec / 1e9;
}

static double Queued(void) {
    if (getenv("OHMARA_UART_STALL"))
        return g_queued;
    const char* baud = getenv("OHMARA_UART_BAUD");
    const double perSecond = (baud ? atof(baud) : 9600.0) / 10.0;
    const double left = g_queued - (Now() - g_since) * perSecond;
    return left > 0 ? left : 0;
}

static int IsTerminal(int fd) {
    struct termios t;
    return tcgetattr(fd, &t) == 0;
}

ssize_t write(int fd, const void* buffer, size_t count) {
    static ssize_t (*real)(int, const void*, size_t);
    if (!real)
        real = (ssize_t(*)(int, const void*, size_t))dlsym(RTLD_NEXT, "write");
    const ssize_t n = real(fd, buffer, count);
    if (n > 0 && fd > 2 && IsTerminal(fd)) {
        g_queued = Queued() + (double)n;
        g_since = Now();
    }
    return n;
}

int ioctl(int fd, unsigned long request, ...) {
    static int (*real)(int, unsigned long, ...);
    if (!real)
        real = (int (*)(int, unsigned long, ...))dlsym(RTLD_NEXT, "ioctl");
    va_list args;
    va_start(args, request);
    void* arg = va_arg(args, void*);
    va_end(args);
    if (request == TIOCOUTQ && fd > 2 && IsTerminal(fd)) {
        const double q = Queued();
        *(int*)arg = (int)(q + 0.999);
        return 0;
    }
    return real(fd, request, arg);
}

int tcdrain(int fd) {
    ++g_drains;
    g_queuedAtDrain += (long)(Queued() + 0.999);
    (void)fd;
    return 0;
}

__attribute__((destructor)) static void Report(void) {
    fprintf(stderr, "uart: drains=%d queued-at-drain=%ld\n", g_drains, g_queuedAtDrain);
}
