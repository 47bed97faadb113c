// The print preview opened by BtPrint: one at a time, the grid frozen while it shows, the main
// window running meanwhile, and its commands.

#include "PdfTools.h"
#include "PrintWindowFixture.h"
#include "app/TPrintPreview.h"

#include "support/WaitUntil.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QScrollArea>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace {

using PrintPreviewTest = PrintWindowTest;

TEST_F(PrintPreviewTest, OpensWithItsCaptionAndTheTablesPages) {
    AddRecords(80);
    window->BtPrint->click();
    TPrintPreview* preview = window->PrintPreview;
    ASSERT_NE(preview, nullptr);
    EXPECT_TRUE(preview->isVisible());
    EXPECT_EQ(preview->windowTitle(), QStringLiteral("Print Preview"));
    EXPECT_EQ(preview->Report().PageCount(), 3);
    EXPECT_EQ(preview->PageLabel->text(), QStringLiteral("Page 1 of 3"));
    EXPECT_TRUE(dialogs.messages.empty());
    preview->close();
}

TEST_F(PrintPreviewTest, GridStaysFrozenUntilThePreviewCloses) {
    AddRecords(3);
    listener = {};
    const QAbstractItemModel* grid = window->DBGrid1->model();
    ASSERT_EQ(grid->rowCount(), 3);
    window->BtPrint->click();
    ASSERT_NE(window->PrintPreview, nullptr);
    AddRecords(5); // readings keep arriving
    EXPECT_EQ(listener.appended, 0);
    EXPECT_EQ(listener.resets, 0);
    EXPECT_EQ(grid->rowCount(), 3);
    // The preview shows the pages built when it opened.
    EXPECT_EQ(window->PrintPreview->Report().RecordCount(), 3);

    window->PrintPreview->close();
    EXPECT_EQ(window->PrintPreview, nullptr);
    EXPECT_EQ(listener.resets, 1); // the grid catches up at once
    EXPECT_EQ(grid->rowCount(), 8);
    AddRecords(1);
    EXPECT_EQ(listener.appended, 1); // and follows again
}

TEST_F(PrintPreviewTest, SecondClickOpensNoSecondPreview) {
    AddRecords(1);
    listener = {};
    window->BtPrint->click();
    QPointer<TPrintPreview> first = window->PrintPreview;
    window->BtPrint->click();
    EXPECT_EQ(window->PrintPreview, first.data());
    EXPECT_EQ(window->findChildren<TPrintPreview*>().size(), 1);
    first->close();
    // Suspending nests: one close must be enough to let the grid follow again.
    AddRecords(1);
    EXPECT_EQ(listener.appended, 1);
    // The closed preview goes away with the next round of events.
    QTRY_VERIFY_WITH_TIMEOUT(first.isNull(), 10000);
    window->BtPrint->click();
    EXPECT_NE(window->PrintPreview, nullptr);
    window->PrintPreview->close();
}

TEST_F(PrintPreviewTest, ClickWaitsForTheCloseWhileTheMainWindowKeepsWorking) {
    AddRecords(40);
    listener = {};
    window->PrintPreviewWaits = true;
    bool sawPreview = false, timerRan = false;
    QTimer mainWindowTimer; // stands for the window's timers and device data
    mainWindowTimer.setInterval(1);
    QObject::connect(&mainWindowTimer, &QTimer::timeout, [&] {
        timerRan = true;
        if (TPrintPreview* preview = window->PrintPreview) {
            sawPreview = preview->isVisible();
            AddRecords(1);
            preview->close();
        }
    });
    mainWindowTimer.start();
    QTimer::singleShot(30000, window.get(), [&] { // a safety net, never reached when all is well
        if (window->PrintPreview)
            window->PrintPreview->close();
    });
    window->BtPrint->click(); // returns only when the preview has closed
    mainWindowTimer.stop();
    EXPECT_TRUE(timerRan);
    EXPECT_TRUE(sawPreview);
    EXPECT_EQ(window->PrintPreview, nullptr);
    EXPECT_EQ(listener.appended, 0);
    EXPECT_EQ(listener.resets, 1);
    EXPECT_EQ(window->cds1->Count(), 41);
}

TEST_F(PrintPreviewTest, ClosingTheMainWindowClosesThePreview) {
    AddRecords(2);
    window->show();
    window->BtPrint->click();
    AddRecords(1);
    window->close();
    EXPECT_EQ(window->PrintPreview, nullptr);
    EXPECT_EQ(listener.resets, 1);
}

