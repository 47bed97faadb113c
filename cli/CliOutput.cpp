#include "cli/CliOutput.h"

#include "base/SystemError.h"

#include <cerrno>
#include <cstdio>

namespace {

// Writes and flushes; 0, or the errno of the failure.
int WriteAll(FILE* stream, QByteArrayView bytes) {
    errno = 0;
    const bool written = bytes.isEmpty() || std::fwrite(bytes.data(), 1, size_t(bytes.size()),
                                                        stream) == size_t(bytes.size());
    if (std::fflush(stream) == 0 && written)
        return 0;
    return errno != 0 ? errno : EIO;
}

} // namespace

void TStdioOutput::Out(QByteArrayView bytes) {
    const int error = WriteAll(stdout, bytes);
    if (error != 0 && outFailure_.isEmpty())
        outFailure_ = SystemErrorText(error);
}

void TStdioOutput::Err(QByteArrayView bytes) {
    WriteAll(stderr, bytes); // nowhere left to say it
}

void ReportError(ICliOutput& output, const QString& message) {
    output.Err(QByteArray("rx47-cli: ") + message.toLocal8Bit() + '\n');
}

QString OutFailureMessage(const QString& reason) {
    return QStringLiteral("standard output: %1").arg(reason);
}
