#pragma once
// Readable axis scales: ticks on whole, evenly spaced numbers (1, 2 or 5 times a power of ten),
// and a vertical range fitted to the values shown, with a margin, on such steps.

#include <optional>

class QValueAxis;

// The step of 1, 2 or 5 times a power of ten that cuts span into about `ticks` parts (at least
// 1 when whole is set, so that a narrow horizontal range does not label fractions).
double ReadableStep(double span, int ticks = 5, bool whole = false);

struct TAxisRange {
    double min = 0, max = 0;
    bool operator==(const TAxisRange&) const = default;
};

// The range for values lo..hi: a margin of a tenth of their spread on both sides (half a unit
// when they are all equal), widened outwards to multiples of a readable step (about a tenth
// of the range).
TAxisRange FitRange(double lo, double hi);

// Sets the axis's range with its ticks on multiples of the readable step of that range, labelled
// with as many decimals as the step needs.
void SetReadableRange(QValueAxis& axis, double min, double max, bool whole);
