#include "cli/InterruptWatcher.h"

#include <QSocketNotifier>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

volatile sig_atomic_t gWriteFd = -1;

extern "C" void OnInterrupt(int signalNumber) {
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    if (gWriteFd >= 0) {
        const ssize_t written = ::write(gWriteFd, &byte, 1);
        static_cast<void>(written); // a full pipe already holds a wake-up
    }
    errno = savedErrno;
}

} // namespace

TInterruptWatcher::TInterruptWatcher(QObject* parent) : QObject(parent) {
    if (gWriteFd >= 0 || ::pipe2(fds_, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    gWriteFd = fds_[1];
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, &oldInt_);
    sigaction(SIGTERM, &action, &oldTerm_);
    sigaction(SIGHUP, &action, &oldHup_);
    notifier_ = new QSocketNotifier(fds_[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TInterruptWatcher::Drain);
}

TInterruptWatcher::~TInterruptWatcher() {
    if (fds_[0] < 0)
        return;
    if (notifier_) {
        sigaction(SIGINT, &oldInt_, nullptr);
        sigaction(SIGTERM, &oldTerm_, nullptr);
        sigaction(SIGHUP, &oldHup_, nullptr);
        gWriteFd = -1;
        delete notifier_;
    }
    ::close(fds_[0]);
    ::close(fds_[1]);
}

void TInterruptWatcher::Drain() {
    unsigned char bytes[16];
    ssize_t count = 0;
    int last = 0;
    while ((count = ::read(fds_[0], bytes, sizeof bytes)) > 0)
        last = bytes[count - 1];
    if (last != 0)
        emit Interrupted(last);
}
