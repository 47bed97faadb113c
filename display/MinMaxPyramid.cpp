#include "display/MinMaxPyramid.h"

#include <algorithm>

namespace {

TMinMax Merge(TMinMax a, TMinMax b) {
    return {std::min(a.min, b.min), std::max(a.max, b.max)};
}

TMinMax Scan(const std::vector<float>& values, int64_t first, int64_t last) {
    TMinMax m{values[size_t(first)], values[size_t(first)]};
    for (int64_t i = first + 1; i <= last; ++i) {
        const float v = values[size_t(i)];
        m.min = std::min(m.min, v);
        m.max = std::max(m.max, v);
    }
    return m;
}

} // namespace

void TMinMaxPyramid::Add(float value) {
    for (int level = 0; level < kLevels; ++level) {
        std::vector<TMinMax>& blocks = levels_[level];
        const size_t block = size_t(count_ >> (kBaseShift + level));
        if (block == blocks.size()) {
            blocks.push_back({value, value});
        } else {
            TMinMax& m = blocks[block];
            m.min = std::min(m.min, value);
            m.max = std::max(m.max, value);
        }
    }
    ++count_;
}

void TMinMaxPyramid::Clear() {
    for (auto& blocks : levels_)
        blocks = {};
    count_ = 0;
}

TMinMax TMinMaxPyramid::LevelRange(const std::vector<float>& values, int level, int64_t first,
                                   int64_t last) const {
    // Whole blocks from the level, the ragged ends from smaller blocks or the values themselves.
    const int shift = kBaseShift + level;
    const int64_t size = int64_t(1) << shift;
    const int64_t firstWhole = (first + size - 1) >> shift;
    const int64_t endWhole = (last + 1) >> shift; // blocks before this one end inside the range
    if (firstWhole >= endWhole)
        return Scan(values, first, last);
    TMinMax m = levels_[level][size_t(firstWhole)];
    for (int64_t b = firstWhole + 1; b < endWhole; ++b)
        m = Merge(m, levels_[level][size_t(b)]);
    // The ragged ends are shorter than a block: smaller blocks sum them up.
    if (first < (firstWhole << shift))
        m = Merge(m, RangeMinMax(values, first, (firstWhole << shift) - 1));
    if ((endWhole << shift) <= last)
        m = Merge(m, RangeMinMax(values, endWhole << shift, last));
    return m;
}

TMinMax TMinMaxPyramid::RangeMinMax(const std::vector<float>& values, int64_t first,
                                    int64_t last) const {
    const int64_t n = last - first + 1;
    // The largest level whose blocks still fit a few times into the range.
    int level = -1;
    while (level + 1 < kLevels && (int64_t(4) << (kBaseShift + level + 1)) <= n)
        ++level;
    return level < 0 ? Scan(values, first, last) : LevelRange(values, level, first, last);
}

void TMinMaxPyramid::Envelope(const std::vector<float>& values, int64_t first, int64_t last,
                              int maxBuckets,
                              const std::function<void(int64_t, int64_t, TMinMax)>& emit) const {
    if (first > last || maxBuckets < 1)
        return;
    const int64_t n = last - first + 1;
    const int64_t wanted = (n + maxBuckets - 1) / maxBuckets; // points per bucket, at least
    // Buckets as long as a power of two, so that they line up with the pyramid's blocks.
    int shift = 0;
    while ((int64_t(1) << shift) < wanted)
        ++shift;
    const int64_t size = int64_t(1) << shift;
    const int level = shift - kBaseShift;
    for (int64_t start = first; start <= last;) {
        const int64_t end = std::min(last, ((start >> shift) + 1) * size - 1);
        TMinMax m;
        if (level >= 0 && level < kLevels && start == ((start >> shift) << shift) &&
            end - start + 1 == size)
            m = levels_[level][size_t(start >> shift)];
        else
            m = RangeMinMax(values, start, end);
        emit(start, end, m);
        start = end + 1;
    }
}

size_t TMinMaxPyramid::MemoryBytes() const {
    size_t bytes = 0;
    for (const auto& blocks : levels_)
        bytes += blocks.capacity() * sizeof(TMinMax);
    return bytes;
}
