#include "sim/SimReplayFile.h"

#include <QFile>

namespace {

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

} // namespace

TSimReplay ParseReplayText(const QByteArray& text) {
    TSimReplay replay;
    const QList<QByteArray> lines = text.split('\n');
    for (qsizetype n = 0; n < lines.size(); ++n) {
        const QByteArray line = lines[n].trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        QByteArray digits;
        for (const char c : line) {
            if (c == ' ' || c == '\t')
                continue;
            if (!IsHexDigit(c)) {
                replay.error = QStringLiteral("line %1: '%2' is not a hexadecimal digit")
                                   .arg(n + 1)
                                   .arg(QLatin1Char(c));
                replay.frames.clear();
                return replay;
            }
            digits.append(c);
        }
        if (digits.size() % 2 != 0) {
            replay.error = QStringLiteral("line %1: odd number of hexadecimal digits").arg(n + 1);
            replay.frames.clear();
            return replay;
        }
        replay.frames.push_back(QByteArray::fromHex(digits));
    }
    return replay;
}

TSimReplay LoadReplayFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        TSimReplay replay;
        replay.error = QStringLiteral("cannot open %1: %2").arg(path, file.errorString());
        return replay;
    }
    TSimReplay replay = ParseReplayText(file.readAll());
    if (!replay.error.isEmpty())
        replay.error = path + QStringLiteral(", ") + replay.error;
    return replay;
}
