#include "app/RecentRecordingsDialog.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

std::optional<QString> ChooseRecordingDialog(QWidget* parent,
                                             const std::vector<TRecordingListItem>& recordings) {
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("RecentRecordings"));
    dialog.setWindowTitle(QStringLiteral("Recent Recordings"));
    auto* layout = new QVBoxLayout(&dialog);
    auto* list = new QTableWidget(int(recordings.size()), 5, &dialog);
    list->setObjectName(QStringLiteral("RecordingList"));
    list->setHorizontalHeaderLabels({QStringLiteral("Started"), QStringLiteral("Ended"),
                                     QStringLiteral("Records"), QStringLiteral("Quantity"),
                                     QStringLiteral("Ended by")});
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->verticalHeader()->hide();
    for (int row = 0; row < int(recordings.size()); ++row) {
        const TRecordingListItem& item = recordings[size_t(row)];
        const QString cells[] = {item.started, item.ended, item.records, item.quantity, item.how};
        for (int column = 0; column < 5; ++column)
            list->setItem(row, column, new QTableWidgetItem(cells[column]));
    }
    list->resizeColumnsToContents();
    if (!recordings.empty())
        list->selectRow(0);
    layout->addWidget(list);
    auto* buttons =
        new QDialogButtonBox(QDialogButtonBox::Open | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Open)->setEnabled(!recordings.empty());
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(list, &QTableWidget::cellDoubleClicked, &dialog, &QDialog::accept);
    layout->addWidget(buttons);
    dialog.resize(620, 360);
    if (dialog.exec() != QDialog::Accepted || list->currentRow() < 0 || recordings.empty())
        return std::nullopt;
    return recordings[size_t(list->currentRow())].path;
}
