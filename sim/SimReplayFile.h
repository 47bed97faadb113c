#pragma once
// A file of recorded logger frames for the simulated logger to replay: one frame per line as
// hexadecimal digits, bytes optionally separated by blanks ("02 34 35 33 …" or "023435…").
// Empty lines and lines starting with '#' are skipped. The file is read as it streams by, and a
// line longer than any frame the link could take is refused at once, so neither a huge file nor a
// huge line costs more than the frames it holds.

#include "sim/ReplayFrames.h"

#include <QByteArray>
#include <QString>

// The most bytes a replayed frame may hold: what the link keeps of one frame (a logger's has 19).
inline constexpr int kMaxReplayFrameBytes = 64;
// The largest replay file read.
inline constexpr qint64 kMaxReplayFileBytes = qint64(1) << 30;

struct TSimReplay {
    TReplayFrames frames;
    QString error; // empty when the whole file was read
};

TSimReplay ParseReplayText(const QByteArray& text);
TSimReplay LoadReplayFile(const QString& path);
