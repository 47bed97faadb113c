// The recording journal's cost on the event thread: the time a record spends in
// TRecordJournal::Record (one line formatted and written with one write(); the syncing runs on
// the journal's own thread, at most every 2 s). Goal: at most 10 microseconds per record.

#include "records/RecordJournal.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

TRecord Reading(int64_t i, TReceivedTime at) {
    TRecord r;
    r.No = int32_t(i + 1);
    const auto two = [](int64_t v) { return QByteArray::number(v).rightJustified(2, '0'); };
    r.TextOf(TField::Time) = two((i / 60) % 24) + ":" + two(i % 60);
    r.TextOf(TField::Value) = QByteArray::number(double((i * 7) % 1000) / 10, 'f', 1) + "%RH";
    r.TextOf(TField::Range) = QByteArray::number(double((i * 13) % 2000 - 1000) / 10, 'f', 1);
    static const char* const units[] = {"#", "?", "DEW#", "DEW?"};
    r.TextOf(TField::Unit) = units[(i / 97) % 4];
    r.Received = at;
    return r;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    constexpr int64_t kRecords = 200'000;
    std::vector<TRecord> readings;
    readings.reserve(size_t(kRecords));
    const TReceivedTime start = ReceivedNow();
    for (int64_t i = 0; i < kRecords; ++i)
        readings.push_back(Reading(i, start + i * 50)); // 20 readings a second

    TRecordJournal journal{TJournalStore(dir.path())};
    journal.Begin(TJournalQuantity::Humidity);
    // The first record makes the file (created, header synced with its folder): once per life.
    auto t0 = Clock::now();
    if (journal.Record(readings[0])) {
        std::printf("journal cannot be written\n");
        return 1;
    }
    const double firstUs = std::chrono::duration<double, std::micro>(Clock::now() - t0).count();

    std::vector<double> us;
    us.reserve(size_t(kRecords));
    const auto all0 = Clock::now();
    for (int64_t i = 1; i < kRecords; ++i) {
        const auto a = Clock::now();
        if (journal.Record(readings[size_t(i)])) {
            std::printf("journal cannot be written\n");
            return 1;
        }
        us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - a).count());
    }
    const double totalS = std::chrono::duration<double>(Clock::now() - all0).count();
    const auto e0 = Clock::now();
    journal.End(TJournalEnd::Exit);
    const double endMs = std::chrono::duration<double, std::milli>(Clock::now() - e0).count();

    std::vector<double> sorted = us;
    std::sort(sorted.begin(), sorted.end());
    const auto at = [&](double q) { return sorted[size_t(q * double(sorted.size() - 1))]; };
    double sum = 0;
    for (double v : us)
        sum += v;
    std::printf("journal append: %lld records, mean %.2f us, median %.2f us, p99 %.2f us, "
                "p99.9 %.2f us, max %.1f us per record (goal <= 10 us)\n",
                static_cast<long long>(kRecords - 1), sum / double(us.size()), at(0.5), at(0.99),
                at(0.999), sorted.back());
    std::printf("journal append: first record (file made and synced) %.0f us; end (sync, rename) "
                "%.1f ms; %.0f records/s; sync interval %lld ms\n",
                firstUs, endMs, double(kRecords - 1) / totalS,
                static_cast<long long>(TJournalWriter::kSyncInterval.count()));
    return sum / double(us.size()) <= 10.0 ? 0 : 1;
}
