#include "base/SystemError.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>

QString SystemErrorText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

QString NotRegularFileText() {
    return QStringLiteral("not a regular file");
}

QString NotReadableFileReason(const QString& path) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return SystemErrorText(errno);
    if (S_ISDIR(info.st_mode))
        return SystemErrorText(EISDIR);
    if (!S_ISREG(info.st_mode))
        return NotRegularFileText();
    return {};
}
