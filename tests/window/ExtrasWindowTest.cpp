// The additions beside the described window: alarm limits, statistics, the fitted range, the
// overview and the spreadsheet export. None of them shows until asked for or until an alarm.

#include "display/AlarmLines.h"
#include "display/QtChartAdapter.h"
#include "display/RecordTableModel.h"
#include "display/TChartControl.h"
#include "display/TGlyphLabel.h"
#include "records/RecordTable.h"
#include "support_gui/WindowFixture.h"

#include <QAction>
#include <QChartView>
#include <QCheckBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QMenu>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QToolButton>
#include <QValueAxis>

namespace {

const QColor kRed(220, 0, 0);

class ExtrasWindow : public WindowTest {
protected:
    void SetUp() override {
        TFCOMMEnvironment environment;
        environment.alarmNotify = [this](const QString& message) { notices << message; };
        MakeWindow(environment);
    }
    // A decoded reading as the decoder leaves it, then the alarm and the record table's turn.
    void Reading(const QByteArray& humidity, const QByteArray& temperature = "23.4") {
        window->State.HumidityText = humidity;
        window->State.TemperatureText = temperature;
        window->State.UnitText = "#";
        if (auto value = humidity.chopped(3).toFloat(); !humidity.startsWith('-'))
            window->State.ChartValue = value;
        window->AlarmReading();
        window->INDataToTable();
    }
    void SetLimits(const char* max, bool maxOn, const char* min, bool minOn) {
        window->Setmax->setText(QString::fromLatin1(max));
        window->SetMin->setText(QString::fromLatin1(min));
        if (window->SetMaxB->isChecked() != maxOn)
            window->SetMaxB->click();
        if (window->SetMinB->isChecked() != minOn)
            window->SetMinB->click();
    }
    QColor RowColour(int row) {
        return window->DBGrid1->model()->index(row, 2).data(Qt::ForegroundRole).value<QColor>();
    }
    // Opens a data file of one record (No 7 at 09:00, 30.0 %RH), which has no received time.
    void OpenOneRecordFile() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("old.xls"));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("No\tTime\t%RH\tTemp\tUnit\r\n7\t09:00\t30.0%RH\t1.0\t#\r\n");
        file.close();
        dialogs.openAnswers.push_back(path);
        window->OpenDataFiles->click();
    }
    bool HumidityRed() { return window->LcdD2->Style().ink == kRed; }
    TQtChartAdapter& Chart() { return *window->ChartView; }

    QStringList notices;
};

TEST_F(ExtrasWindow, NothingAddedShowsAtStart) {
    const QList<QAction*> items = window->RecordMenu->actions();
    QStringList captions;
    for (QAction* item : items)
        captions << item->text();
    // The described items keep their places; the additions follow a separator.
    EXPECT_EQ(captions, (QStringList{"New", "Save", "", "1000", "5000", "10000", "50000", "100000",
                                     "limitless", "", "Recent Recordings...", "Export CSV...",
                                     "Alarm Limits...", "Statistics"}));
    EXPECT_FALSE(window->StatisticsLine->isVisibleTo(window.get()));
    EXPECT_FALSE(window->AlarmLines->MaxLine()->isVisible());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("RX47 Interface Program V2.01"));
    EXPECT_EQ(window->MinText->text(), QStringLiteral("40001"));
    EXPECT_EQ(window->MaxText->text(), QStringLiteral("-40001"));
}

TEST_F(ExtrasWindow, AlarmFiresOnceAndColoursGridChartAndReadout) {
    SetLimits("60", true, "30", true);
    EXPECT_TRUE(window->AlarmLines->MaxLine()->isVisible());
    EXPECT_TRUE(window->AlarmLines->MinLine()->isVisible());
    EXPECT_EQ(window->AlarmLines->MaxLine()->points().first().y(), 60);

    Reading("50.0%RH");
    Reading("60.0%RH"); // equal to the maximum: in range
    EXPECT_TRUE(notices.isEmpty());
    EXPECT_FALSE(HumidityRed());
    Reading("60.1%RH");
    Reading("65.0%RH");
    ASSERT_EQ(notices.size(), 1);
    EXPECT_EQ(notices[0], QStringLiteral("60.1 %RH above the maximum 60.0 %RH"));
    EXPECT_TRUE(HumidityRed());
    EXPECT_NE(window->LcdDT2->Style().ink, kRed); // temperature is not plotted
    EXPECT_NE(RowColour(1), kRed);
    EXPECT_EQ(RowColour(2), kRed);
    EXPECT_EQ(RowColour(3), kRed);

    Reading("----"); // no reading: the alarm stands
    EXPECT_TRUE(HumidityRed());
    Reading("29.9%RH"); // from above to below without coming back in: no second notice
    EXPECT_EQ(notices.size(), 1);
    Reading("50.0%RH");
    Reading("29.9%RH");
    ASSERT_EQ(notices.size(), 2);
    EXPECT_EQ(notices[1], QStringLiteral("29.9 %RH below the minimum 30.0 %RH"));
    Reading("45.0%RH");
    EXPECT_FALSE(HumidityRed());
}

