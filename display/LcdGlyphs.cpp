#include "display/LcdGlyphs.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <array>

namespace {

// Segment bits: a top, b upper right, c lower right, d bottom, e lower left, f upper left, g
// middle.
enum : unsigned { A = 1, B = 2, C = 4, D = 8, E = 16, F = 32, G = 64 };

unsigned SegmentsFor(char c) {
    switch (c) {
    case '0':
        return A | B | C | D | E | F;
    case '1':
        return B | C;
    case '2':
        return A | B | D | E | G;
    case '3':
        return A | B | C | D | G;
    case '4':
        return B | C | F | G;
    case '5':
        return A | C | D | F | G;
    case '6':
        return A | C | D | E | F | G;
    case '7':
        return A | B | C;
    case '8':
        return A | B | C | D | E | F | G;
    case '9':
        return A | B | C | D | F | G;
    case 'A':
        return A | B | C | E | F | G;
    case 'B':
        return C | D | E | F | G;
    case 'C':
        return A | D | E | F;
    case 'D':
        return B | C | D | E | G;
    case 'E':
        return A | D | E | F | G;
    case 'F':
        return A | E | F | G;
    case '-':
        return G;
    default:
        return 0;
    }
}

bool IsSegmentChar(char c) {
    return SegmentsFor(c) != 0;
}

// Geometry of one seven-segment cell, in units of the pixel size.
constexpr double kDigitHeight = 0.74;
constexpr double kDigitWidth = 0.40;
constexpr double kCellAdvance = 0.50;
constexpr double kThickness = 0.085;
constexpr double kSlant = 0.07; // the slight forward lean of an LCD

QFont TextFont(const TGlyphStyle& style) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(std::max(1, int(style.pixelSize * 0.62)));
    font.setBold(true);
    return font;
}

double Advance(char c, const TGlyphStyle& style, const QFontMetricsF& fm) {
    const double p = style.pixelSize;
    if (c == '#' || c == '?')
        return p * (kCellAdvance + 0.22);
    if (IsSegmentChar(c) || c == ' ')
        return p * kCellAdvance;
    return fm.horizontalAdvance(QChar(char16_t(static_cast<unsigned char>(c))));
}

// One bar with pointed ends from (x1,y1) to (x2,y2), horizontal or vertical.
QPainterPath Bar(QPointF from, QPointF to, double t) {
    QPainterPath path;
    const double h = t / 2;
    const double gap = t * 0.12;
    if (qFuzzyCompare(from.y(), to.y())) {
        const double x1 = from.x() + gap, x2 = to.x() - gap, y = from.y();
        path.moveTo(x1, y);
        path.lineTo(x1 + h, y - h);
        path.lineTo(x2 - h, y - h);
        path.lineTo(x2, y);
        path.lineTo(x2 - h, y + h);
        path.lineTo(x1 + h, y + h);
    } else {
        const double y1 = from.y() + gap, y2 = to.y() - gap, x = from.x();
        path.moveTo(x, y1);
        path.lineTo(x + h, y1 + h);
        path.lineTo(x + h, y2 - h);
        path.lineTo(x, y2);
        path.lineTo(x - h, y2 - h);
        path.lineTo(x - h, y1 + h);
    }
    path.closeSubpath();
    return path;
}

void DrawSegments(QPainter& painter, QPointF origin, unsigned lit, const TGlyphStyle& style) {
    const double p = style.pixelSize;
    const double w = p * kDigitWidth, hgt = p * kDigitHeight, t = p * kThickness;
    const double left = origin.x() + t / 2, right = left + w - t;
    const double top = origin.y() + t / 2, mid = origin.y() + hgt / 2,
                 bottom = origin.y() + hgt - t / 2;
    const std::array<std::pair<unsigned, QPainterPath>, 7> segments = {{
        {A, Bar({left, top}, {right, top}, t)},
        {B, Bar({right, top}, {right, mid}, t)},
        {C, Bar({right, mid}, {right, bottom}, t)},
        {D, Bar({left, bottom}, {right, bottom}, t)},
        {E, Bar({left, mid}, {left, bottom}, t)},
        {F, Bar({left, top}, {left, mid}, t)},
        {G, Bar({left, mid}, {right, mid}, t)},
    }};
    // Lean the figure forward around its baseline.
    QTransform lean;
    lean.translate(0, origin.y() + hgt);
    lean.shear(-kSlant, 0);
    lean.translate(0, -(origin.y() + hgt));
    for (const auto& [bit, path] : segments) {
        const bool on = (lit & bit) != 0;
        if (!on && style.ghost.alpha() == 0)
            continue;
        painter.fillPath(lean.map(path), on ? style.ink : style.ghost);
    }
}

void DrawDegreeMark(QPainter& painter, QPointF origin, char mark, const TGlyphStyle& style) {
    const double p = style.pixelSize;
    const double t = p * kThickness;
    // The degree ring, then "C" or "F" as segments.
    const double r = p * 0.075;
    QPen pen(style.ink, t * 0.8);
    painter.save();
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QPointF(origin.x() + r + t / 2, origin.y() + r + t / 2), r, r);
    painter.restore();
    DrawSegments(painter, QPointF(origin.x() + p * 0.22, origin.y()),
                 mark == '#' ? (A | D | E | F) : (A | E | F | G), style);
}

} // namespace

QSizeF GlyphTextSize(const QByteArray& text, const TGlyphStyle& style) {
    const QFont font = TextFont(style);
    const QFontMetricsF fm(font);
    double width = 0;
    for (const char c : text)
        width += Advance(c, style, fm);
    const bool anySegment = std::any_of(
        text.begin(), text.end(), [](char c) { return IsSegmentChar(c) || c == '#' || c == '?'; });
    const double height = anySegment ? style.pixelSize * kDigitHeight : fm.height();
    return {width, std::max(height, fm.height())};
}

void DrawGlyphText(QPainter& painter, const QRectF& rect, const QByteArray& text,
                   const TGlyphStyle& style, int alignment) {
    const QFont font = TextFont(style);
    const QFontMetricsF fm(font);
    const QSizeF size = GlyphTextSize(text, style);
    double x = rect.left();
    if (alignment & Qt::AlignRight)
        x = rect.right() - size.width();
    else if (alignment & Qt::AlignHCenter)
        x = rect.left() + (rect.width() - size.width()) / 2;
    const double digitTop = (alignment & Qt::AlignTop) ? rect.top()
                            : (alignment & Qt::AlignBottom)
                                ? rect.bottom() - style.pixelSize * kDigitHeight
                                : rect.top() + (rect.height() - style.pixelSize * kDigitHeight) / 2;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setFont(font);
    painter.setPen(style.ink);
    for (const char c : text) {
        if (c == '#' || c == '?') {
            DrawDegreeMark(painter, QPointF(x, digitTop), c, style);
        } else if (IsSegmentChar(c) || c == ' ') {
            DrawSegments(painter, QPointF(x, digitTop), SegmentsFor(c), style);
        } else {
            const double baseline = digitTop + style.pixelSize * kDigitHeight;
            painter.drawText(QPointF(x, baseline),
                             QString(QChar(char16_t(static_cast<unsigned char>(c)))));
        }
        x += Advance(c, style, fm);
    }
    painter.restore();
}

QString GlyphTextToPlain(const QByteArray& text) {
    QString out;
    for (const char c : text) {
        if (c == '#')
            out += QStringLiteral("\u00B0C");
        else if (c == '?')
            out += QStringLiteral("\u00B0F");
        else
            out += QChar(char16_t(static_cast<unsigned char>(c)));
    }
    return out;
}
