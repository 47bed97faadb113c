// The printed record list: page arithmetic, and PDF output read back with poppler-utils.

#include "display/RecordReport.h"
#include "PdfTools.h"

#include <QFile>
#include <QPageLayout>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// Readable QString values in failure messages.
void PrintTo(const QString& text, std::ostream* out) {
    *out << text.toStdString();
}

namespace {

using namespace ReportLayout;

TRecord MakeRecord(int no) {
    TRecord r;
    r.No = no;
    r.TextOf(TField::Time) = QByteArray("12:") + QByteArray::number(10 + no / 60) + ":" +
                             QByteArray::number(no % 60).rightJustified(2, '0');
    r.TextOf(TField::Value) = QByteArray::number(40 + no % 50) + ".5";
    r.TextOf(TField::Range) = QByteArray::number(20 + no % 9) + ".1";
    r.TextOf(TField::Unit) = no % 2 ? "#" : "?";
    return r;
}

void Fill(TRecordTable& table, int count, int firstNo = 1) {
    for (int i = 0; i < count; ++i)
        table.Append(MakeRecord(firstNo + i));
}

class RecordReportPdf : public ::testing::Test {
protected:
    QString Print(const TRecordReport& report, int first = 0, int last = -1) {
        const QString path = dir.filePath(QStringLiteral("report.pdf"));
        QFile::remove(path);
        QPdfWriter writer(path);
        EXPECT_TRUE(report.Print(writer, first, last));
        return path;
    }
    static const TPdfWord* Find(const TPdfPage& page, const QString& text, int nth = 0) {
        for (const TPdfWord& word : page.words)
            if (word.text == text && nth-- == 0)
                return &word;
        return nullptr;
    }
    // The record numbers printed on a page, top to bottom (the first word of each detail line).
    static std::vector<int> RecordNumbers(const TPdfPage& page) {
        std::vector<int> numbers;
        for (const QString& line : page.text.split('\n')) {
            const QStringList words = line.simplified().split(' ');
            bool ok = false;
            const int no = words.value(0).toInt(&ok);
            if (ok && words.size() == 5)
                numbers.push_back(no);
        }
        return numbers;
    }

