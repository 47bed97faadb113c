// The window's recording journal: every record goes to the journal of the table's life, New,
// the quantity switch and Exit end it with their reason, a recording left behind is offered back
// at start-up and goes on where it stopped, kept recordings open from "Recent Recordings...", and
// a journal that cannot be written is said once while recording goes on.

#include "display/TChartControl.h"
#include "records/JournalFormat.h"
#include "records/JournalStore.h"
#include "records/RecordTable.h"
#include "support_gui/WindowFixture.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QToolButton>

namespace {

constexpr TReceivedTime kMorning = 1'765'436'400'000; // 2025-12-11 07:00 UTC

class JournalWindow : public WindowTest {
protected:
    void SetUp() override { Start(); }
    // A window on the test's journal folder, its start-up steps run.
    void Start(const QString& folder = {}) {
        TFCOMMEnvironment environment;
        environment.journalFolder = folder.isEmpty() ? Folder() : folder;
        MakeWindow(environment);
        QCoreApplication::processEvents();
    }
    QString Folder() const { return QDir(dir.path()).filePath("rx47"); }
    void Offer(const QByteArray& humidity) {
        window->State.HumidityText = humidity;
        window->State.TemperatureText = "-23.4";
        window->State.UnitText = "#";
        window->State.ChartValue = 1.0f;
        window->INDataToTable();
    }
    std::vector<TJournalEntry> Journals() const { return TJournalStore(Folder()).List(); }
    // A journal of `count` records numbered from 1 with every third number skipped, as a crash
    // leaves it: no ending in the name, the last line cut short.
    QString LeaveBehind(int count, TJournalQuantity quantity) {
        QDir().mkpath(Folder());
        const QString path = TJournalStore(Folder()).NewJournalPath(
            QDateTime::currentDateTime().addSecs(-3600), quantity);
        TJournalLineFormatter formatter;
        QByteArray text = JournalHeader(), line;
        int32_t no = 0;
        for (int i = 0; i < count; ++i) {
            no += (i % 3 == 2) ? 2 : 1;
            TRecord record;
            record.No = no;
            record.TextOf(TField::Time) = "07:00";
            record.TextOf(TField::Value) = QByteArray::number(40 + i % 10) + ".5%RH";
            record.TextOf(TField::Range) = "-2" + QByteArray::number(i % 10) + ".4";
            record.TextOf(TField::Unit) = "#";
            record.Received = kMorning + i * 1000;
            formatter.Format(record, line);
            text += line;
            written.push_back(record);
        }
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text + "9\t07:0");
        return path;
    }

    QTemporaryDir dir;
    std::vector<TRecord> written;
};

TEST_F(JournalWindow, EveryRecordGoesToTheJournalAndEachLifeEndsWithItsReason) {
    Offer("45.3%RH");
    Offer("45.4%RH");
    ASSERT_EQ(Journals().size(), 1u);
    EXPECT_EQ(Journals()[0].end, TJournalEnd::None);
    EXPECT_EQ(SummarizeJournal(Journals()[0].path).records, 2);
    EXPECT_NE(window->cds1->ReceivedAt(0), kNoReceivedTime);

    window->RecordNewClick();
    Offer("45.5%RH");
    window->RHORTEMP->click(); // to temperature: the table and the life end
    Offer("45.6%RH");
    window.reset(); // Exit
    std::vector<TJournalEntry> journals = Journals();
    ASSERT_EQ(journals.size(), 3u); // newest first
    EXPECT_EQ(journals[0].end, TJournalEnd::Exit);
    EXPECT_EQ(journals[0].quantity, TJournalQuantity::Temperature);
    EXPECT_EQ(journals[1].end, TJournalEnd::Switch);
    EXPECT_EQ(journals[1].quantity, TJournalQuantity::Humidity);
    EXPECT_EQ(journals[2].end, TJournalEnd::New);
    EXPECT_EQ(SummarizeJournal(journals[2].path).records, 2);
    EXPECT_EQ(SummarizeJournal(journals[1].path).records, 1);
    EXPECT_TRUE(dialogs.questions.isEmpty()) << "Exit and the switch ask nothing";
}

