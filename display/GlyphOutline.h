#pragma once
// The LCD glyph texts as outlines. The printed report draws its title, captions, footer and unit
// marks with the LCD glyph renderer; turning that drawing into one filled path keeps the output
// free of stray text runs (a searchable text layer is written separately), and lets a page reuse
// the same outline for every band.

#include "display/LcdGlyphs.h"

#include <QPainterPath>

// The outline DrawGlyphText would fill for the same arguments, in the same coordinates.
QPainterPath GlyphTextOutline(const QByteArray& text, const TGlyphStyle& style, const QRectF& rect,
                              int alignment);
