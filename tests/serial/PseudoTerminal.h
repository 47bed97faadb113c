#pragma once
// A pseudo-terminal pair for driving the serial port driver without hardware: the driver opens
// the slave side by its path, the test writes to and reads from the master side. The test keeps a
// slave descriptor of its own, to read the line settings back and to see when bytes wait.
// No <termios.h> here: its speed macros (B2400, B9600) clash with the window's check boxes.

#include <QByteArray>
#include <QtCore/qtestsupport_core.h>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

struct TPseudoTerminal {
    int master = -1;
    int slave = -1;
    QByteArray slavePath;

    TPseudoTerminal() {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
            return;
        const char* name = ptsname(master);
        if (!name)
            return;
        slavePath = name;
        slave = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
    }
    ~TPseudoTerminal() {
        if (slave >= 0)
            ::close(slave);
        if (master >= 0)
            ::close(master);
    }
    TPseudoTerminal(const TPseudoTerminal&) = delete;
    TPseudoTerminal& operator=(const TPseudoTerminal&) = delete;

    bool Ok() const { return master >= 0 && slave >= 0; }

    // What the meter sends: bytes arriving at the driver's side.
    bool Send(const QByteArray& bytes) const {
        return ::write(master, bytes.constData(), size_t(bytes.size())) == bytes.size();
    }

    // Whether bytes wait on the slave side, unread, within the timeout.
    bool WaitPending(int timeoutMs = 10000) const {
        pollfd p{slave, POLLIN, 0};
        return ::poll(&p, 1, timeoutMs) == 1 && (p.revents & POLLIN);
    }
};

// Spins the event loop (the driver polls on it) until the condition holds; generous on a loaded
// machine.
template <class Condition> bool WaitUntil(Condition condition, int timeoutMs = 10000) {
    return QTest::qWaitFor(condition, timeoutMs);
}