TEST_F(JournalWindow, ARestoredRecordingComesBackAsRecordedAndGoesOn) {
    window.reset();
    const QString path = LeaveBehind(150, TJournalQuantity::Temperature);
    dialogs.yesNoAnswers = {true};
    Start();
    ASSERT_EQ(dialogs.questions.size(), 1);
    EXPECT_TRUE(dialogs.questions[0].contains("150 records")) << dialogs.questions[0].toStdString();
    TRecordTable& table = *window->cds1;
    ASSERT_EQ(table.Count(), 150);
    for (int64_t i = 0; i < 150; ++i)
        ASSERT_EQ(table.At(i), written[size_t(i)]) << i;
    EXPECT_TRUE(window->RHORTEMP->isChecked()) << "plotted as it was: temperature";
    EXPECT_EQ(window->Bt10->text(), "2") << "150 points at 100 per page";
    EXPECT_EQ(window->Chart->PageCount(), 2);
    EXPECT_EQ(window->State.RecordCount, 150);
    EXPECT_EQ(window->State.RecordNo, *written.back().No + 1);

    Offer("50.0%RH");
    ASSERT_EQ(table.Count(), 151);
    EXPECT_EQ(table.NoAt(150), *written.back().No + 1);
    // The same journal goes on: its cut line is gone, the new record follows.
    const TJournalSummary summary = SummarizeJournal(path);
    EXPECT_FALSE(summary.tornEnd);
    EXPECT_EQ(summary.records, 151);
    window.reset();
    ASSERT_EQ(Journals().size(), 1u);
    EXPECT_EQ(Journals()[0].end, TJournalEnd::Exit);
}

TEST_F(JournalWindow, DecliningKeepsTheRecordingAmongTheRecentOnes) {
    window.reset();
    LeaveBehind(5, TJournalQuantity::Humidity);
    dialogs.yesNoAnswers = {false};
    Start();
    EXPECT_EQ(dialogs.questions.size(), 1);
    EXPECT_EQ(window->cds1->Count(), 0);
    ASSERT_EQ(Journals().size(), 1u);
    EXPECT_EQ(Journals()[0].end, TJournalEnd::Crash);

    // Asked once only: the next start finds nothing left behind.
    window.reset();
    Start();
    EXPECT_EQ(dialogs.questions.size(), 1);

    // "Recent Recordings..." lists it and opens it as Open does: appended, numbering untouched.
    Offer("45.3%RH"); // a recording of this run (being written: not listed)
    dialogs.recordingAnswers = {Journals().back().path};
    window->RecentRecordings1->trigger();
    ASSERT_EQ(dialogs.recordingLists.size(), 1u);
    ASSERT_EQ(dialogs.recordingLists[0].size(), 1u);
    const TRecordingListItem& item = dialogs.recordingLists[0][0];
    EXPECT_EQ(item.records, "5");
    EXPECT_EQ(item.quantity, "%RH");
    EXPECT_EQ(item.how, "crash");
    EXPECT_FALSE(item.started.isEmpty());
    EXPECT_FALSE(item.ended.isEmpty());
    ASSERT_EQ(window->cds1->Count(), 6);
    EXPECT_EQ(window->cds1->At(1), written[0]);
    EXPECT_EQ(window->State.RecordNo, 2);
    EXPECT_EQ(window->State.RecordCount, 1);
}

TEST_F(JournalWindow, AJournalThatCannotBeWrittenIsSaidOnceAndRecordingGoesOn) {
    QFile blocker(QDir(dir.path()).filePath("blocked"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    Start(QDir(dir.path()).filePath("blocked/rx47"));
    for (int i = 0; i < 3; ++i)
        Offer(QByteArray::number(40 + i) + ".0%RH");
    QCoreApplication::processEvents(); // the message comes after the handler
    EXPECT_EQ(window->cds1->Count(), 3);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_TRUE(dialogs.messages[0].text.contains("cannot be written"));
    EXPECT_TRUE(dialogs.messages[0].text.contains(dir.path())) << "says where";
}

} // namespace
