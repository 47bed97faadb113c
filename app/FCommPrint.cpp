// The printed record list (through its preview) and the chart picture.

#include "app/TFCOMM.h"

#include "display/QtChartAdapter.h"

#include "app/TPrintPreview.h"
#include "display/BitmapFile.h"
#include "display/RecordReport.h"
#include "records/RecordTable.h"

#include <QChart>
#include <QChartView>
#include <QCoreApplication>
#include <QEventLoop>
#include <QGraphicsLayout>
#include <QPainter>
#include <QPointer>

void TFCOMM::BtPrintClick() {
    if (!OpenPrintPreview() || !PrintPreviewWaits)
        return;
    // Wait for the preview, handling the window's timers and device data meanwhile. Quitting the
    // application ends this loop too; the preview is then closed here.
    QPointer<TPrintPreview> preview = PrintPreview;
    QEventLoop loop;
    connect(preview, &TPrintPreview::Closed, &loop, &QEventLoop::quit);
    loop.exec();
    if (preview && PrintPreview == preview)
        preview->close();
}

bool TFCOMM::OpenPrintPreview() {
    // The grid must not follow the report's passage through the table.
    cds1->SuspendUpdates();
    if (PrintPreview) {
        cds1->ResumeUpdates();
        PrintPreview->raise();
        PrintPreview->activateWindow();
        return false;
    }
    try {
        // The program's own dialogs open in front of the preview; tests hand in theirs.
        PrintPreview =
            new TPrintPreview(std::make_unique<TRecordReport>(*cds1), environment_.dialogs, this);
    } catch (...) {
        cds1->ResumeUpdates();
        throw;
    }
    connect(PrintPreview, &TPrintPreview::Closed, this, &TFCOMM::PrintPreviewClosed);
    PrintPreview->show();
    return true;
}

void TFCOMM::PrintPreviewClosed() {
    if (!PrintPreview)
        return;
    PrintPreview->deleteLater();
    PrintPreview = nullptr;
    cds1->ResumeUpdates();
}

QImage TFCOMM::ChartPicture() {
    ChartView->Flush(); // the picture shows every point, also those still waiting for Qt
    QChart* chart = Chtshow->chart();
    // A chart that was never shown has not been laid out for its view's size yet.
    if (chart->size() != QSizeF(Chtshow->size())) {
        chart->resize(Chtshow->size());
        if (QGraphicsLayout* layout = chart->layout())
            layout->activate();
    }
    QWidget* viewport = Chtshow->viewport();
    QImage image(Chtshow->size(), QImage::Format_RGB32);
    image.fill(viewport->palette().color(viewport->backgroundRole()));
    QPainter painter(&image);
    painter.setRenderHints(Chtshow->renderHints());
    // The view's own drawing of its scene, which holds the chart alone: the controls of the
    // chart's tool row are widgets on top of it and stay out of the picture.
    Chtshow->render(&painter, QRectF(viewport->geometry()), viewport->rect(),
                    Qt::IgnoreAspectRatio);
    painter.end();
    return image;
}

void TFCOMM::BtSaveClick() {
    const std::optional<QString> name = Dialogs().AskSaveFileName(SavePictureDialog1);
    if (!name)
        return;
    SaveBitmapFile(ChartPicture(), *name);
    Dialogs().ShowMessage(QStringLiteral("graphic has saved on %1").arg(*name),
                          TMessageIcon::Information);
}
