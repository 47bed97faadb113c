#include "serial/LineSpeed.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

bool SetArbitraryLineSpeed(int fd, int32_t bitsPerSecond) {
    struct termios2 settings {};
    if (ioctl(fd, TCGETS2, &settings) != 0)
        return false;
    settings.c_cflag &= ~tcflag_t(CBAUD | (CBAUD << IBSHIFT));
    settings.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    settings.c_ispeed = speed_t(bitsPerSecond);
    settings.c_ospeed = speed_t(bitsPerSecond);
    return ioctl(fd, TCSETS2, &settings) == 0;
}

int32_t ReadLineSpeed(int fd) {
    struct termios2 settings {};
    if (ioctl(fd, TCGETS2, &settings) != 0)
        return -1;
    return int32_t(settings.c_ospeed);
}
