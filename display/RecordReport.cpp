#include "display/RecordReport.h"

#include "base/Ansi.h"
#include "display/GlyphOutline.h"

#include <QFont>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <algorithm>
#include <array>
#include <map>

using namespace ReportLayout;

namespace {

// Pages are drawn in hundredths of a millimetre, fine enough for integer font sizes.
constexpr double kUnit = 100.0;
constexpr double U(double mm) {
    return mm * kUnit;
}
constexpr double kFontSize = kFontPoints * 25.4 / 72.0 * kUnit; // 10 pt in units
constexpr double kLabelHeight = U(6.0);                         // room for one line of text

constexpr double kColumnHeaderTop = kPageHeaderHeight;
constexpr double kDetailTop = kPageHeaderHeight + kColumnHeaderHeight;
constexpr double kFooterBandTop = kBodyHeight - kPageFooterHeight;

struct TCaption {
    double left;
    const char* text;
};
constexpr std::array<TCaption, 5> kCaptions = {
    {{8.5, "No"}, {33.9, "Time"}, {72.0, "%RH"}, {105.8, "Temp"}, {117.5, "Unit"}}};
// Detail fields: No, Time, Value, DC/AC in the data font; Unit in the glyph font.
constexpr std::array<double, 4> kFieldLeft = {8.5, 33.9, 72.0, 103.7};
constexpr double kUnitLeft = 116.4;

const QColor kInk = Qt::black; // the window-text colour

TGlyphStyle ReportGlyphStyle() {
    // The glyph renderer draws letters at 62 % of its nominal size, in a broad bold face; this
    // nominal size gives them about the width of the 10 point data font, so that neighbouring
    // captions ("Temp" at 105.8 mm, "Unit" at 117.5 mm) keep apart. Unit marks scale with it.
    TGlyphStyle style;
    style.pixelSize = kFontSize * 0.9 / 0.62;
    style.ink = kInk;
    return style;
}

QFont DataFont() {
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(int(kFontSize + 0.5));
    return font;
}

QRectF LabelRect(double leftMm, double topUnits) {
    return {U(leftMm), topUnits, U(kBandWidth - leftMm), kLabelHeight};
}

// Glyph-drawn labels become outlines, so a PDF carries their text once, through this invisible
// layer, and stays searchable.
void DrawTextLayer(QPainter& painter, const QRectF& rect, const QString& text, int alignment) {
    painter.setPen(QColor(0, 0, 0, 0));
    painter.drawText(rect, alignment | Qt::TextSingleLine, text);
}

QString Plain(const std::optional<QByteArray>& text) {
    return text ? AnsiToQString(*text) : QString();
}

} // namespace

TRecordReport::TRecordReport(const TRecordTable& table) : table_(table), count_(table.Count()) {
    const TGlyphStyle style = ReportGlyphStyle();
    title_ = GlyphTextOutline(Title(), style, QRectF(0, U(kTitleTop), U(kBandWidth), kLabelHeight),
                              Qt::AlignHCenter | Qt::AlignTop);
    for (const TCaption& caption : kCaptions)
        captions_.addPath(GlyphTextOutline(
            caption.text, style, LabelRect(caption.left, U(kColumnHeaderTop + kCaptionTop)),
            Qt::AlignLeft | Qt::AlignTop));
    footer_ =
        GlyphTextOutline(Footer(), style, LabelRect(kFooterLeft, U(kFooterBandTop + kFooterTop)),
                         Qt::AlignLeft | Qt::AlignTop);
}

int TRecordReport::RowsPerPage() {
    // In tenths of a millimetre, so that the division is exact.
    const int room = int(std::lround(
        (kBodyHeight - kPageHeaderHeight - kColumnHeaderHeight - kPageFooterHeight) * 10));
    return room / int(std::lround(kDetailHeight * 10));
}

QPageLayout TRecordReport::PageLayout() {
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                       QMarginsF(kMargin, kMargin, kMargin, kMargin), QPageLayout::Millimeter);
}

int TRecordReport::PageCount() const {
    const int64_t perPage = RowsPerPage();
    return int((count_ + perPage - 1) / perPage);
}

int64_t TRecordReport::FirstRowOf(int page) const {
    return std::min<int64_t>(int64_t(page) * RowsPerPage(), count_);
}

