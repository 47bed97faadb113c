#pragma once
// The printed record list RecordReport: A4 portrait, 10 mm margins, one column. Every page carries
// the page header "The Data Print Title", the column captions, as many detail bands (one record
// each, in table order) as fit, and the page footer "The Data Print Foot" at its bottom. An empty
// table gives no page at all.
//
// The report is a snapshot: it keeps the number of records the table held when it was built, and
// a page reads only its own records when it is drawn, so a preview of a million records opens at
// once and records appended meanwhile stay off the pages. The table must outlive the report.
//
// Drawing needs no widget: any QPainter on a paged device (printer, PDF writer) or an image (the
// preview) will do.

#include "records/RecordTable.h"

#include <QPainterPath>
#include <QRectF>
#include <cstdint>

class QPagedPaintDevice;
class QPainter;
class QPageLayout;

namespace ReportLayout {
// All measures in millimetres, from the top left corner of the band (bands start at the margin).
constexpr double kPageWidth = 210.0, kPageHeight = 297.0, kMargin = 10.0;
constexpr double kBandWidth = kPageWidth - 2 * kMargin;   // 190
constexpr double kBodyHeight = kPageHeight - 2 * kMargin; // 277
constexpr double kPageHeaderHeight = 10.6, kTitleTop = 2.1;
constexpr double kColumnHeaderHeight = 10.6, kCaptionTop = 4.2;
constexpr double kDetailHeight = 6.6, kFieldTop = 2.1;
constexpr double kPageFooterHeight = 10.6, kFooterLeft = 8.5, kFooterTop = 4.2;
constexpr double kFontPoints = 10.0;
} // namespace ReportLayout

class TRecordReport {
public:
    explicit TRecordReport(const TRecordTable& table);

    static const char* Title() { return "The Data Print Title"; }
    static const char* Footer() { return "The Data Print Foot"; }

    // Detail bands that fit between the header bands and the footer of one page.
    static int RowsPerPage();
    // The page the report is laid out for: A4 portrait with 10 mm margins.
    static QPageLayout PageLayout();

    int64_t RecordCount() const { return count_; }
    int PageCount() const;
    // First record and one past the last record on page (from 0).
    int64_t FirstRowOf(int page) const;
    int64_t EndRowOf(int page) const;

    // Draws page (from 0) so that the printable area (190 x 277 mm, inside the margins) fills
    // bodyRect of the painter's coordinates. Records the table no longer holds are left out.
    void RenderPage(QPainter& painter, int page, const QRectF& bodyRect) const;
    // Draws the whole paper (210 x 297 mm, white) into paperRect: for the preview's images.
    void RenderPaper(QPainter& painter, int page, const QRectF& paperRect) const;

    // Prints pages first..last (from 0, clamped) onto the device, after setting its page layout.
    // Returns false when the device cannot be painted on; an empty report prints nothing and
    // returns true.
    bool Print(QPagedPaintDevice& device, int first = 0, int last = -1) const;

private:
    const TRecordTable& table_;
    int64_t count_ = 0;
    // Outlines of the fixed glyph labels, in hundredths of a millimetre from the page's body.
    QPainterPath title_, captions_, footer_;
};
