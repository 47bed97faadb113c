// The record report over a large table: opening (the snapshot), drawing one preview page at the
// fit zoom, the last page, and writing the first 100 pages as PDF.
//
//   bench_report [records]      default 1000000

#include "bench/BenchSize.h"
#include "display/RecordReport.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <cstdio>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int records = argc > 1 ? std::atoi(argv[1]) : BenchSize(1000000, 1000);

    TRecordTable table;
    for (int i = 0; i < records; ++i) {
        TRecord r;
        r.No = i + 1;
        r.TextOf(TField::Time) = "12:34";
        r.TextOf(TField::Value) = QByteArray::number(40 + i % 50) + ".5";
        r.TextOf(TField::Range) = QByteArray::number(20 + i % 9) + ".1";
        r.TextOf(TField::Unit) = i % 2 ? "#" : "?";
        table.Append(r);
    }

    QElapsedTimer clock;
    clock.start();
    const TRecordReport report(table);
    const double openMs = clock.nsecsElapsed() / 1e6;

    QImage page(QSize(520, 740), QImage::Format_RGB32);
    const auto draw = [&](int n) {
        clock.restart();
        QPainter painter(&page);
        report.RenderPaper(painter, n, QRectF(page.rect()));
        return clock.nsecsElapsed() / 1e6;
    };
    const double firstMs = draw(0);
    const double lastMs = draw(report.PageCount() - 1);

    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    clock.restart();
    {
        QPdfWriter writer(&pdf);
        report.Print(writer, 0, std::min(99, report.PageCount() - 1));
    }
    const double pdfMs = clock.nsecsElapsed() / 1e6;

    std::printf("records %d, pages %d\n", records, report.PageCount());
    std::printf("open report (snapshot)    %8.2f ms\n", openMs);
    std::printf("draw first page (preview) %8.2f ms\n", firstMs);
    std::printf("draw last page (preview)  %8.2f ms\n", lastMs);
    std::printf("100 pages as PDF          %8.2f ms (%lld KiB)\n", pdfMs,
                static_cast<long long>(pdf.size() / 1024));
    return 0;
}