TEST_F(PrintPreviewTest, PageCommandsMoveAndStopAtTheEnds) {
    AddRecords(80);
    window->BtPrint->click();
    TPrintPreview& p = *window->PrintPreview;
    struct Step {
        QAction* action;
        int page;
        bool backEnabled, forwardEnabled;
    };
    const std::vector<Step> steps = {
        {p.NextPageAction, 1, true, true},   {p.NextPageAction, 2, true, false},
        {p.NextPageAction, 2, true, false},  {p.PreviousPageAction, 1, true, true},
        {p.FirstPageAction, 0, false, true}, {p.PreviousPageAction, 0, false, true},
        {p.LastPageAction, 2, true, false},
    };
    EXPECT_FALSE(p.FirstPageAction->isEnabled());
    for (const Step& step : steps) {
        step.action->trigger();
        EXPECT_EQ(p.CurrentPage(), step.page) << step.action->objectName().toStdString();
        EXPECT_EQ(p.PreviousPageAction->isEnabled(), step.backEnabled);
        EXPECT_EQ(p.FirstPageAction->isEnabled(), step.backEnabled);
        EXPECT_EQ(p.NextPageAction->isEnabled(), step.forwardEnabled);
        EXPECT_EQ(p.LastPageAction->isEnabled(), step.forwardEnabled);
        EXPECT_EQ(p.PageLabel->text(), QStringLiteral("Page %1 of 3").arg(step.page + 1));
    }
    p.close();
}

TEST_F(PrintPreviewTest, ZoomToFitHundredPercentAndWidth) {
    AddRecords(10);
    window->BtPrint->click();
    TPrintPreview& p = *window->PrintPreview;
    p.resize(700, 600);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&p));
    const QSize viewport = p.Scroller()->viewport()->size();

    p.ZoomFitAction->trigger();
    EXPECT_TRUE(p.ZoomFitAction->isChecked());
    EXPECT_LE(p.PageView()->width(), viewport.width());
    EXPECT_LE(p.PageView()->height(), p.Scroller()->viewport()->height());

    p.ZoomActualAction->trigger();
    EXPECT_TRUE(p.ZoomActualAction->isChecked());
    EXPECT_FALSE(p.ZoomFitAction->isChecked());
    EXPECT_DOUBLE_EQ(p.PixelsPerMm(), p.logicalDpiX() / 25.4);
    EXPECT_NEAR(p.PageView()->height(), 297 * p.logicalDpiX() / 25.4, 40);

    p.ZoomWidthAction->trigger();
    const int room = p.Scroller()->viewport()->width();
    EXPECT_LE(p.PageView()->width(), room);
    EXPECT_GT(p.PageView()->width(), room - 8);
    EXPECT_GT(p.PageView()->height(), p.Scroller()->viewport()->height()); // taller than wide
    p.close();
}

TEST_F(PrintPreviewTest, ShowsThePageInk) {
    AddRecords(5);
    window->BtPrint->click();
    TPrintPreview& p = *window->PrintPreview;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&p));
    const QImage shot = p.PageView()->grab().toImage();
    int white = 0, dark = 0;
    for (int y = 0; y < shot.height(); y += 2)
        for (int x = 0; x < shot.width(); x += 2) {
            const int g = qGray(shot.pixel(x, y));
            white += g > 250;
            dark += g < 80;
        }
    EXPECT_GT(white, 1000); // the paper
    EXPECT_GT(dark, 20);    // the text on it
    p.close();
}

TEST_F(PrintPreviewTest, EmptyTableShowsNoPageAndOffersNoPrint) {
    window->BtPrint->click();
    TPrintPreview& p = *window->PrintPreview;
    EXPECT_EQ(p.Report().PageCount(), 0);
    EXPECT_EQ(p.PageLabel->text(), QStringLiteral("No pages"));
    EXPECT_FALSE(p.PrintAction->isEnabled());
    EXPECT_FALSE(p.SaveReportAction->isEnabled());
    EXPECT_FALSE(p.NextPageAction->isEnabled());
    p.close();
    EXPECT_EQ(listener.resets, 0); // nothing changed meanwhile
}

