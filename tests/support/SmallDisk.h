#pragma once
// A real full disk for tests: a 64 KiB tmpfs mounted on a temporary folder. Mounting needs root
// (tests run as root in CI); elsewhere Reason() says why there is none and the test skips.

#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <cerrno>
#include <cstring>
#include <sys/mount.h>

class TSmallDisk {
public:
    TSmallDisk() {
        const QByteArray path = QFile::encodeName(dir_.path());
        if (::mount("tmpfs", path.constData(), "tmpfs", 0, "size=64k") == 0)
            mounted_ = true;
        else
            reason_ = QStringLiteral("cannot mount a 64 KiB tmpfs: %1")
                          .arg(QString::fromLocal8Bit(std::strerror(errno)));
    }
    ~TSmallDisk() {
        if (mounted_)
            ::umount2(QFile::encodeName(dir_.path()).constData(), MNT_DETACH);
    }
    TSmallDisk(const TSmallDisk&) = delete;
    TSmallDisk& operator=(const TSmallDisk&) = delete;

    bool Mounted() const { return mounted_; }
    const QString& Reason() const { return reason_; }
    QString Path(const QString& name) const { return dir_.filePath(name); }

    // Fills what room is left with a file of its own.
    void Fill() const {
        QFile filler(Path(QStringLiteral("filler")));
        if (!filler.open(QIODevice::WriteOnly))
            return;
        const QByteArray block(4096, 'f');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
        // The last partial block: byte by byte until the disk says no.
        while (filler.write("f", 1) == 1 && filler.flush()) {
        }
    }

private:
    QTemporaryDir dir_;
    bool mounted_ = false;
    QString reason_;
};
