// The grid header's context menu: the "Received" column (when the program received each record),
// hidden at start so the grid shows its five columns as always, shown on request.

#include "app/TFCOMM.h"

#include "display/RecordTableModel.h"

#include <QAction>
#include <QHeaderView>
#include <QMenu>
#include <QTableView>

namespace {

constexpr int kReceivedWidth = 130; // "2026-12-10 11:20:05" in the grid's font

} // namespace

void TFCOMM::CreateGridColumnsMenu() {
    QHeaderView* columns = DBGrid1->horizontalHeader();
    const int received = TRecordTableModel::ReceivedColumn;
    columns->resizeSection(received, kReceivedWidth);
    DBGrid1->setColumnHidden(received, true);

    GridColumnsMenu = new QMenu(DBGrid1);
    GridColumnsMenu->setObjectName(QStringLiteral("GridColumnsMenu"));
    ShowReceived1 = GridColumnsMenu->addAction(QStringLiteral("Received"));
    ShowReceived1->setObjectName(QStringLiteral("ShowReceived1"));
    ShowReceived1->setCheckable(true);
    connect(ShowReceived1, &QAction::toggled, this, [this](bool show) {
        Guard([&] {
            const int column = TRecordTableModel::ReceivedColumn;
            DBGrid1->setColumnHidden(column, !show);
            if (show) // a width of 0 left by hiding would keep it invisible
                DBGrid1->horizontalHeader()->resizeSection(column, kReceivedWidth);
        });
    });
    columns->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(columns, &QHeaderView::customContextMenuRequested, this, [this](const QPoint& at) {
        GridColumnsMenu->popup(DBGrid1->horizontalHeader()->mapToGlobal(at));
    });
}
