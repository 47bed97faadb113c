// Every caption of the window shows whole at the window's own font: nothing cut by its own size,
// by the panel it sits on, or by a box placed over it.

#include "support_gui/WindowFixture.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>

namespace {

// The size a caption needs in its widget. A push button's size hint asks for a minimum width of
// its own; what counts is the text with the icon and the bevel.
QSize Needed(QWidget* widget) {
    if (auto* label = qobject_cast<QLabel*>(widget); label && !label->pixmap().isNull())
        return {};
    if (auto* button = qobject_cast<QPushButton*>(widget)) {
        const int icon = button->icon().isNull() ? 0 : button->iconSize().width() + 4;
        const int margin =
            2 * button->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button);
        return {button->fontMetrics().horizontalAdvance(button->text()) + icon + margin,
                button->fontMetrics().height()};
    }
    return widget->sizeHint();
}

QString Caption(QWidget* widget) {
    if (auto* label = qobject_cast<QLabel*>(widget))
        return label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(widget))
        return button->text();
    return {};
}

TEST_F(WindowTest, EveryCaptionShowsWhole) {
    window->show();
    QStringList cut;
    for (QWidget* widget : window->Client->findChildren<QWidget*>()) {
        const QString caption = Caption(widget);
        if (caption.trimmed().isEmpty())
            continue;
        const QString name = widget->objectName().isEmpty() ? caption : widget->objectName();
        const QSize needed = Needed(widget);
        if (needed.width() > widget->width() || needed.height() > widget->height() + 2)
            cut << QStringLiteral("%1: needs %2x%3, has %4x%5")
                       .arg(name)
                       .arg(needed.width())
                       .arg(needed.height())
                       .arg(widget->width())
                       .arg(widget->height());
        QWidget* parent = widget->parentWidget();
        if (parent != window->Client && !parent->rect().contains(widget->geometry()))
            cut << QStringLiteral("%1: reaches out of %2").arg(name, parent->objectName());
        // An edit box over a caption hides part of it; the interval box sits over the spaces
        // of its check box's caption, on purpose.
        for (QLineEdit* box : parent->findChildren<QLineEdit*>(Qt::FindDirectChildrenOnly)) {
            if (widget == window->RecordSI && box == window->RecordSITime)
                continue;
            if (box->geometry().intersects(QRect(widget->pos(), needed)))
                cut << QStringLiteral("%1: under %2").arg(name, box->objectName());
        }
    }
    EXPECT_TRUE(cut.isEmpty()) << cut.join('\n').toStdString();
}

} // namespace
