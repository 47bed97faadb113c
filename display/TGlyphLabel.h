#pragma once
// A transparent label whose caption is drawn in the LCD glyphs (the readout's digits and marks).

#include "display/LcdGlyphs.h"

#include <QWidget>

class TGlyphLabel : public QWidget {
    Q_OBJECT
public:
    TGlyphLabel(const QByteArray& caption, double pixelSize, QWidget* parent);

    const QByteArray& Caption() const { return caption_; }
    void SetCaption(const QByteArray& caption);
    TGlyphStyle& Style() { return style_; }
    void SetAlignment(int alignment) {
        alignment_ = alignment;
        update();
    }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QByteArray caption_;
    TGlyphStyle style_;
    int alignment_ = Qt::AlignLeft | Qt::AlignTop;
};
