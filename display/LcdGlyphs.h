#pragma once
// The logger's LCD look. The readout labels, the grid's Unit column and the printed report draw
// their text through these functions: digits and hex letters as seven-segment figures, "-" as the
// middle segment, "#" as the degree-Celsius mark and "?" as the degree-Fahrenheit mark; any other
// character in an ordinary bold face.

#include <QByteArray>
#include <QColor>
#include <QRectF>
#include <QSizeF>

class QPainter;

struct TGlyphStyle {
    double pixelSize = 80; // nominal font height in pixels
    QColor ink = QColor(24, 28, 30);
    QColor ghost = QColor(0, 0, 0, 0); // unlit segments; transparent = not drawn
    bool bold = false;
};

// Size the text takes when drawn with the style.
QSizeF GlyphTextSize(const QByteArray& text, const TGlyphStyle& style);

// Draws the text into rect with the given Qt alignment flags.
void DrawGlyphText(QPainter& painter, const QRectF& rect, const QByteArray& text,
                   const TGlyphStyle& style, int alignment);

// Plain-text rendering of a glyph text for places that cannot draw (tool tips, exports to screen
// readers): "#" -> "°C", "?" -> "°F".
QString GlyphTextToPlain(const QByteArray& text);
