#include "serial/LineSettings.h"

#include <iterator>

namespace {

struct TSpeedEntry {
    int32_t bitsPerSecond;
    speed_t constant; // 0: no termios constant
};

// Indexed by TComPortBaudRate.
constexpr TSpeedEntry kSpeeds[] = {
    {110, B110},   {300, B300},     {600, B600},       {1200, B1200},   {2400, B2400},
    {4800, B4800}, {9600, B9600},   {14400, 0},        {19200, B19200}, {38400, B38400},
    {56000, 0},    {57600, B57600}, {115200, B115200},
};
static_assert(std::size(kSpeeds) == br115200 + 1);

constexpr tcflag_t kDataBits[] = {CS5, CS6, CS7, CS8}; // indexed by TComPortDataBits

tcflag_t ParityFlags(TComPortParity parity) {
    switch (parity) {
    case ptNONE:
        return 0;
    case ptODD:
        return PARENB | PARODD;
    case ptEVEN:
        return PARENB;
    case ptMARK: // the bit is always 1
        return PARENB | CMSPAR | PARODD;
    case ptSPACE: // the bit is always 0
        return PARENB | CMSPAR;
    }
    return 0;
}

} // namespace

int32_t BaudRateValue(TComPortBaudRate speed) {
    return kSpeeds[speed].bitsPerSecond;
}

int32_t ComposeTermios(const TLineSettings& settings, termios& line) {
    line.c_iflag = 0;
    line.c_oflag = 0;
    line.c_lflag = 0;
    line.c_cflag = CREAD | CLOCAL | kDataBits[settings.dataBits] | ParityFlags(settings.parity);
    if (settings.stopBits != sb1BITS)
        line.c_cflag |= CSTOPB;
    if (settings.hwHandshaking == hhRTSCTS)
        line.c_cflag |= CRTSCTS;
    if (settings.swHandshaking == shXONXOFF) {
        line.c_iflag |= IXON | IXOFF;
        line.c_cc[VSTART] = 0x11;
        line.c_cc[VSTOP] = 0x13;
    }
    line.c_cc[VMIN] = 0;
    line.c_cc[VTIME] = 0;

    const TSpeedEntry& speed = kSpeeds[settings.speed];
    if (speed.constant == 0)
        return speed.bitsPerSecond;
    cfsetispeed(&line, speed.constant);
    cfsetospeed(&line, speed.constant);
    return 0;
}
