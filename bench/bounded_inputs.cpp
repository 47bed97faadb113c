// What hostile inputs cost: the memory a replay file takes per byte of file, and the time to
// refuse a 20 GB sparse text file and a replay line far longer than any frame. Goals: replay memory
// within 3 times the file size even for one-byte frames, each refusal well under a second.

#include "records/DataFiles.h"
#include "records/RecordTable.h"
#include "sim/SimReplayFile.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>

namespace {

// Resident memory of this process in bytes, from /proc/self/status.
qint64 ResidentBytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong() * 1024;
    }
    return -1;
}

void WriteFile(const QString& path, const QByteArray& line, qint64 bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return;
    QByteArray block;
    while (block.size() < (1 << 20))
        block += line;
    for (qint64 written = 0; written < bytes; written += block.size())
        file.write(block);
}

void ReplayMemory(const QTemporaryDir& dir, const char* name, const QByteArray& line) {
    const QString path = dir.filePath(QString::fromLatin1(name));
    WriteFile(path, line, 30 << 20);
    const qint64 size = QFile(path).size();
    const qint64 before = ResidentBytes();
    QElapsedTimer clock;
    clock.start();
    const TSimReplay replay = LoadReplayFile(path);
    const qint64 ms = clock.elapsed();
    const qint64 after = ResidentBytes();
    std::printf("replay %-14s %6.1f MB file, %9zu frames, %6.1f MB held (%.2f x the file), "
                "%lld ms\n",
                name, double(size) / 1e6, replay.frames.size(), double(after - before) / 1e6,
                double(after - before) / double(size), static_cast<long long>(ms));
}

} // namespace

int main() {
    QTemporaryDir dir;
    ReplayMemory(dir, "blank-lines", "\n");
    ReplayMemory(dir, "short-frames", "00\n");
    ReplayMemory(dir, "logger-frames", "02343533323334313030303030303005 3B0D0A\n");

    const QString sparse = dir.filePath(QStringLiteral("sparse.txt"));
    {
        QFile file(sparse);
        file.open(QIODevice::WriteOnly);
        file.write("No\tTime\t%RH\tTemp\tUnit\r\n");
        file.resize(qint64(20) << 30);
    }
    QElapsedTimer clock;
    clock.start();
    TRecordTable table;
    const TLoadOutcome loaded = LoadTableFromFile(sparse, table);
    std::printf("20 GB sparse text file: read %s, %lld records, in %lld ms\n",
                loaded.ok ? "up to its first zero byte" : "refused",
                static_cast<long long>(loaded.recordsRead),
                static_cast<long long>(clock.elapsed()));

    const QString longLine = dir.filePath(QStringLiteral("long-line.hex"));
    WriteFile(longLine, QByteArray(100000, 'A') + '\n', 1);
    clock.restart();
    const TSimReplay refused = LoadReplayFile(longLine);
    std::printf("replay line of a 100 KB frame: %s in %lld ms\n",
                refused.error.isEmpty() ? "ACCEPTED" : "refused",
                static_cast<long long>(clock.elapsed()));
    return 0;
}
