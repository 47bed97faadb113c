#pragma once
// Minimum and maximum of a growing series over blocks of 64, 128, 256, ... points, kept as the
// points arrive (about twenty small updates a point; a quarter of a byte a point in all). A
// range of any length is then summed up from a handful of blocks, so an overview of ten million
// points costs about as much as one of a thousand.

#include <cstdint>
#include <functional>
#include <vector>

struct TMinMax {
    float min = 0, max = 0;
};

class TMinMaxPyramid {
public:
    void Add(float value);
    void Clear();

    // Calls emit(first, last, minmax) for consecutive buckets covering first..last of values
    // (the series the pyramid was fed with), at most about maxBuckets of them and at least half
    // as many once the range is long enough; every bucket but the edges starts on a multiple of
    // its size.
    void Envelope(const std::vector<float>& values, int64_t first, int64_t last, int maxBuckets,
                  const std::function<void(int64_t, int64_t, TMinMax)>& emit) const;
    // Minimum and maximum of values first..last (first <= last).
    TMinMax RangeMinMax(const std::vector<float>& values, int64_t first, int64_t last) const;

    size_t MemoryBytes() const;

    static constexpr int kBaseShift = 6; // level 0 blocks hold 64 points
    static constexpr int kLevels = 20;

private:
    TMinMax LevelRange(const std::vector<float>& values, int level, int64_t first,
                       int64_t last) const;
    std::vector<TMinMax> levels_[kLevels];
    int64_t count_ = 0;
};
