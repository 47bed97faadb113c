// The window's recording: from a decoded frame to a grid row and a chart point, the limit menu,
// New, the quantity switch, the key filters and the chart's page width.

#include "display/QtChartAdapter.h"
#include "display/TChartControl.h"
#include "records/RecordTable.h"
#include "support_gui/WindowFixture.h"

#include <QAction>
#include <QChartView>
#include <QCheckBox>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QLineSeries>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QValueAxis>

namespace {

// Humidity 45.3, temperature 23.4 positive, unit "#", time 05:59, end marker CR LF.
constexpr char kFrameHex[] = "00343533323334300000000000300005"
                             "3B0D0A00";
constexpr char kFrameText[] = "04532340000000005BDA0";

class RecordsWindow : public WindowTest {
protected:
    // Offers one reading the way the decoder does.
    void Offer(const QByteArray& humidity, float value = 1.0f) {
        window->State.HumidityText = humidity;
        window->State.TemperatureText = "23.4";
        window->State.UnitText = "#";
        window->State.ChartValue = value;
        window->INDataToTable();
    }
    TRecordTable& Table() { return *window->cds1; }
    QString PageLabel() { return window->Bt10->text(); }
    std::vector<int32_t> Numbers() {
        std::vector<int32_t> numbers;
        for (int64_t i = 0; i < Table().Count(); ++i)
            numbers.push_back(*Table().NoAt(i));
        return numbers;
    }
};

TEST_F(RecordsWindow, DecodedFrameBecomesAGridRowAndAChartPoint) {
    window->State.RxHex = kFrameHex;
    window->State.FrameText = kFrameText;
    window->LcdDisplay55(1);
    ASSERT_EQ(Table().Count(), 1);
    QAbstractItemModel* grid = window->DBGrid1->model();
    ASSERT_EQ(grid->rowCount(), 1);
    QStringList row;
    for (int c = 0; c < 5; ++c)
        row << grid->index(0, c).data().toString();
    EXPECT_EQ(row, (QStringList{"1", "05:59", "45.3%RH", "23.4", "#"}));
    EXPECT_EQ(window->DBGrid1->currentIndex().row(), 0);
    EXPECT_EQ(window->State.RecordNo, 2);
    EXPECT_EQ(window->State.RecordCount, 1);
    EXPECT_EQ(PageLabel(), QStringLiteral("1"));

    window->ChartView->Flush();
    const QList<QPointF> points = window->ChartView->Series1()->points();
    ASSERT_EQ(points.size(), 2); // placeholder, then the reading at X = 1
    EXPECT_EQ(points[1].x(), 1);
    EXPECT_FLOAT_EQ(float(points[1].y()), 45.3f);
}

TEST_F(RecordsWindow, GridShowsTheColumnsAsLaidOut) {
    QHeaderView* columns = window->DBGrid1->horizontalHeader();
    EXPECT_EQ(columns->sectionSize(0), 51);
    EXPECT_EQ(columns->sectionSize(1), 60);
    EXPECT_EQ(columns->sectionSize(2), 59);
    EXPECT_EQ(columns->sectionSize(3), 64);
    EXPECT_EQ(columns->sectionSize(4), 42);
    EXPECT_EQ(window->DBGrid1->model()->headerData(2, Qt::Horizontal).toString(),
              QStringLiteral("%RH"));
    EXPECT_EQ(window->DBGrid1->model()->headerData(3, Qt::Horizontal).toString(),
              QStringLiteral("Temp"));
    EXPECT_EQ(window->DBGrid1->editTriggers(), QAbstractItemView::NoEditTriggers);
}

TEST_F(RecordsWindow, GridFollowsTheNewestRecord) {
    window->show();
    for (int i = 0; i < 200; ++i)
        Offer(QByteArray::number(i));
    QTableView* grid = window->DBGrid1;
    // Following is paced; it catches up within a few screen updates.
    EXPECT_TRUE(QTest::qWaitFor([&] { return grid->currentIndex().row() == 199; }, 5000));
    EXPECT_TRUE(grid->viewport()->rect().contains(grid->visualRect(grid->currentIndex())));
}

TEST_F(RecordsWindow, StartsWithTheLayoutsValues) {
    EXPECT_EQ(window->State.RecordNo, 1);
    EXPECT_EQ(window->State.RecordLimit, 10000);
    EXPECT_TRUE(window->N100001->isChecked());
    EXPECT_TRUE(window->LastRecordKey.isEmpty());
    EXPECT_EQ(window->SampleCountdown, 0);
    EXPECT_EQ(window->Chart->PointsPerPage(), 100);
    EXPECT_EQ(window->ChartView->VerticalMinimum(), -200);
    EXPECT_EQ(window->ChartView->VerticalMaximum(), 200);
}

TEST_F(RecordsWindow, LimitReachedThenNewStartsAgainAtOne) {
    window->N10001->trigger();
    EXPECT_EQ(window->State.RecordLimit, 1000);
    for (int i = 0; i < 1003; ++i)
        Offer(QByteArray::number(i));
    EXPECT_EQ(Table().Count(), 1000);
    EXPECT_EQ(window->State.RecordNo, 1001);
    EXPECT_EQ(window->Chart->PageCount(), 11); // 1000 readings and the placeholder
    window->RecordNewClick();
    EXPECT_EQ(dialogs.Texts(), QStringList{" Record deleted "});
    EXPECT_TRUE(Table().IsEmpty());
    EXPECT_TRUE(Table().ChangeLog().empty());
    Offer("new");
    EXPECT_EQ(Numbers(), std::vector<int32_t>{1});
}

TEST_F(RecordsWindow, LimitMenuTicksOneItem) {
    struct Item {
        QAction* action;
        int32_t limit;
    };
    for (const Item& item : {Item{window->limitess, 10000000}, Item{window->N50001, 5000},
                             Item{window->N1000001, 100000}, Item{window->N100001, 10000},
                             Item{window->N500001, 50000}, Item{window->N10001, 1000}}) {
        item.action->trigger();
        EXPECT_EQ(window->State.RecordLimit, item.limit);
        for (QAction* a : {window->N10001, window->N50001, window->N100001, window->N500001,
                           window->N1000001, window->limitess})
            EXPECT_EQ(a->isChecked(), a == item.action) << a->text().toStdString();
    }
    window->N10001->trigger(); // choosing the ticked item again keeps it ticked
    EXPECT_TRUE(window->N10001->isChecked());
}

TEST_F(RecordsWindow, RepeatFilterComparesAcrossNew) {
    window->RepeatSet->setChecked(true);
    for (const char* h : {"45.3%RH", "45.3%RH", "45.3%RH", "45.4%RH"})
        Offer(h);
    EXPECT_EQ(Numbers(), (std::vector<int32_t>{1, 4}));
    window->RecordNewClick();
    Offer("45.4%RH"); // same as the last record before New: dropped
    EXPECT_TRUE(Table().IsEmpty());
    Offer("45.5%RH");
    EXPECT_EQ(Numbers(), std::vector<int32_t>{2});
}

TEST_F(RecordsWindow, SamplingIntervalWithTrecord) {
    window->RecordSI->setChecked(true);
    window->RecordSITime->setText("3"); // the change restarts the wait
    EXPECT_EQ(window->SampleCountdown, 3);
    window->SampleCountdown = 0;
    for (int second = 0; second < 7; ++second) {
        Offer(QByteArray::number(second));
        window->TrecordTimer();
    }
    EXPECT_EQ(Table().Count(), 3); // seconds 0, 3 and 6
    window->TimeH->setText("12");  // any of the shared edits reloads from RecordSITime
    EXPECT_EQ(window->SampleCountdown, 3);
}

TEST_F(RecordsWindow, PastedBadIntervalIsReportedAndKeepsTheCountdown) {
    window->SampleCountdown = 2;
    window->RecordSITime->setText("1a");
    EXPECT_EQ(dialogs.Texts(), QStringList{"'1a' is not a valid integer value"});
    EXPECT_EQ(window->SampleCountdown, 2);
    window->RecordSITime->setText("");
    EXPECT_EQ(window->SampleCountdown, 0);
}

TEST_F(RecordsWindow, PastedBadIntervalIsSaidOnceAndRecordingGoesOnWithTheLastValidOne) {
    window->RecordSI->setChecked(true);
    window->RecordSITime->setText("2");
    window->SampleCountdown = 0;
    window->RecordSITime->setText("x"); // pasted
    window->TimeH->setText("12");       // the recall boxes share the handler: not said again
    window->TimeInt->setText("5");
    EXPECT_EQ(dialogs.Texts(), QStringList{"'x' is not a valid integer value"});

    // Readings are recorded every 2 s, the last interval the box held as a number.
    for (int second = 0; second < 5; ++second) {
        Offer(QByteArray::number(second));
        window->TrecordTimer();
    }
    EXPECT_EQ(Numbers(), (std::vector<int32_t>{1, 2, 3})); // seconds 0, 2 and 4
    EXPECT_EQ(dialogs.Texts().size(), 1);

    window->RecordSITime->setText("0"); // a number again: it counts from now on
    Offer("a");
    Offer("b");
    EXPECT_EQ(Table().Count(), 5);
    window->RecordSITime->setText("x"); // the same bad text again later is said again
    EXPECT_EQ(dialogs.Texts().size(), 2);
}

TEST_F(RecordsWindow, QuantitySwitchEmptiesTableAndChartAndSetsTheRange) {
    Offer("a");
    Offer("b");
    window->RHORTEMP->click();
    EXPECT_TRUE(Table().IsEmpty());
    EXPECT_EQ(window->State.RecordNo, 1);
    EXPECT_EQ(window->ChartView->PointCount(0), 1);
    EXPECT_EQ(window->ChartView->VerticalMinimum(), -10000);
    EXPECT_EQ(window->ChartView->VerticalMaximum(), 10000);
    EXPECT_EQ(window->ChartView->VerticalAxis()->max(), 10000);
    window->RHORTEMP->click();
    EXPECT_EQ(window->ChartView->VerticalMinimum(), -200);
    EXPECT_EQ(window->ChartView->VerticalMaximum(), 200);
    EXPECT_TRUE(dialogs.Texts().isEmpty());
}

TEST_F(RecordsWindow, NewKeepsThePageLabelUntilTheNextReading) {
    for (int i = 0; i < 150; ++i)
        Offer(QByteArray::number(i));
    EXPECT_EQ(PageLabel(), QStringLiteral("2"));
    window->BtNew->click();
    EXPECT_EQ(PageLabel(), QStringLiteral("2"));
    EXPECT_EQ(window->Chart->Page(), 1);
    Offer("x");
    EXPECT_EQ(PageLabel(), QStringLiteral("1"));
}

TEST_F(RecordsWindow, NewOnAnEmptyTableStillShowsTheMessage) {
    window->New1->trigger();
    EXPECT_EQ(dialogs.Texts(), QStringList{" Record deleted "});
}

TEST_F(RecordsWindow, PageButtonsShowThePage) {
    for (int i = 0; i < 350; ++i)
        Offer(QByteArray::number(i));
    window->BTPrevious->click();
    EXPECT_EQ(PageLabel(), QStringLiteral("3"));
    window->BtFirst->click();
    EXPECT_EQ(PageLabel(), QStringLiteral("1"));
    window->BtNext->click();
    EXPECT_EQ(PageLabel(), QStringLiteral("2"));
    window->BTlast->click();
    EXPECT_EQ(PageLabel(), QStringLiteral("4"));
}

TEST_F(RecordsWindow, PageWidthChangesWhenTimer1Fires) {
    for (int i = 0; i < 120; ++i)
        Offer(QByteArray::number(i));
    window->Maxrecord->setText("50");
    EXPECT_TRUE(window->Timer1->isActive());
    EXPECT_EQ(window->Chart->PointsPerPage(), 100); // not before the timer
    window->Timer1Timer();
    EXPECT_FALSE(window->Timer1->isActive());
    EXPECT_EQ(window->Chart->PointsPerPage(), 50);
    EXPECT_EQ(PageLabel(), QStringLiteral("3"));
}

const QString kPageWidthMessage =
    QStringLiteral("Points per page must be a whole number of at least 1.");

TEST_F(RecordsWindow, PageWidthRefusesZeroAndNonIntegersOnce) {
    struct Case {
        const char* text;
        QString message; // empty: none
    };
    for (const Case& c : {Case{"0", kPageWidthMessage}, Case{"00", kPageWidthMessage},
                          Case{"7x", "'7x' is not a valid integer value"}, // pasted
                          Case{"-3", kPageWidthMessage}}) {
        dialogs.messages.clear();
        window->Maxrecord->setText("20"); // a valid width waiting for Timer1 ...
        window->Maxrecord->setText(c.text);
        EXPECT_EQ(dialogs.Texts(), QStringList{c.message}) << c.text;
        EXPECT_FALSE(window->Timer1->isActive()) << c.text; // ... superseded by the change
        window->Timer1Timer();
        EXPECT_EQ(window->Chart->PointsPerPage(), 100) << c.text;
        EXPECT_EQ(dialogs.messages.size(), 1u) << c.text; // said once, not again by the timer
    }
}

TEST_F(RecordsWindow, EmptyPageWidthWaitsForTypingOrLeavingTheBox) {
    window->Maxrecord->setText("");
    EXPECT_TRUE(dialogs.messages.empty()); // deleting the text to type a new number
    window->Maxrecord->setText("5");
    window->Timer1Timer();
    EXPECT_EQ(window->Chart->PointsPerPage(), 5);
    EXPECT_TRUE(dialogs.messages.empty());

    // Left empty: said once, and the box shows the chart's width again.
    window->Maxrecord->setText("");
    QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(window->Maxrecord, &leave);
    EXPECT_EQ(dialogs.Texts(), QStringList{kPageWidthMessage});
    EXPECT_EQ(window->Maxrecord->text(), QStringLiteral("5"));
    EXPECT_FALSE(window->Timer1->isActive());

    // Left holding a refused width: it was said when typed; the box shows the width again.
    window->Maxrecord->setText("0");
    QCoreApplication::sendEvent(window->Maxrecord, &leave);
    EXPECT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(window->Maxrecord->text(), QStringLiteral("5"));

    // A message box taking the focus is not the user leaving the box.
    window->Maxrecord->setText("");
    QFocusEvent boxOpens(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QCoreApplication::sendEvent(window->Maxrecord, &boxOpens);
    EXPECT_EQ(dialogs.messages.size(), 2u);
    EXPECT_TRUE(window->Maxrecord->text().isEmpty());
}

TEST_F(RecordsWindow, KeyFiltersDiscardCharactersOutsideTheirSets) {
    struct Case {
        QObject* edit;
        char key;
        bool passes;
    };
    for (const Case& c :
         {Case{window->RecordSITime, '5', true}, Case{window->RecordSITime, '-', false},
          Case{window->Maxrecord, 'a', false}, Case{window->TimeInt, '\b', true},
          Case{window->RecordSITime, '\r', false}, Case{window->Setmax, '-', true},
          Case{window->SetMin, '+', true}, Case{window->Setmax, '.', false},
          Case{window->SetMin, '\r', false}}) {
        char key = c.key;
        if (c.edit == window->Setmax || c.edit == window->SetMin)
            window->SetmaxKeyPress(c.edit, key);
        else
            window->RecordSITimeKeyPress(c.edit, key);
        EXPECT_EQ(key != 0, c.passes) << int(c.key);
    }
}

TEST_F(RecordsWindow, ChartToolbarStaysAboveThePlot) {
    window->show();
    QChartView* view = window->Chtshow;
    const QRectF plot = view->chart()->plotArea();
    EXPECT_GE(plot.top(), window->Maxrecord->geometry().bottom());
    for (QWidget* control :
         {static_cast<QWidget*>(window->Maxrecord), static_cast<QWidget*>(window->Bt10),
          static_cast<QWidget*>(window->RHORTEMP)}) {
        EXPECT_TRUE(control->isVisibleTo(window.get()));
        // Nothing of the plot covers the control.
        QWidget* top = view->childAt(control->geometry().center());
        EXPECT_TRUE(top == control || control->isAncestorOf(top))
            << control->objectName().toStdString();
    }
}

} // namespace
