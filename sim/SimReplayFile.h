#pragma once
// A file of recorded logger frames for the simulated logger to replay: one frame per line as
// hexadecimal digits, bytes optionally separated by blanks ("02 34 35 33 …" or "023435…").
// Empty lines and lines starting with '#' are skipped.

#include <QByteArray>
#include <QString>
#include <vector>

struct TSimReplay {
    std::vector<QByteArray> frames;
    QString error; // empty when the whole file was read
};

TSimReplay ParseReplayText(const QByteArray& text);
TSimReplay LoadReplayFile(const QString& path);
