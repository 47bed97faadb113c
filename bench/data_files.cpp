// Saving and opening 1,000,000 records in each data file format, next to Python's csv module
// reading the same text file. Goals: the text open at least 20 times faster than Python's csv,
// the packet open within 2 times of the text open.

#include "records/DataFiles.h"
#include "records/RecordTable.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

namespace {

constexpr int kRecords = 1'000'000;

void Fill(TRecordTable& table) {
    TRecord r;
    for (int i = 0; i < kRecords; ++i) {
        r.No = i + 1;
        r.Text[0] = QByteArray::number(10 + i / 3600 % 14) + ':' +
                    QByteArray::number(10 + i / 60 % 50) + ':' + QByteArray::number(10 + i % 50);
        r.Text[1] = QByteArray::number(40 + i % 200 / 10.0, 'f', 1) + "%RH";
        r.Text[2] = QByteArray::number(-20 + i % 700 / 10.0, 'f', 1);
        r.Text[3] = i % 2 ? QByteArray("#") : QByteArray("$");
        table.Append(r);
    }
}

double Seconds(QElapsedTimer& timer) {
    return double(timer.nsecsElapsed()) / 1e9;
}

// Python's own timing of csv.reader over the file (interpreter start-up excluded).
double PythonCsvSeconds(const QString& fileName) {
    QProcess python;
    python.start(QStringLiteral("python3"),
                 {QStringLiteral("-c"),
                  QStringLiteral("import csv,sys,time\n"
                                 "t=time.perf_counter()\n"
                                 "with open(sys.argv[1], newline='', encoding='cp1252') as f:\n"
                                 "    rows=list(csv.reader(f, delimiter='\\t'))\n"
                                 "print(time.perf_counter()-t, len(rows))\n"),
                  fileName});
    if (!python.waitForFinished(600000) || python.exitCode() != 0)
        return -1;
    const QList<QByteArray> out = python.readAllStandardOutput().trimmed().split(' ');
    return out.isEmpty() ? -1 : out[0].toDouble();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    TRecordTable table;
    Fill(table);
    std::printf("data files, %d records\n", kRecords);

    double textOpen = 0, packetOpen = 0;
    for (const char* name : {"bench.txt", "bench.xml"}) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        QElapsedTimer timer;
        timer.start();
        const TSaveOutcome saved = SaveTableToFile(table, path);
        const double save = Seconds(timer);
        TRecordTable reopened;
        timer.restart();
        const TLoadOutcome opened = LoadTableFromFile(path, reopened);
        const double open = Seconds(timer);
        if (saved.kind != TSaveOutcome::TKind::Saved || !opened.ok ||
            reopened.Count() != kRecords) {
            std::printf("%s: round trip failed\n", name);
            return 1;
        }
        std::printf("%-10s %6.1f MB  save %7.3f s  open %7.3f s\n", name,
                    double(QFileInfo(path).size()) / 1e6, save, open);
        (name[6] == 't' ? textOpen : packetOpen) = open;
    }
    const double python = PythonCsvSeconds(dir.filePath(QStringLiteral("bench.txt")));
    if (python < 0) {
        std::printf("python csv: could not run python3\n");
    } else {
        std::printf("python csv reader on the text file: %.3f s\n", python);
        std::printf("text open vs python csv: %.1fx faster (goal >= 20x)\n", python / textOpen);
    }
    std::printf("packet open vs text open: %.2fx (goal <= 2x)\n", packetOpen / textOpen);
    return 0;
}
