// The LCD glyphs: segments light up as the character asks, marks are drawn, blanks stay blank.

#include "display/LcdGlyphs.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

namespace {

int InkPixels(const QByteArray& text) {
    QImage image(120, 80, QImage::Format_ARGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        TGlyphStyle style;
        style.pixelSize = 80;
        DrawGlyphText(painter, QRectF(0, 0, 120, 80), text, style, Qt::AlignLeft | Qt::AlignTop);
    }
    int ink = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ink += qGray(image.pixel(x, y)) < 128;
    return ink;
}

TEST(LcdGlyphs, SegmentCountsOrderTheInk) {
    const int eight = InkPixels("8"), one = InkPixels("1"), minus = InkPixels("-");
    EXPECT_GT(eight, 3 * one);
    EXPECT_GT(one, minus);
    EXPECT_GT(minus, 0);
    EXPECT_EQ(InkPixels(" "), 0);
    EXPECT_EQ(InkPixels(""), 0);
}

TEST(LcdGlyphs, UnitMarksAreDrawnAndDiffer) {
    const int celsius = InkPixels("#"), fahrenheit = InkPixels("?");
    EXPECT_GT(celsius, 0);
    EXPECT_GT(fahrenheit, 0);
    EXPECT_NE(celsius, fahrenheit);
    EXPECT_EQ(GlyphTextToPlain("DEW#"), QStringLiteral("DEW\u00B0C"));
    EXPECT_EQ(GlyphTextToPlain("?"), QStringLiteral("\u00B0F"));
}

TEST(LcdGlyphs, WidthGrowsWithTheText) {
    TGlyphStyle style;
    EXPECT_LT(GlyphTextSize("8", style).width(), GlyphTextSize("88", style).width());
    EXPECT_GT(GlyphTextSize("%RH", style).width(), 0);
}

} // namespace
