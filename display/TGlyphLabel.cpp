#include "display/TGlyphLabel.h"

#include <QPainter>

TGlyphLabel::TGlyphLabel(const QByteArray& caption, double pixelSize, QWidget* parent)
    : QWidget(parent), caption_(caption) {
    style_.pixelSize = pixelSize;
    setAttribute(Qt::WA_TranslucentBackground);
    setAccessibleName(GlyphTextToPlain(caption_));
}

void TGlyphLabel::SetCaption(const QByteArray& caption) {
    if (caption == caption_)
        return;
    caption_ = caption;
    setAccessibleName(GlyphTextToPlain(caption_));
    update();
}

void TGlyphLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    DrawGlyphText(painter, QRectF(rect()), caption_, style_, alignment_);
}
