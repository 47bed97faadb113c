#include "cli/CliOutput.h"

#include <cstdio>
#include <unistd.h>

namespace {

void WriteAll(FILE* stream, QByteArrayView bytes) {
    if (!bytes.isEmpty())
        std::fwrite(bytes.data(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

} // namespace

void TStdioOutput::Out(QByteArrayView bytes) {
    WriteAll(stdout, bytes);
}

void TStdioOutput::Err(QByteArrayView bytes) {
    WriteAll(stderr, bytes);
}

bool TStdioOutput::ErrIsTerminal() const {
    return isatty(fileno(stderr)) == 1;
}

void ReportError(ICliOutput& output, const QString& message) {
    output.Err(QByteArray("rx47-cli: ") + message.toLocal8Bit() + '\n');
}
