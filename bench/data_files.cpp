// Saving and opening 1,000,000 records in each data file format, next to Python's csv module
// reading the same text file. Goals: the text open at least 20 times faster than Python's csv,
// the packet open within 2 times of the text open.

#include "bench/BenchSize.h"
#include "records/DataFiles.h"
#include "records/RecordTable.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <ctime>

namespace {

const int kRecords = BenchSize(1'000'000, 1'000);

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

// Wall-clock and processor time: on a loaded machine the processor time is the steadier figure.
struct TTimes {
    double wall = 0, cpu = 0;
};

class TStopwatch {
public:
    TStopwatch() { Restart(); }
    void Restart() {
        wall_.restart();
        cpu_ = std::clock();
    }
    TTimes Elapsed() const {
        return {double(wall_.nsecsElapsed()) / 1e9, double(std::clock() - cpu_) / CLOCKS_PER_SEC};
    }

private:
    QElapsedTimer wall_;
    std::clock_t cpu_;
};

// Python's own timing of csv.reader over the file (interpreter start-up excluded).
TTimes PythonCsvSeconds(const QString& fileName) {
    QProcess python;
    python.start(QStringLiteral("python3"),
                 {QStringLiteral("-c"),
                  QStringLiteral("import csv,sys,time\n"
                                 "t=time.perf_counter()\n"
                                 "c=time.process_time()\n"
                                 "with open(sys.argv[1], newline='', encoding='cp1252') as f:\n"
                                 "    rows=list(csv.reader(f, delimiter='\\t'))\n"
                                 "print(time.perf_counter()-t, time.process_time()-c)\n"),
                  fileName});
    if (!python.waitForFinished(600000) || python.exitCode() != 0)
        return {-1, -1};
    const QList<QByteArray> out = python.readAllStandardOutput().trimmed().split(' ');
    return out.size() < 2 ? TTimes{-1, -1} : TTimes{out[0].toDouble(), out[1].toDouble()};
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    TRecordTable table;
    Fill(table);
    std::printf("data files, %d records\n", kRecords);

    TTimes textOpen, packetOpen;
    for (const char* name : {"bench.txt", "bench.xml"}) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        TStopwatch watch;
        const TSaveOutcome saved = SaveTableToFile(table, path);
        const TTimes save = watch.Elapsed();
        TRecordTable reopened;
        watch.Restart();
        const TLoadOutcome opened = LoadTableFromFile(path, reopened);
        const TTimes open = watch.Elapsed();
        if (saved.kind != TSaveOutcome::TKind::Saved || !opened.ok ||
            reopened.Count() != kRecords) {
            std::printf("%s: round trip failed\n", name);
            return 1;
        }
        std::printf("%-10s %5.1f MB  save %6.3f s (cpu %6.3f)  open %6.3f s (cpu %6.3f)\n", name,
                    double(QFileInfo(path).size()) / 1e6, save.wall, save.cpu, open.wall, open.cpu);
        (name[6] == 't' ? textOpen : packetOpen) = open;
    }
    const TTimes python = PythonCsvSeconds(dir.filePath(QStringLiteral("bench.txt")));
    if (python.wall < 0) {
        std::printf("python csv: could not run python3\n");
    } else {
        std::printf("python csv.reader on the text file: %6.3f s (cpu %6.3f)\n", python.wall,
                    python.cpu);
        std::printf("text open vs python csv: %.1fx faster, by cpu %.1fx (goal >= 20x)\n",
                    python.wall / textOpen.wall, python.cpu / textOpen.cpu);
    }
    std::printf("packet open vs text open: %.2fx, by cpu %.2fx (goal <= 2x)\n",
                packetOpen.wall / textOpen.wall, packetOpen.cpu / textOpen.cpu);
    return 0;
}