    QTemporaryDir dir;
    TRecordTable table;
};

TEST(RecordReportLayout, PagesHoldThirtySevenDetailBands) {
    // 277 mm inside the margins, less three 10.6 mm bands, leaves room for 37 bands of 6.6 mm.
    EXPECT_EQ(TRecordReport::RowsPerPage(), 37);
    struct Case {
        int records, pages;
    };
    for (const Case c : {Case{0, 0}, {1, 1}, {37, 1}, {38, 2}, {74, 2}, {75, 3}, {111, 3}}) {
        TRecordTable table;
        Fill(table, c.records);
        const TRecordReport report(table);
        EXPECT_EQ(report.PageCount(), c.pages) << c.records << " records";
        if (c.pages > 0) {
            EXPECT_EQ(report.FirstRowOf(c.pages - 1), int64_t(c.pages - 1) * 37);
            EXPECT_EQ(report.EndRowOf(c.pages - 1), c.records);
        }
    }
}

TEST(RecordReportLayout, PageIsA4PortraitWithTenMillimetreMargins) {
    const QPageLayout layout = TRecordReport::PageLayout();
    EXPECT_EQ(layout.pageSize().id(), QPageSize::A4);
    EXPECT_EQ(layout.orientation(), QPageLayout::Portrait);
    EXPECT_EQ(layout.margins(QPageLayout::Millimeter), QMarginsF(10, 10, 10, 10));
}

TEST(RecordReportLayout, AMillionRecordsNeedNoCopy) {
    // The report keeps only the count; pages read their rows when drawn.
    TRecordTable table;
    Fill(table, 1000);
    const TRecordReport report(table);
    Fill(table, 5);
    EXPECT_EQ(report.RecordCount(), 1000);
    EXPECT_EQ(report.PageCount(), 28);
}

TEST_F(RecordReportPdf, EmptyTablePrintsNoPage) {
    const TRecordReport report(table);
    EXPECT_EQ(report.PageCount(), 0);
    const QString path = Print(report);
    // Nothing was painted, so the writer never even created its file.
    EXPECT_FALSE(QFile::exists(path));
}

TEST_F(RecordReportPdf, EveryPageHasTitleCaptionsAndFooter) {
    for (const int records : {1, 75}) {
        SCOPED_TRACE(records);
        TRecordTable recordTable;
        Fill(recordTable, records);
        const TRecordReport report(recordTable);
        const QString path = Print(report);
        EXPECT_TRUE(PdfPageSize(path).endsWith(QStringLiteral("(A4)")))
            << PdfPageSize(path).toStdString();
        const auto pages = ReadPdfPages(path);
        ASSERT_EQ(int(pages.size()), report.PageCount());
        for (const TPdfPage& page : pages) {
            EXPECT_TRUE(page.text.contains(QStringLiteral("The Data Print Title")))
                << page.text.toStdString();
            EXPECT_TRUE(page.text.contains(QStringLiteral("The Data Print Foot")))
                << page.text.toStdString();
            const QString captions = QStringLiteral("No Time %RH Temp Unit");
            EXPECT_TRUE(page.text.simplified().contains(captions)) << page.text.toStdString();
        }
    }
}

TEST_F(RecordReportPdf, RecordsComeInTableOrderAcrossThreePages) {
    Fill(table, 80);
    const TRecordReport report(table);
    const auto pages = ReadPdfPages(Print(report));
    ASSERT_EQ(pages.size(), 3u);
    std::vector<int> seen;
    std::vector<size_t> perPage;
    for (const TPdfPage& page : pages) {
        const auto numbers = RecordNumbers(page);
        perPage.push_back(numbers.size());
        seen.insert(seen.end(), numbers.begin(), numbers.end());
    }
    EXPECT_EQ(perPage, (std::vector<size_t>{37, 37, 6}));
    std::vector<int> expected(80);
    for (int i = 0; i < 80; ++i)
        expected[size_t(i)] = i + 1;
    EXPECT_EQ(seen, expected);
    // Each line carries the record's own fields, the unit mark as its plain text.
    const QString line40 = QStringLiteral("40 12:10:40 80.5 24.1 \u00B0F");
    EXPECT_TRUE(pages[1].text.simplified().contains(line40)) << pages[1].text.toStdString();
}

TEST_F(RecordReportPdf, BandsSitWhereTheLayoutPutsThem) {
    Fill(table, 38);
    const auto pages = ReadPdfPages(Print(TRecordReport(table)));
    ASSERT_EQ(pages.size(), 2u);
    // Positions on the paper: margin 10 mm + band top + offset in the band.
    struct Place {
        QString word;
        int nth;
        double left, top; // mm; left < 0: centred
    };
    const double detail1 = 10 + 21.2 + 2.1, detail37 = detail1 + 36 * 6.6;
    const std::vector<Place> places = {
        {"Title", 0, -1, 10 + 2.1},
        {"No", 0, 10 + 8.5, 10 + 10.6 + 4.2},
        {"Time", 0, 10 + 33.9, 10 + 10.6 + 4.2},
        {"%RH", 0, 10 + 72.0, 10 + 10.6 + 4.2},
        {"Temp", 0, 10 + 105.8, 10 + 10.6 + 4.2},
        {"Unit", 0, 10 + 117.5, 10 + 10.6 + 4.2},
        {"1", 0, 10 + 8.5, detail1},
        {"12:10:01", 0, 10 + 33.9, detail1},
        {"41.5", 0, 10 + 72.0, detail1},
        {"21.1", 0, 10 + 103.7, detail1},
        {"\u00B0C", 0, 10 + 116.4, detail1},
        {"37", 0, 10 + 8.5, detail37},
        {"Foot", 0, -1, 10 + 277 - 10.6 + 4.2},
        {"The", 1, 10 + 8.5, 10 + 277 - 10.6 + 4.2},
    };
    for (const Place& p : places) {
        const TPdfWord* word = Find(pages[0], p.word, p.nth);
        ASSERT_NE(word, nullptr) << p.word.toStdString();
        if (p.left >= 0) {
            EXPECT_NEAR(word->left, p.left, 0.6) << p.word.toStdString();
        }
        EXPECT_NEAR(word->top, p.top, 1.0) << p.word.toStdString();
    }
    // The title is centred across the 190 mm band.
    const TPdfWord* first = Find(pages[0], QStringLiteral("The"));
    const TPdfWord* last = Find(pages[0], QStringLiteral("Title"));
    ASSERT_TRUE(first && last);
    EXPECT_NEAR((first->left + last->right) / 2, 105.0, 1.0);
    // The second page starts again with record 38 in the first detail band.
    const TPdfWord* next = Find(pages[1], QStringLiteral("38"));
    ASSERT_NE(next, nullptr);
    EXPECT_NEAR(next->top, detail1, 1.0);
}

TEST_F(RecordReportPdf, PrintsTheSnapshotNotLaterRecords) {
    Fill(table, 3);
    const TRecordReport report(table);
    Fill(table, 50, 4); // arrive while the preview is open
    const auto pages = ReadPdfPages(Print(report));
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(RecordNumbers(pages[0]), (std::vector<int>{1, 2, 3}));
}

TEST_F(RecordReportPdf, TableEmptiedAfterTheSnapshotLeavesTheBandsEmpty) {
    Fill(table, 40);
    const TRecordReport report(table);
    table.Clear();
    const auto pages = ReadPdfPages(Print(report));
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_TRUE(RecordNumbers(pages[0]).empty());
    EXPECT_TRUE(pages[1].text.contains(QStringLiteral("The Data Print Foot")));
}

TEST_F(RecordReportPdf, PrintsAPageRange) {
    Fill(table, 80);
    const auto pages = ReadPdfPages(Print(TRecordReport(table), 1, 1));
    ASSERT_EQ(pages.size(), 1u);
    const auto numbers = RecordNumbers(pages[0]);
    ASSERT_EQ(numbers.size(), 37u);
    EXPECT_EQ(numbers.front(), 38);
}

TEST_F(RecordReportPdf, GlyphLabelsAreInkedOnThePaper) {
    Fill(table, 1);
    const QString path = Print(TRecordReport(table));
    const QImage page = RenderPdfPage(path, 1, 60);
    ASSERT_FALSE(page.isNull());
    // 60 dpi: the title band lies 12..22 mm from the top, centred; it must hold dark pixels.
    const double perMm = 60 / 25.4;
    int dark = 0;
    for (int y = int(12 * perMm); y < int(20 * perMm); ++y)
        for (int x = int(70 * perMm); x < int(140 * perMm); ++x)
            dark += qGray(page.pixel(x, y)) < 128;
    EXPECT_GT(dark, 20);
}

} // namespace
