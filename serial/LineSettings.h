#pragma once
// The termios form of the driver's line settings. Pure: builds the structure, touches no port.
// Include it only where needed: <termios.h> defines speed macros (B2400...) that clash with the
// window's control names.

#include "serial/CommDriver.h"

#include <termios.h>

struct TLineSettings {
    TComPortBaudRate speed = br9600;
    TComPortDataBits dataBits = db8BITS;
    TComPortStopBits stopBits = sb1BITS;
    TComPortParity parity = ptNONE;
    TComPortHwHandshaking hwHandshaking = hhNONE;
    TComPortSwHandshaking swHandshaking = shNONE;
};

// Rewrites line (as read from the terminal) for the settings: a raw binary line whose reads
// return at once with what has arrived. Parity is generated but not checked; mark and space are
// stick parity (CMSPAR). 1.5 stop bits has no POSIX setting and becomes 2 (CSTOPB; a UART sends
// 1.5 at 5 data bits). XON/XOFF uses DC1 and DC3. Returns 0 when a termios speed constant was
// set, otherwise the bits per second to set through the arbitrary-rate interface.
int32_t ComposeTermios(const TLineSettings& settings, termios& line);
