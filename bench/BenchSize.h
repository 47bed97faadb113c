#pragma once
// Benchmarks run at full size by default. With RX47_BENCH_SMOKE set (CI sets it), each runs at a
// token size instead, so that every change builds and exercises it in a fraction of a second;
// the figures it prints then mean nothing.

#include <QtGlobal>

inline bool BenchSmoke() {
    return qEnvironmentVariableIsSet("RX47_BENCH_SMOKE");
}

// The full size, or the smoke size under RX47_BENCH_SMOKE.
template <class T> T BenchSize(T full, T smoke) {
    return BenchSmoke() ? smoke : full;
}
