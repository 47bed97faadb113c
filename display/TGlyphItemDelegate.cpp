#include "display/TGlyphItemDelegate.h"

#include <QApplication>
#include <QPainter>

TGlyphItemDelegate::TGlyphItemDelegate(int rawTextRole, double pixelSize, QObject* parent)
    : QStyledItemDelegate(parent), rawTextRole_(rawTextRole) {
    style_.pixelSize = pixelSize;
}

void TGlyphItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    // Background, selection and focus as for any cell, then the glyphs in place of the text.
    QStyleOptionViewItem plain = option;
    initStyleOption(&plain, index);
    plain.text.clear();
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &plain, painter, widget);

    TGlyphStyle glyphs = style_;
    if (option.state & QStyle::State_Selected)
        glyphs.ink = option.palette.color(QPalette::HighlightedText);
    const QVariant alignment = index.data(Qt::TextAlignmentRole);
    const int flags =
        alignment.isValid() ? alignment.toInt() : int(Qt::AlignLeft | Qt::AlignVCenter);
    painter->save();
    DrawGlyphText(*painter, QRectF(option.rect.adjusted(2, 0, -2, 0)),
                  index.data(rawTextRole_).toByteArray(), glyphs, flags);
    painter->restore();
}
