#pragma once
// Count, minimum, maximum and mean of one quantity over the records of a table, kept up to date
// as records are appended (constant cost per record) and counted again when the table is
// emptied, replaced or opened. Records without a value for the quantity are not counted.

#include "records/ReadingValues.h"
#include "records/RecordTable.h"

#include <QDateTime>
#include <functional>
#include <optional>

struct TStatistics {
    int64_t count = 0;
    double min = 0, max = 0, sum = 0;
    int64_t firstRow = -1; // the first record counted, -1 while none
    double Mean() const { return count ? sum / double(count) : 0; }
    void Add(double value, int64_t row);
};

class TReadingStatistics : private IRecordTableListener {
public:
    explicit TReadingStatistics(TRecordTable& table, TQuantity quantity = TQuantity::Humidity);
    ~TReadingStatistics() override;
    TReadingStatistics(const TReadingStatistics&) = delete;
    TReadingStatistics& operator=(const TReadingStatistics&) = delete;

    const TStatistics& Current() const { return stats_; }
    TQuantity Quantity() const { return quantity_; }
    void SetQuantity(TQuantity quantity);
    // Called after every change of the figures (the window repaints its line at its own pace).
    std::function<void()> changed;

private:
    void RecordsAppended(int64_t first, int64_t last) override;
    void RecordsReset() override;
    void Recount();

    TRecordTable& table_;
    TQuantity quantity_;
    TStatistics stats_;
};

// "%RH: 120 readings, min 40.1, max 55.3, mean 47.25 since 2026-12-10 10:20": since the
// local date and time the first counted record was received; a record opened from a file has
// none and is named by its No and logger time instead ("since No 1 (10:20)"). Empty figures read
// "%RH: no readings".
QString StatisticsLine(const TStatistics& stats, TQuantity quantity, const TRecordTable& table);