TEST_F(ExtrasWindow, LimitsMovedOrUntickedWhileOutOfRange) {
    SetLimits("60", true, "0", false);
    Reading("70.0%RH");
    ASSERT_EQ(notices.size(), 1);
    EXPECT_EQ(RowColour(0), kRed);

    window->Setmax->setText(QStringLiteral("80")); // now in range, at once
    EXPECT_FALSE(HumidityRed());
    EXPECT_NE(RowColour(0), kRed);
    Reading("81.0%RH");
    EXPECT_EQ(notices.size(), 2);

    window->SetMaxB->click(); // unticked: no alarm at all
    EXPECT_FALSE(HumidityRed());
    EXPECT_NE(RowColour(1), kRed);
    EXPECT_FALSE(window->AlarmLines->MaxLine()->isVisible());
    Reading("99.0%RH");
    EXPECT_EQ(notices.size(), 2);

    // A limit text that is no integer keeps its conversion message and the previous limit.
    window->SetMaxB->click();
    window->Setmax->setText(QStringLiteral("5-"));
    EXPECT_EQ(dialogs.Texts().back(), QStringLiteral("'5-' is not a valid integer value"));
    EXPECT_EQ(window->AlarmLines->MaxLine()->points().first().y(), 80);
}

TEST_F(ExtrasWindow, TemperatureAlarmsWhenTemperatureIsPlotted) {
    window->RHORTEMP->click();
    SetLimits("0", false, "-10", true);
    Reading("50.0%RH", "-12.5");
    ASSERT_EQ(notices.size(), 1);
    EXPECT_EQ(notices[0], QStringLiteral("-12.5 below the minimum -10.0"));
    EXPECT_EQ(window->LcdDT2->Style().ink, kRed);
    EXPECT_FALSE(HumidityRed());
}

TEST_F(ExtrasWindow, WithoutANotificationServiceTheCaptionSaysIt) {
    // No notifier given and no session bus to reach: the caption carries the alarm.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/rx47-test-bus");
    MakeWindow();
    SetLimits("60", true, "0", false);
    Reading("61.0%RH");
    EXPECT_EQ(window->windowTitle(),
              QStringLiteral("RX47 Interface Program V2.01 - ALARM: 61.0 %RH above the maximum "
                             "60.0 %RH"));
    Reading("50.0%RH");
    EXPECT_EQ(window->windowTitle(), QStringLiteral("RX47 Interface Program V2.01"));
}

TEST_F(ExtrasWindow, AlarmLimitsItemScrollsToThePanel) {
    window->show();
    const int before = window->ClientArea->verticalScrollBar()->value();
    window->AlarmLimits1->trigger();
    EXPECT_GT(window->ClientArea->verticalScrollBar()->value(), before);
    const QRect shown(QPoint(window->ClientArea->horizontalScrollBar()->value(),
                             window->ClientArea->verticalScrollBar()->value()),
                      window->ClientArea->viewport()->size());
    EXPECT_TRUE(shown.contains(window->Panel3->geometry()));
}

TEST_F(ExtrasWindow, StatisticsLineAfterReadingsNewAndOpen) {
    window->Statistics1->trigger();
    EXPECT_TRUE(window->StatisticsLine->isVisibleTo(window.get()));
    EXPECT_EQ(window->StatisticsLine->text(), QStringLiteral("%RH: no readings"));
    Reading("40.0%RH");
    Reading("50.0%RH");
    window->ShowStatistics(); // what the paced update does
    // Since when the first reading was received; the tooltip holds the line where it is cut.
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^%RH: 2 readings, min 40.0, max 50.0, mean "
                                                  "45.00 since \\d{4}-\\d\\d-\\d\\d "
                                                  "\\d\\d:\\d\\d$"))
                    .match(window->StatisticsLine->toolTip())
                    .hasMatch())
        << window->StatisticsLine->toolTip().toStdString();

    window->RecordNew->click();
    window->ShowStatistics();
    EXPECT_EQ(window->StatisticsLine->text(), QStringLiteral("%RH: no readings"));

    OpenOneRecordFile();
    window->ShowStatistics();
    EXPECT_EQ(window->StatisticsLine->text(),
              QStringLiteral("%RH: 1 reading, min 30.0, max 30.0, mean 30.00 since No 7 (09:00)"));

    window->Statistics1->trigger();
    EXPECT_FALSE(window->StatisticsLine->isVisibleTo(window.get()));
}

