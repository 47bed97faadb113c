// Page arithmetic of the trend chart controller against the widget-free chart.

#include "display/ChartData.h"
#include "display/TChartControl.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

enum class TAct { Add, First, Last, Next, Previous, Clear, Width };

struct TStep {
    TAct act;
    int arg;         // readings to add, or the new width
    int page;        // page number shown afterwards (Bt10)
    double min, max; // visible X range afterwards
};

struct TPagingCase {
    const char* name;
    std::vector<TStep> steps;
};

void PrintTo(const TPagingCase& c, std::ostream* os) {
    *os << c.name;
}

int RunStep(TChartControl& control, const TStep& step, int lastPage) {
    switch (step.act) {
    case TAct::Add:
        for (int i = 0; i < step.arg; ++i)
            lastPage = control.AddPoint(i % 7);
        return lastPage;
    case TAct::First:
        return control.FirstPage();
    case TAct::Last:
        return control.LastPage();
    case TAct::Next:
        return control.NextPage();
    case TAct::Previous:
        return control.PreviousPage();
    case TAct::Clear:
        return control.ClearPoints();
    case TAct::Width:
        control.SetPointsPerPage(step.arg);
        return control.Page();
    }
    return lastPage;
}

class PagingTest : public ::testing::TestWithParam<TPagingCase> {};

TEST_P(PagingTest, PageLabelAndViewAfterEachStep) {
    TChartData chart(2);
    TChartControl control(chart, 100);
    int page = 1;
    int n = 0;
    for (const TStep& step : GetParam().steps) {
        page = RunStep(control, step, page);
        SCOPED_TRACE("step " + std::to_string(++n));
        EXPECT_EQ(page, step.page);
        EXPECT_EQ(chart.HorizontalMinimum(), step.min);
        EXPECT_EQ(chart.HorizontalMaximum(), step.max);
    }
}

