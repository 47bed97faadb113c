#include "sim/SimReplayFile.h"

#include "base/SystemError.h"

#include <QFile>

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// A byte as a message may show it: control bytes and bytes above ASCII escaped, never raw.
QString Shown(char c) {
    const auto byte = uint8_t(c);
    if (byte > 32 && byte < 127)
        return QString(QLatin1Char(c));
    return QStringLiteral("\\x%1").arg(byte, 2, 16, QLatin1Char('0'));
}

// Reads the text as it streams by, one byte at a time; keeps only the frame being read.
class TReplayParser {
public:
    explicit TReplayParser(TSimReplay& replay) : replay_(replay) {}

    // False once the text is refused (replay.error set).
    bool Feed(const char* data, qint64 size) {
        for (qint64 i = 0; i < size && replay_.error.isEmpty(); ++i)
            Take(data[i]);
        return replay_.error.isEmpty();
    }
    bool Finish() {
        if (replay_.error.isEmpty())
            EndLine();
        if (!replay_.error.isEmpty()) {
            replay_.frames.clear();
            return false;
        }
        replay_.frames.squeeze();
        return true;
    }

private:
    void Take(char c) {
        if (c == '\n') {
            EndLine();
            return;
        }
        if (comment_)
            return;
        if (IsBlank(c))
            return;
        if (c == '#' && atLineStart_) {
            comment_ = true;
            return;
        }
        atLineStart_ = false;
        const int value = HexValue(c);
        if (value < 0)
            return Fail(QStringLiteral("'%1' is not a hexadecimal digit").arg(Shown(c)));
        if (!highHalf_) {
            high_ = value;
            highHalf_ = true;
            return;
        }
        highHalf_ = false;
        if (frame_.size() >= kMaxReplayFrameBytes) {
            return Fail(
                QStringLiteral("longer than a frame can be (%1 bytes)").arg(kMaxReplayFrameBytes));
        }
        frame_.append(char(high_ * 16 + value));
    }

    void EndLine() {
        ++line_;
        if (highHalf_)
            return Fail(QStringLiteral("odd number of hexadecimal digits"), line_);
        if (!atLineStart_)
            replay_.frames.Add(frame_);
        frame_.clear();
        atLineStart_ = true;
        comment_ = false;
    }

    void Fail(const QString& why, qint64 line = -1) {
        replay_.error = QStringLiteral("line %1: %2").arg(line < 0 ? line_ + 1 : line).arg(why);
    }

    TSimReplay& replay_;
    QByteArray frame_;
    qint64 line_ = 0; // lines ended so far
    bool atLineStart_ = true;
    bool comment_ = false;
    bool highHalf_ = false;
    int high_ = 0;
};

} // namespace

TSimReplay ParseReplayText(const QByteArray& text) {
    TSimReplay replay;
    TReplayParser parser(replay);
    parser.Feed(text.constData(), text.size());
    parser.Finish();
    return replay;
}

TSimReplay LoadReplayFile(const QString& path) {
    TSimReplay replay;
    // A FIFO or a device (/dev/zero) could be read forever.
    QString problem = NotReadableFileReason(path);
    QFile file(path);
    if (problem.isEmpty() && !file.open(QIODevice::ReadOnly))
        problem = file.errorString();
    if (problem.isEmpty() && file.size() > kMaxReplayFileBytes)
        problem = QStringLiteral("larger than %1 MiB").arg(kMaxReplayFileBytes >> 20);
    if (!problem.isEmpty()) {
        replay.error = QStringLiteral("cannot open %1: %2").arg(path, problem);
        return replay;
    }
    TReplayParser parser(replay);
    QByteArray chunk(1 << 16, Qt::Uninitialized);
    for (;;) {
        const qint64 n = file.read(chunk.data(), chunk.size());
        if (n < 0) {
            replay.error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
            replay.frames.clear();
            return replay;
        }
        if (n == 0 || !parser.Feed(chunk.constData(), n))
            break;
    }
    if (!parser.Finish())
        replay.error = path + QStringLiteral(", ") + replay.error;
    return replay;
}