// "Received": hidden at start, shown and hidden again from the grid header's context menu;
// a recorded reading has one, a record opened from a file an empty cell.
TEST_F(ExtrasWindow, ReceivedColumnFromTheHeaderMenu) {
    const int column = TRecordTableModel::ReceivedColumn;
    QTableView* grid = window->DBGrid1;
    EXPECT_TRUE(grid->isColumnHidden(column));
    EXPECT_EQ(grid->horizontalHeader()->contextMenuPolicy(), Qt::CustomContextMenu);
    ASSERT_EQ(window->GridColumnsMenu->actions().size(), 1);
    EXPECT_EQ(window->ShowReceived1->text(), QStringLiteral("Received"));
    EXPECT_FALSE(window->ShowReceived1->isChecked());

    Reading("45.0%RH");
    const QModelIndex received = grid->model()->index(0, column);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d$"))
                    .match(received.data().toString())
                    .hasMatch())
        << received.data().toString().toStdString();
    EXPECT_EQ(grid->model()->index(0, 1).data(Qt::ToolTipRole).toString(),
              QStringLiteral("Received ") + received.data().toString());

    window->ShowReceived1->trigger();
    EXPECT_FALSE(grid->isColumnHidden(column));
    EXPECT_GT(grid->columnWidth(column), 100);
    window->ShowReceived1->trigger();
    EXPECT_TRUE(grid->isColumnHidden(column));

    window->RecordNew->click();
    OpenOneRecordFile();
    ASSERT_EQ(grid->model()->rowCount(), 1);
    EXPECT_EQ(grid->model()->index(0, column).data().toString(), QString());
    EXPECT_FALSE(grid->model()->index(0, 1).data(Qt::ToolTipRole).isValid());
}

TEST_F(ExtrasWindow, FitAndOverviewOnTheFirstAndLastPage) {
    // Two and a half pages: 40..49 on page 1, 60..69 on the others.
    for (int i = 1; i <= 250; ++i)
        Reading(QByteArray::number(i <= 100 ? 40 + i % 10 : 60 + i % 10) + ".0%RH");
    EXPECT_EQ(window->Bt10->text(), QStringLiteral("3"));
    window->BtFit->click(); // last page: 60..69
    EXPECT_EQ(Chart().VerticalMinimum(), 58);
    EXPECT_EQ(Chart().VerticalMaximum(), 70);
    window->BtFirst->click(); // first page: 40..49 (the placeholder at X = 0 does not count)
    window->BtFit->click();
    EXPECT_EQ(Chart().VerticalMinimum(), 38);
    EXPECT_EQ(Chart().VerticalMaximum(), 50);

    window->BtOverview->click();
    EXPECT_TRUE(Chart().Overview());
    window->BtFit->click(); // the whole recording
    EXPECT_EQ(Chart().VerticalMinimum(), 35);
    EXPECT_EQ(Chart().VerticalMaximum(), 75);
    Chart().Flush();
    EXPECT_EQ(Chart().HorizontalAxis()->min(), 1);
    EXPECT_EQ(Chart().HorizontalAxis()->max(), 250);

    window->BTlast->click(); // a page button returns to paging, on the last page
    EXPECT_FALSE(Chart().Overview());
    EXPECT_FALSE(window->BtOverview->isChecked());
    Chart().Flush();
    EXPECT_EQ(Chart().HorizontalAxis()->min(), 201);
    EXPECT_EQ(Chart().HorizontalAxis()->max(), 300);
    EXPECT_EQ(window->Bt10->text(), QStringLiteral("3"));

    // The quantity switch puts back the described range.
    window->RHORTEMP->click();
    EXPECT_EQ(Chart().VerticalMaximum(), 10000);
    EXPECT_EQ(Chart().VerticalMinimum(), -10000);
}

TEST_F(ExtrasWindow, FitOnAPageWithoutReadingsChangesNothing) {
    window->BtFit->click();
    EXPECT_EQ(Chart().VerticalMinimum(), -200);
    EXPECT_EQ(Chart().VerticalMaximum(), 200);
}

TEST_F(ExtrasWindow, ExportCsvFromTheMenu) {
    window->DecimalSep = ",";
    window->Readout.LCDTime = "05:59";
    Reading("45,3%RH", "-1,5");
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("r.csv"));
    dialogs.saveAnswers.push_back(path);
    window->ExportCsv1->trigger();
    ASSERT_EQ(dialogs.saveRequests.size(), 1u);
    EXPECT_EQ(dialogs.saveRequests[0].filter, QStringLiteral("CSV File(*.csv)|*.csv"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    ASSERT_GE(lines.size(), 2);
    // The recorded reading's received time in both forms, then its fields.
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d[+-]"
                                                  "\\d\\d:\\d\\d;\\d{4}-\\d\\d-\\d\\d "
                                                  "\\d\\d:\\d\\d:\\d\\d;1;"))
                    .match(QString::fromUtf8(lines[1]))
                    .hasMatch())
        << lines[1].constData();
    EXPECT_TRUE(lines[1].endsWith(";1;05:59;45,3;-1,5;\xC2\xB0"
                                  "C;no\r"))
        << lines[1].constData();
    EXPECT_EQ(dialogs.Texts().back(), QStringLiteral("Exported 1 records to %1").arg(path));

    dialogs.saveAnswers.push_back(dir.filePath(QStringLiteral("no/such/dir/r.csv")));
    window->ExportCsv1->trigger();
    EXPECT_TRUE(dialogs.Texts().back().startsWith(QStringLiteral("Could not export to ")));
    EXPECT_EQ(dialogs.messages.back().icon, TMessageIcon::Error);
}

} // namespace