using A = TAct;
INSTANTIATE_TEST_SUITE_P(
    Sequences, PagingTest,
    ::testing::Values(
        TPagingCase{"FirstReadingOnPageOne", {{A::Add, 1, 1, 1, 100}}},
        TPagingCase{"ExactMultipleAdvancesLabelBeforeView",
                    {{A::Add, 99, 1, 1, 100}, {A::Add, 1, 2, 1, 100}, {A::Add, 1, 2, 101, 200}}},
        TPagingCase{"FirstPageAtExactMultipleShowsPlaceholderPage",
                    {{A::Add, 100, 2, 1, 100},
                     {A::First, 0, 1, -99, 0},
                     {A::Add, 1, 1, -99, 0}, // held: the view stays
                     {A::Last, 0, 2, 1, 100},
                     {A::Add, 1, 2, 101, 200}}},
        TPagingCase{"PreviousHoldsAndLastResumesFollowing",
                    {{A::Add, 450, 5, 401, 500},
                     {A::Previous, 0, 4, 301, 400},
                     {A::Previous, 0, 3, 201, 300},
                     {A::Previous, 0, 2, 101, 200},
                     {A::Add, 10, 2, 101, 200},
                     {A::Last, 0, 5, 401, 500},
                     {A::Add, 39, 5, 401, 500},
                     {A::Add, 1, 6, 401, 500}, // reading 500: exact multiple again
                     {A::Add, 1, 6, 501, 600}}},
        TPagingCase{"NextOnLastAndPreviousOnFirstDoNothing",
                    {{A::Add, 150, 2, 101, 200},
                     {A::Next, 0, 2, 101, 200},
                     {A::First, 0, 1, 1, 100},
                     {A::Previous, 0, 1, 1, 100},
                     {A::Next, 0, 2, 101, 200},
                     {A::Add, 1, 2, 101, 200}}}, // NextPage reached the last page: following again
        TPagingCase{"FirstPageOnPageOneKeepsFollowing",
                    {{A::Add, 50, 1, 1, 100}, {A::First, 0, 1, 1, 100}, {A::Add, 60, 2, 101, 200}}},
        TPagingCase{
            "FirstPageWalksBackOnePageAtATime",
            {{A::Add, 350, 4, 301, 400}, {A::First, 0, 1, 1, 100}, {A::Add, 100, 1, 1, 100}}},
        TPagingCase{"ClearReturnsToPageOne",
                    {{A::Add, 250, 3, 201, 300}, {A::Clear, 0, 1, 1, 100}, {A::Add, 1, 1, 1, 100}}},
        TPagingCase{"AfterClearTheOldPageCountLetsNextMoveTheLabelOnly",
                    {{A::Add, 250, 3, 201, 300},
                     {A::Clear, 0, 1, 1, 100},
                     {A::Next, 0, 2, 1, 100}, // the view cannot move: only the placeholder
                     {A::Add, 1, 2, 1, 100},  // held: the label keeps 2
                     {A::Previous, 0, 1, -99, 0}}},
        TPagingCase{
            "WidthChangeShowsLastPage",
            {{A::Add, 250, 3, 201, 300}, {A::Width, 50, 6, 201, 250}, {A::Add, 1, 6, 251, 300}}},
        TPagingCase{"WidthChangeWhileHeldResumesFollowing",
                    {{A::Add, 250, 3, 201, 300},
                     {A::Previous, 0, 2, 101, 200},
                     {A::Width, 200, 2, 201, 400},
                     {A::Add, 150, 3, 201, 400},
                     {A::Add, 1, 3, 401, 600}}},
        TPagingCase{
            "WidthChangeFromPlaceholderPage",
            {{A::Add, 100, 2, 1, 100}, {A::First, 0, 1, -99, 0}, {A::Width, 50, 3, 51, 100}}}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(ChartControl, CreationLeavesOnePlaceholderPerSeriesAndActivatesTheFirst) {
    TChartData chart(2);
    TChartControl control(chart, 100);
    EXPECT_EQ(control.Page(), 1);
    EXPECT_EQ(control.PageCount(), 1);
    EXPECT_FALSE(control.HoldPage());
    EXPECT_FALSE(chart.HorizontalAutomatic());
    for (int s = 0; s < 2; ++s)
        EXPECT_EQ(chart.Values(s), std::vector<float>{0.0f});
    EXPECT_TRUE(chart.SeriesActive(0));
    EXPECT_FALSE(chart.SeriesActive(1));
}

TEST(ChartControl, EverySeriesReceivesEveryValue) {
    TChartData chart(2);
    TChartControl control(chart, 10);
    control.AddPoint(45.3f);
    control.AddPoint(-23.4f);
    const std::vector<float> expected{0.0f, 45.3f, -23.4f};
    EXPECT_EQ(chart.Values(0), expected);
    EXPECT_EQ(chart.Values(1), expected);
    control.ClearPoints();
    EXPECT_EQ(chart.Values(1), std::vector<float>{0.0f});
}

TEST(ChartControl, WidthBelowOneIsIgnored) {
    TChartData chart(2);
    TChartControl control(chart, 100);
    control.AddPoint(1);
    control.SetPointsPerPage(0);
    control.SetPointsPerPage(-5);
    EXPECT_EQ(control.PointsPerPage(), 100);
    EXPECT_EQ(control.AddPoint(2), 1);
}

// Counts how often the vertical axis is touched.
class TCountingChart : public TChartData {
public:
    using TChartData::TChartData;
    int verticalChanges = 0;

protected:
    void VerticalRangeChanged() override { ++verticalChanges; }
};

TEST(ChartControl, VerticalLimitsTouchTheAxisOnlyOnChange) {
    TCountingChart chart(2);
    TChartControl control(chart, 100);
    control.SetMaxValue(200);
    control.SetMinValue(-200);
    EXPECT_EQ(chart.verticalChanges, 2);
    control.SetMaxValue(200);
    control.SetMinValue(-200);
    EXPECT_EQ(chart.verticalChanges, 2);
    EXPECT_EQ(chart.VerticalMinimum(), -200);
    EXPECT_EQ(chart.VerticalMaximum(), 200);
    control.SetMaxValue(10000);
    control.SetMinValue(-10000);
    control.SetMaxValue(200);
    control.SetMinValue(-200);
    EXPECT_EQ(chart.VerticalMinimum(), -200);
    EXPECT_EQ(chart.VerticalMaximum(), 200);
}

TEST(ChartData, AxisLimitsRefuseACrossedRange) {
    TChartData chart(1);
    chart.SetVerticalMinimum(-100);
    chart.SetVerticalMaximum(100);
    try {
        chart.SetVerticalMaximum(-101);
        FAIL() << "maximum below minimum accepted";
    } catch (const EChartError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Axis Maximum Value must be >= Minimum"));
    }
    try {
        chart.SetHorizontalMinimum(chart.HorizontalMaximum() + 1);
        FAIL() << "minimum above maximum accepted";
    } catch (const EChartError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Axis Minimum Value must be <= Maximum"));
    }
    EXPECT_EQ(chart.VerticalMaximum(), 100); // unchanged after the refusal
}

TEST(ChartData, GuardedScrollLooksAtActiveSeriesOnly) {
    TChartData chart(2);
    chart.SetHorizontalMinimum(1);
    chart.SetHorizontalMaximum(10);
    for (int i = 0; i < 20; ++i)
        chart.AddValue(1, i); // inactive series beyond the edge
    chart.ScrollHorizontal(10);
    EXPECT_EQ(chart.HorizontalMinimum(), 1);
    chart.SetSeriesActive(0, true);
    for (int i = 0; i < 11; ++i)
        chart.AddValue(0, i); // X 0..10: not beyond 10
    chart.ScrollHorizontal(10);
    EXPECT_EQ(chart.HorizontalMaximum(), 10);
    chart.AddValue(0, 11);
    chart.ScrollHorizontal(10);
    EXPECT_EQ(chart.HorizontalMinimum(), 11);
    EXPECT_EQ(chart.HorizontalMaximum(), 20);
    chart.ScrollHorizontal(-10); // X 0 lies before 11
    chart.ScrollHorizontal(-10); // X 0 lies before 1
    EXPECT_EQ(chart.HorizontalMinimum(), -9);
    chart.ScrollHorizontal(-10); // nothing before -9
    EXPECT_EQ(chart.HorizontalMinimum(), -9);
}

} // namespace
