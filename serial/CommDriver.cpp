#include "serial/CommDriver.h"

#include "serial/LineSettings.h"
#include "serial/LineSpeed.h"

#include <QTimer>
#include <QtGlobal>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

void SetModemLine(int fd, int line, bool on) {
    // Pseudo-terminals have no modem lines; the failure is ignored like every other
    // configuration failure.
    int bits = line;
    (void)ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &bits);
}

} // namespace

QByteArray ComPortName(TComPortNumber port) {
    return "COM" + QByteArray::number(int(port) + 1);
}

QByteArray DefaultComPortPath(TComPortNumber port) {
    const QByteArray redirected = qgetenv("RX47_" + ComPortName(port));
    if (!redirected.isEmpty())
        return redirected;
    return "/dev/ttyS" + QByteArray::number(int(port));
}

TModemLineRequest ModemLinesFor(bool enableDtrOnOpen, TComPortHwHandshaking handshaking) {
    TModemLineRequest request;
    request.dtr = enableDtrOnOpen;
    request.setRts = handshaking != hhRTSCTS;
    request.rts = false;
    return request;
}

TCommPortDriver::TCommPortDriver(QObject* owner) : QObject(owner), buffer_(inBufSize_) {
    pollTimer_ = new QTimer(this);
    pollTimer_->setTimerType(Qt::PreciseTimer);
    connect(pollTimer_, &QTimer::timeout, this, &TCommPortDriver::PollReceive);
}

TCommPortDriver::~TCommPortDriver() {
    Disconnect();
}

bool TCommPortDriver::Connect() {
    if (Connected())
        return true;
    connectError_.clear();
    const QByteArray path = resolver_ ? resolver_(comPort_) : DefaultComPortPath(comPort_);
    if (path.isEmpty()) {
        connectError_ = QStringLiteral("no device is assigned to %1")
                            .arg(QString::fromLatin1(ComPortName(comPort_)));
        return false;
    }
    const QString where = QStringLiteral(" (%1)").arg(QString::fromLocal8Bit(path));
    // O_NONBLOCK: the open does not wait for carrier, and reads return at once with what has
    // arrived. No O_CREAT: only an existing device opens.
    const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        connectError_ = QString::fromLocal8Bit(std::strerror(errno)) + where;
        return false;
    }
    // Not shared: a port another program holds (by lock or by exclusive mode) counts as busy,
    // and the exclusive mode keeps later opens out. A path that is no terminal is no port.
    if (!isatty(fd)) {
        ::close(fd);
        connectError_ = QStringLiteral("not a serial port") + where;
        return false;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0 || ioctl(fd, TIOCEXCL) != 0) {
        ::close(fd);
        connectError_ = QStringLiteral("the port is in use by another program") + where;
        return false;
    }
    fd_ = fd;
    ApplySettings();
    pollTimer_->start(pollingDelay_);
    return true;
}

void TCommPortDriver::Disconnect() {
    if (!Connected())
        return;
    pollTimer_->stop();
    (void)ioctl(fd_, TIOCNXCL);
    ::close(fd_); // also drops the lock
    fd_ = -1;
}

void TCommPortDriver::PurgeBuffers(bool input, bool output) {
    if (!Connected() || (!input && !output))
        return;
    (void)tcflush(fd_, input && output ? TCIOFLUSH : input ? TCIFLUSH : TCOFLUSH);
}

void TCommPortDriver::ApplySettings() {
    if (!Connected())
        return;
    // Failures of the configuration calls are ignored: the port stays connected.
    termios line{};
    if (tcgetattr(fd_, &line) == 0) {
        TLineSettings settings;
        settings.speed = speed_;
        settings.dataBits = dataBits_;
        settings.stopBits = stopBits_;
        settings.parity = parity_;
        settings.hwHandshaking = hwHandshaking_;
        settings.swHandshaking = swHandshaking_;
        const int32_t arbitrarySpeed = ComposeTermios(settings, line);
        (void)tcsetattr(fd_, TCSANOW, &line);
        if (arbitrarySpeed != 0)
            (void)SetArbitraryLineSpeed(fd_, arbitrarySpeed);
    }

    const TModemLineRequest lines = ModemLinesFor(enableDtrOnOpen_, hwHandshaking_);
    SetModemLine(fd_, TIOCM_DTR, lines.dtr);
    if (lines.setRts)
        SetModemLine(fd_, TIOCM_RTS, lines.rts);

    PurgeBuffers(true, true);
    // The terminal driver sizes its own queues; the receive buffer here is ComPortInBufSize.
}

void TCommPortDriver::PollReceive() {
    // A handler that runs an event loop (a modal message box) would otherwise let the next tick
    // overwrite the batch it is still looking at; the skipped bytes wait in the port's queue.
    if (!Connected() || delivering_)
        return;
    ssize_t count;
    do {
        count = ::read(fd_, buffer_.data(), buffer_.size());
    } while (count < 0 && errno == EINTR);
    // A failed read, or a port hung up (its reads then end at once with nothing, as a read of a
    // quiet port does, so the hang-up is asked for): the port is gone or broken, and polling it
    // on would fail forever without a word.
    int failure = count < 0 && errno != EAGAIN && errno != EWOULDBLOCK ? errno : 0;
    if (count == 0) {
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, 0) == 1 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)))
            failure = EIO;
    }
    if (failure != 0) {
        const QString reason = qt_error_string(failure);
        Disconnect();
        if (const TComPortReadErrorEvent handler = onReadError_)
            handler(this, reason);
        return;
    }
    if (count <= 0 || !onReceiveData_)
        return;
    delivering_ = true;
    struct TResetFlag {
        bool& flag;
        ~TResetFlag() { flag = false; }
    } reset{delivering_};
    // A copy keeps the handler alive should it replace OnReceiveData while it runs.
    const TComPortReceiveDataEvent handler = onReceiveData_;
    handler(this, buffer_.data(), int32_t(count));
}

void TCommPortDriver::SetComPort(TComPortNumber value) {
    if (!Connected())
        comPort_ = value;
}

// Line settings: applied at once while connected (ApplySettings does nothing otherwise).
void TCommPortDriver::SetComPortSpeed(TComPortBaudRate value) {
    speed_ = value;
    ApplySettings();
}

void TCommPortDriver::SetComPortDataBits(TComPortDataBits value) {
    dataBits_ = value;
    ApplySettings();
}

void TCommPortDriver::SetComPortStopBits(TComPortStopBits value) {
    stopBits_ = value;
    ApplySettings();
}

void TCommPortDriver::SetComPortParity(TComPortParity value) {
    parity_ = value;
    ApplySettings();
}

void TCommPortDriver::SetComPortHwHandshaking(TComPortHwHandshaking value) {
    hwHandshaking_ = value;
    ApplySettings();
}

void TCommPortDriver::SetComPortSwHandshaking(TComPortSwHandshaking value) {
    swHandshaking_ = value;
    ApplySettings();
}

void TCommPortDriver::SetComPortInBufSize(uint16_t value) {
    if (Connected())
        return;
    inBufSize_ = value;
    std::vector<uint8_t>(value).swap(buffer_);
}

void TCommPortDriver::SetComPortOutBufSize(uint16_t value) {
    outBufSize_ = value;
}

void TCommPortDriver::SetComPortPollingDelay(uint16_t value) {
    if (value == pollingDelay_)
        return;
    const bool running = pollTimer_->isActive();
    pollTimer_->stop();
    pollingDelay_ = value;
    if (running)
        pollTimer_->start(pollingDelay_);
}
