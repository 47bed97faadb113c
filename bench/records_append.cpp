// Appending 10,000,000 logged readings to the record table: time per append and resident bytes
// per record; then the grid at that size: one append with the grid following it and repainting,
// and a jump to another place in the table.

#include "bench/BenchSize.h"
#include "display/RecordTableModel.h"
#include "records/RecordTable.h"

#include <QApplication>
#include <QHeaderView>
#include <QTableView>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

long ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

double Micros(Clock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

// Readings as the logger gives them: times cycling through their byte pairs, humidity and
// temperature wandering over their ranges, the four unit marks.
TRecord Reading(int64_t i) {
    TRecord r;
    r.No = int32_t(i + 1);
    const auto two = [](int64_t v) { return QByteArray::number(v).rightJustified(2, '0'); };
    r.TextOf(TField::Time) = two((i / 256) % 256) + ":" + two(i % 256);
    r.TextOf(TField::Value) = QByteArray::number(double((i * 7) % 1000) / 10, 'f', 1) + "%RH";
    r.TextOf(TField::Range) = QByteArray::number(double((i * 13) % 2000 - 1000) / 10, 'f', 1);
    static const char* const units[] = {"#", "?", "DEW#", "DEW?"};
    r.TextOf(TField::Unit) = units[(i / 97) % 4];
    return r;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int64_t kRecords = BenchSize<int64_t>(10'000'000, 100'000);
    // The readings are made beforehand so that the timing is the table's alone.
    constexpr int64_t kDistinct = 1 << 16;
    std::vector<TRecord> readings;
    readings.reserve(kDistinct);
    for (int64_t i = 0; i < kDistinct; ++i)
        readings.push_back(Reading(i * 131));

    TRecordTable table;
    const long before = ResidentBytes();
    double worst = 0;
    const auto start = Clock::now();
    for (int64_t i = 0; i < kRecords; ++i) {
        TRecord& r = readings[size_t(i % kDistinct)];
        r.No = int32_t(i + 1);
        if ((i & 0xFFFF) == 0xFFFF) { // sample single appends for the worst case
            const auto t0 = Clock::now();
            table.Append(r);
            worst = std::max(worst, Micros(Clock::now() - t0));
        } else {
            table.Append(r);
        }
    }
    const double total = Micros(Clock::now() - start);
    const long after = ResidentBytes();
    std::printf("records appended:          %lld\n", (long long)table.Count());
    std::printf("time per append:           %.1f ns (sampled worst %.1f us)\n",
                total * 1000 / kRecords, worst);
    std::printf("resident bytes per record: %.1f (RSS delta)\n", double(after - before) / kRecords);
    std::printf("storage bytes per record:  %.1f (MemoryBytes)\n",
                double(table.MemoryBytes()) / kRecords);
    std::printf("change log triples:        %lld\n", (long long)table.ChangeCount());

    // The grid at 10,000,000 rows.
    TRecordTableModel model(table);
    QTableView grid;
    grid.resize(313, 273);
    grid.verticalHeader()->setDefaultSectionSize(17);
    grid.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    auto t0 = Clock::now();
    grid.setModel(&model);
    grid.show();
    app.processEvents();
    std::printf("grid bound to the table:   %.1f ms\n", Micros(Clock::now() - t0) / 1000);
    const long gridBefore = ResidentBytes();
    const int kFollow = BenchSize(20, 2);
    t0 = Clock::now();
    for (int k = 0; k < kFollow; ++k) {
        table.Append(readings[size_t(k)]);
        const QModelIndex newest = model.index(model.rowCount() - 1, 0);
        grid.setCurrentIndex(newest);
        grid.scrollTo(newest);
        grid.viewport()->repaint();
    }
    std::printf("append + follow + repaint: %.2f ms at %lld rows\n",
                Micros(Clock::now() - t0) / 1000 / kFollow, (long long)table.Count());
    t0 = Clock::now();
    for (int k = 0; k < kFollow; ++k) {
        grid.scrollTo(model.index(int((k * 7919LL * 1201) % table.Count()), 0));
        grid.viewport()->repaint();
    }
    std::printf("scroll to a row + repaint: %.2f ms\n", Micros(Clock::now() - t0) / 1000 / kFollow);
    std::printf("grid resident bytes/row:   %.1f (RSS after binding, over the table)\n",
                double(gridBefore - after) / double(table.Count()));
    return 0;
}
