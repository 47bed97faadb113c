#include "display/TChartControl.h"

TChartControl::TChartControl(IChartView& chart, int32_t pointsPerPage) : FChart(chart) {
    SetPointsPerPage(pointsPerPage);
    FChart.SetHorizontalAutomatic(false);
    ShowFirstPageRange();
    FPageCount = 1;
    FPage = 1;
    AddPlaceholders();
    FChart.SetSeriesActive(0, true);
}

void TChartControl::CountPages() {
    const int64_t count = FChart.PointCount(0);
    FPageCount = int32_t(count / FPointsPerPage + (count % FPointsPerPage > 0 ? 1 : 0));
}

void TChartControl::AddPlaceholders() {
    for (int s = 0; s < FChart.SeriesCount(); ++s)
        FChart.AddValue(s, 0);
}

void TChartControl::ShowFirstPageRange() {
    // Minimum 1, then maximum FPointsPerPage. When the view lies left of X = 1 (first page at an
    // exact multiple shows -99 .. 0), the minimum would pass the maximum and the axis would refuse
    // it, so the maximum goes first there.
    if (FChart.HorizontalMaximum() < 1) {
        FChart.SetHorizontalMaximum(FPointsPerPage);
        FChart.SetHorizontalMinimum(1);
    } else {
        FChart.SetHorizontalMinimum(1);
        FChart.SetHorizontalMaximum(FPointsPerPage);
    }
}

int32_t TChartControl::AddPoint(double value) {
    for (int s = 0; s < FChart.SeriesCount(); ++s)
        FChart.AddValue(s, value);
    CountPages();
    if (!FHoldPage) {
        FChart.ScrollHorizontal(FPointsPerPage);
        FPage = FPageCount;
    }
    return FPage;
}

int32_t TChartControl::FirstPage() {
    if (FPageCount <= 1 || FPage == 1)
        return FPage;
    for (int32_t i = 1; i < FPage; ++i)
        FChart.ScrollHorizontal(-FPointsPerPage);
    FPage = 1;
    FHoldPage = true;
    return FPage;
}

int32_t TChartControl::LastPage() {
    if (FPageCount <= 1 || FPage == FPageCount)
        return FPage;
    for (int32_t i = FPage; i < FPageCount; ++i)
        FChart.ScrollHorizontal(FPointsPerPage);
    FPage = FPageCount;
    FHoldPage = false;
    return FPage;
}

int32_t TChartControl::NextPage() {
    if (FPageCount > 1 && FPage != FPageCount) {
        FChart.ScrollHorizontal(FPointsPerPage);
        ++FPage;
        FHoldPage = FPage != FPageCount;
    }
    return FPage;
}

int32_t TChartControl::PreviousPage() {
    if (FPage > 1) {
        FChart.ScrollHorizontal(-FPointsPerPage);
        --FPage;
        FHoldPage = true;
    }
    return FPage;
}

void TChartControl::SetMaxValue(double value) {
    if (value != FMaxValue) {
        FMaxValue = value;
        FChart.SetVerticalMaximum(value);
    }
}

void TChartControl::SetMinValue(double value) {
    if (value != FMinValue) {
        FMinValue = value;
        FChart.SetVerticalMinimum(value);
    }
}

void TChartControl::SetPointsPerPage(int32_t n) {
    if (n == FPointsPerPage || n < 1)
        return;
    FPointsPerPage = n;
    ShowFirstPageRange();
    CountPages();
    for (int32_t i = 1; i < FPageCount; ++i)
        FChart.ScrollHorizontal(n);
    FPage = FPageCount;
    FHoldPage = false;
}

int32_t TChartControl::ClearPoints() {
    FirstPage();
    for (int s = 0; s < FChart.SeriesCount(); ++s) {
        FChart.ClearSeries(s);
        FChart.AddValue(s, 0);
    }
    FHoldPage = false;
    return FPage;
}
