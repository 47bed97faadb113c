#pragma once
// Tests and benchmarks run without a desktop: the offscreen platform unless one is chosen, a
// private runtime folder, which Qt wants and test machines often lack, and a state folder of
// their own (removed at exit), so the window's recording journals never land in the user's.
// Call before QApplication.

void PrepareHeadlessEnvironment();
