#pragma once
// Draws a grid column's text in the LCD glyphs (the Unit column: "#", "?", "DEW#", "DEW?"). The
// text comes from the model's raw-text role so that the 8-bit glyph codes reach the drawing as
// they are.

#include "display/LcdGlyphs.h"

#include <QStyledItemDelegate>

class TGlyphItemDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    TGlyphItemDelegate(int rawTextRole, double pixelSize, QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

private:
    int rawTextRole_;
    TGlyphStyle style_;
};