int64_t TRecordReport::EndRowOf(int page) const {
    return std::min<int64_t>(FirstRowOf(page) + RowsPerPage(), count_);
}

void TRecordReport::RenderPage(QPainter& painter, int page, const QRectF& bodyRect) const {
    if (page < 0 || page >= PageCount())
        return;
    painter.save();
    painter.translate(bodyRect.topLeft());
    const double scale =
        std::min(bodyRect.width() / U(kBandWidth), bodyRect.height() / U(kBodyHeight));
    painter.scale(scale, scale);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);

    // Bands have a white background; the paper is white already, so only the ink is drawn.
    painter.setFont(DataFont());
    painter.fillPath(title_, kInk);
    DrawTextLayer(painter, QRectF(0, U(kTitleTop), U(kBandWidth), kLabelHeight),
                  QString::fromLatin1(Title()), Qt::AlignHCenter | Qt::AlignTop);
    painter.fillPath(captions_, kInk);
    for (const TCaption& caption : kCaptions)
        DrawTextLayer(painter, LabelRect(caption.left, U(kColumnHeaderTop + kCaptionTop)),
                      QString::fromLatin1(caption.text), Qt::AlignLeft | Qt::AlignTop);

    // Unit marks repeat from row to row: outline each distinct one once per page.
    std::map<QByteArray, QPainterPath> unitOutlines;
    const TGlyphStyle style = ReportGlyphStyle();
    const int64_t end = std::min(EndRowOf(page), table_.Count());
    double top = U(kDetailTop + kFieldTop);
    for (int64_t row = FirstRowOf(page); row < end; ++row, top += U(kDetailHeight)) {
        const TRecord record = table_.At(row);
        const std::array<QString, 4> fields = {record.No ? QString::number(*record.No) : QString(),
                                               Plain(record.Text[0]), Plain(record.Text[1]),
                                               Plain(record.Text[2])};
        painter.setPen(kInk);
        for (size_t i = 0; i < fields.size(); ++i)
            painter.drawText(LabelRect(kFieldLeft[i], top), Qt::AlignLeft | Qt::AlignTop,
                             fields[i]);
        const QByteArray unit = record.TextOf(TField::Unit).value_or(QByteArray());
        if (unit.isEmpty())
            continue;
        auto [it, added] = unitOutlines.try_emplace(unit);
        if (added)
            it->second = GlyphTextOutline(unit, style, LabelRect(kUnitLeft, 0),
                                          Qt::AlignLeft | Qt::AlignTop);
        painter.fillPath(it->second.translated(0, top), kInk);
        DrawTextLayer(painter, LabelRect(kUnitLeft, top), GlyphTextToPlain(unit),
                      Qt::AlignLeft | Qt::AlignTop);
    }

    painter.fillPath(footer_, kInk);
    DrawTextLayer(painter, LabelRect(kFooterLeft, U(kFooterBandTop + kFooterTop)),
                  QString::fromLatin1(Footer()), Qt::AlignLeft | Qt::AlignTop);
    painter.restore();
}

void TRecordReport::RenderPaper(QPainter& painter, int page, const QRectF& paperRect) const {
    painter.fillRect(paperRect, Qt::white);
    const double perMm = std::min(paperRect.width() / kPageWidth, paperRect.height() / kPageHeight);
    const QRectF body(paperRect.left() + kMargin * perMm, paperRect.top() + kMargin * perMm,
                      kBandWidth * perMm, kBodyHeight * perMm);
    RenderPage(painter, page, body);
}

bool TRecordReport::Print(QPagedPaintDevice& device, int first, int last) const {
    const int pages = PageCount();
    if (last < 0 || last >= pages)
        last = pages - 1;
    first = std::max(first, 0);
    if (first > last)
        return true;
    device.setPageLayout(PageLayout());
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    // The painter's origin is the top left corner of the area inside the margins.
    const double perMm = device.logicalDpiX() / 25.4;
    const QRectF body(0, 0, kBandWidth * perMm, kBodyHeight * perMm);
    for (int page = first; page <= last; ++page) {
        if (page > first && !device.newPage()) {
            painter.end();
            return false;
        }
        RenderPage(painter, page, body);
    }
    return painter.end();
}
