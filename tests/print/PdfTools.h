#pragma once
// Reading PDF files back in tests, through poppler-utils (pdftotext, pdfinfo, pdftoppm).

#include <QImage>
#include <QString>
#include <QStringList>
#include <vector>

// A word on a page with its box in millimetres from the top left corner of the paper.
struct TPdfWord {
    QString text;
    double left = 0, top = 0, right = 0, bottom = 0;
};

struct TPdfPage {
    QString text; // pdftotext -layout
    std::vector<TPdfWord> words;
};

// Runs a program and returns its standard output; empty on failure (the reason in *error).
QByteArray RunTool(const QString& program, const QStringList& arguments, QString* error = nullptr);

// The pages of a PDF file as text, one entry per page.
std::vector<TPdfPage> ReadPdfPages(const QString& pdfPath);

// The page size line of pdfinfo, e.g. "595.28 x 841.89 pts (A4)".
QString PdfPageSize(const QString& pdfPath);

// Page (from 1) rasterised at the given resolution.
QImage RenderPdfPage(const QString& pdfPath, int page, int dpi);
