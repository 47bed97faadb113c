#include "PdfTools.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QXmlStreamReader>

namespace {
constexpr double kMmPerPoint = 25.4 / 72.0;
}

QByteArray RunTool(const QString& program, const QStringList& arguments, QString* error) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        if (error)
            *error = program + ": " + process.errorString() + " " +
                     QString::fromLocal8Bit(process.readAllStandardError());
        return {};
    }
    return process.readAllStandardOutput();
}

std::vector<TPdfPage> ReadPdfPages(const QString& pdfPath) {
    std::vector<TPdfPage> pages;
    const QString layout =
        QString::fromUtf8(RunTool(QStringLiteral("pdftotext"), {"-layout", pdfPath, "-"}));
    QStringList texts = layout.split('\f');
    if (!texts.isEmpty() && texts.last().trimmed().isEmpty())
        texts.removeLast(); // pdftotext ends every page with a form feed
    for (const QString& text : texts)
        pages.push_back({text, {}});

    // Word boxes, from the XHTML that pdftotext -bbox writes.
    QXmlStreamReader xml(RunTool(QStringLiteral("pdftotext"), {"-bbox", pdfPath, "-"}));
    int page = -1;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == u"page") {
            ++page;
        } else if (xml.name() == u"word" && page >= 0 && page < int(pages.size())) {
            const auto a = xml.attributes();
            TPdfWord word;
            word.left = a.value("xMin").toDouble() * kMmPerPoint;
            word.top = a.value("yMin").toDouble() * kMmPerPoint;
            word.right = a.value("xMax").toDouble() * kMmPerPoint;
            word.bottom = a.value("yMax").toDouble() * kMmPerPoint;
            word.text = xml.readElementText();
            pages[size_t(page)].words.push_back(word);
        }
    }
    return pages;
}

QString PdfPageSize(const QString& pdfPath) {
    const QString info = QString::fromUtf8(RunTool(QStringLiteral("pdfinfo"), {pdfPath}));
    const auto match = QRegularExpression(QStringLiteral("Page size:\\s*(.*)")).match(info);
    return match.hasMatch() ? match.captured(1).trimmed() : QString();
}

QImage RenderPdfPage(const QString& pdfPath, int page, int dpi) {
    QTemporaryDir dir;
    const QString prefix = dir.filePath(QStringLiteral("page"));
    RunTool(QStringLiteral("pdftoppm"),
            {"-png", "-r", QString::number(dpi), "-f", QString::number(page), "-l",
             QString::number(page), "-singlefile", pdfPath, prefix});
    return QImage(prefix + ".png");
}
