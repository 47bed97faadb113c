#pragma once
// Tests and benchmarks run without a desktop: the offscreen platform unless one is chosen, and a
// private runtime folder, which Qt wants and test machines often lack. Call before QApplication.

void PrepareHeadlessEnvironment();
