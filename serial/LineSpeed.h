#pragma once
// Line speeds that POSIX termios has no constant for (14400, 56000 bits per second) go through
// Linux's arbitrary-rate terminal interface. Kept apart because its kernel header cannot be
// included beside <termios.h>.

#include <cstdint>

// Sets both directions of the open terminal to the rate; false when the terminal refuses it.
bool SetArbitraryLineSpeed(int fd, int32_t bitsPerSecond);
// The output rate the terminal runs at in bits per second, or -1.
int32_t ReadLineSpeed(int fd);
