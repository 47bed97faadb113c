#pragma once
// The trend chart's page arithmetic. The chart shows FPointsPerPage points per page and pages
// through the history by scrolling its horizontal axis one page width at a time; the controller
// counts pages, follows the newest page unless the user paged away (FHoldPage), and moves to the
// first, last, next or previous page on request.
//
// Every series holds a placeholder 0 at X = 0 (after creation and after every clear), so readings
// take X = 1, 2, 3, ... and page p shows X (p - 1) * FPointsPerPage + 1 .. p * FPointsPerPage.
// The page count includes the placeholder: FPageCount = ceil(count / FPointsPerPage). At an exact
// multiple the guarded scroll refuses to move while FPage already advanced, so page label and view
// may differ by one page until a later point or move brings them together; that is intended.

#include "display/IChartView.h"

#include <cstdint>

class TChartControl {
public:
    // The chart is not owned. pointsPerPage must be at least 1.
    TChartControl(IChartView& chart, int32_t pointsPerPage);

    int32_t AddPoint(double value);
    int32_t FirstPage();
    int32_t LastPage();
    int32_t NextPage();
    int32_t PreviousPage();
    void SetMaxValue(double value);
    void SetMinValue(double value);
    // Widths below 1 are ignored (the page arithmetic divides by the width).
    void SetPointsPerPage(int32_t n);
    int32_t ClearPoints();

    int32_t Page() const { return FPage; }
    int32_t PageCount() const { return FPageCount; }
    int32_t PointsPerPage() const { return FPointsPerPage; }
    bool HoldPage() const { return FHoldPage; }

private:
    void CountPages();
    void AddPlaceholders();
    void ShowFirstPageRange();

    IChartView& FChart;
    int32_t FPage = 0;
    int32_t FPointsPerPage = 0;
    int32_t FPageCount = 0;
    bool FHoldPage = false;
    double FMaxValue = 0;
    double FMinValue = 0;
};