TEST_F(PrintPreviewTest, SavesTheReportAsPdf) {
    AddRecords(80);
    window->BtPrint->click();
    TPrintPreview& p = *window->PrintPreview;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("report.pdf"));
    dialogs.saveAnswers.push_back(path);
    p.SaveReportAction->trigger();
    ASSERT_EQ(dialogs.saveRequests.size(), 1u);
    EXPECT_EQ(dialogs.saveRequests[0].filter, QStringLiteral("PDF Files (*.pdf)|*.pdf"));
    // Says where it went.
    EXPECT_EQ(dialogs.Texts(), QStringList{"The report was saved as " + path});
    EXPECT_EQ(ReadPdfPages(path).size(), 3u);
    p.close();
}

TEST_F(PrintPreviewTest, ReportThatCannotBeSavedSaysWhy) {
    AddRecords(2);
    window->BtPrint->click();
    TPrintPreview& p = *window->PrintPreview;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("missing/report.pdf"));
    dialogs.saveAnswers.push_back(path);
    p.SaveReportAction->trigger();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_TRUE(dialogs.messages[0].text.startsWith(
        QStringLiteral("Cannot create file \"%1\". ").arg(path)))
        << dialogs.messages[0].text.toStdString();
    EXPECT_FALSE(QFile::exists(path));
    p.close();
}

TEST_F(PrintPreviewTest, CancelledSaveDoesNothing) {
    AddRecords(2);
    window->BtPrint->click();
    TPrintPreview& p = *window->PrintPreview;
    p.SaveReportAction->trigger(); // empty answer queue: cancel
    EXPECT_EQ(dialogs.saveRequests.size(), 1u);
    EXPECT_TRUE(dialogs.messages.empty());
    p.close();
}

// Runs `look` on the modal dialog the next command opens, then closes the dialog unanswered.
void OnNextModalDialog(std::function<void(QWidget*)> look) {
    QTimer::singleShot(0, [look] {
        QWidget* dialog = QApplication::activeModalWidget();
        look(dialog);
        if (auto* d = qobject_cast<QDialog*>(dialog))
            d->reject();
    });
}

TEST_F(PrintPreviewTest, PrinterSetupButtonSaysOkNotPrint) {
    AddRecords(2);
    window->BtPrint->click();
    TPrintPreview& p = *window->PrintPreview;
    QStringList buttons;
    OnNextModalDialog([&](QWidget* dialog) {
        ASSERT_NE(dialog, nullptr);
        for (QPushButton* b : dialog->findChildren<QPushButton*>())
            if (b->isVisible())
                buttons << b->text().remove('&');
    });
    p.PrinterSetupAction->trigger();
    EXPECT_TRUE(buttons.contains("OK")) << buttons.join(',').toStdString();
    EXPECT_FALSE(buttons.contains("Print")) << buttons.join(',').toStdString();
    p.close();
}

TEST_F(PrintPreviewTest, OpeningWithoutAViewerSaysSo) {
    AddRecords(2);
    window->BtPrint->click();
    TPrintPreview& p = *window->PrintPreview;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("report.pdf"));
    ASSERT_FALSE(p.SaveReportAs(path));
    struct Case {
        QString opener;
        QStringList arguments;
        bool opens;
    };
    for (const Case& c : {Case{"/nonexistent/pdf-viewer", {}, false},    // nothing to start
                          Case{"sh", {"-c", "exit 3", "opener"}, false}, // no viewer took it
                          Case{"sh", {"-c", "test -f \"$1\"", "opener"}, true}}) {
        dialogs.messages.clear();
        p.PdfOpener = c.opener;
        p.PdfOpenerArguments = c.arguments;
        dialogs.openAnswers.push_back(path);
        p.OpenReportAction->trigger();
        EXPECT_EQ(p.findChild<QProcess*>(), nullptr); // closing the preview does not end it
        ASSERT_TRUE(WaitUntil([&] { return p.OpenersRunning() == 0; }));
        if (c.opens)
            EXPECT_TRUE(dialogs.messages.empty()) << c.opener.toStdString();
        else
            EXPECT_EQ(dialogs.Texts(), QStringList{"No PDF viewer could open " + path})
                << c.opener.toStdString();
    }
    p.close();
}

TEST(PrintPreviewDialogs, OpenInFrontOfThePreview) {
    TRecordTable table;
    TPrintPreview preview(std::make_unique<TRecordReport>(table), nullptr);
    table.Append(TRecord{});
    preview.show();
    QWidget* parentWindow = nullptr;
    OnNextModalDialog([&](QWidget* dialog) {
        ASSERT_NE(dialog, nullptr);
        parentWindow = dialog->parentWidget() ? dialog->parentWidget()->window() : nullptr;
    });
    preview.OpenReportAction->trigger();
    EXPECT_EQ(parentWindow, &preview);
}

} // namespace
