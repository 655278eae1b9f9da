// Kept apart from every other file: the kernel's termios2 header clashes with the C library's.
#include "sim/PortSpeed.h"

#include <asm/ioctls.h>
#include <asm/termbits.h>

extern "C" int ioctl(int fd, unsigned long request, ...);

int PortBaudRate(int fd) {
    struct termios2 settings {};
    if (ioctl(fd, TCGETS2, &settings) != 0)
        return 0;
    return int(settings.c_ospeed);
}
