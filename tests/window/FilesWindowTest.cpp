#include "base/FileWrite.h"
#include "files/FilesTestSupport.h"
#include "records/RecordTable.h"
#include "support_gui/WindowFixture.h"

#include <QLabel>
#include <QTableView>
#include <QTemporaryDir>
#include <QToolButton>

namespace {

class CountingListener : public IRecordTableListener {
public:
    void RecordsAppended(int64_t, int64_t) override { ++appended; }
    void RecordsReset() override { ++resets; }
    int appended = 0;
    int resets = 0;
};

class FilesWindow : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        if (!window->cds1)
            window->cds1 = std::make_unique<TRecordTable>();
        table().AddListener(&listener);
    }
    void TearDown() override {
        table().RemoveListener(&listener);
        WindowTest::TearDown();
    }
    TRecordTable& table() { return *window->cds1; }
    QString Path(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }
    void Save(const QString& name) {
        dialogs.saveAnswers.push_back(name);
        window->saveas->click();
    }
    void Open(const QString& name) {
        dialogs.openAnswers.push_back(name);
        window->OpenDataFiles->click();
    }

    QTemporaryDir dir;
    CountingListener listener;
};

TEST_F(FilesWindow, SaveDialogStartsEmptyEveryTimeWithItsFilter) {
    window->SaveDialog2.initialName = QStringLiteral("old.xls");
    window->saveas->click();
    window->Save1->trigger();
    ASSERT_EQ(dialogs.saveRequests.size(), 2u);
    for (const auto& request : dialogs.saveRequests) {
        EXPECT_TRUE(request.initialName.isEmpty());
        EXPECT_EQ(request.filter, "Excel File(*.xls)|*.xls|XML(*.xml)|*.xml|Txt File(*.txt)|*.txt");
        EXPECT_EQ(request.defaultExtension, "xls");
        EXPECT_TRUE(request.confirmOverwrite);
    }
    EXPECT_TRUE(dialogs.messages.empty()); // cancelled: nothing happens
}

TEST_F(FilesWindow, SavingShowsThePlainOutcomeBoxAndWritesTheFile) {
    FillSample(table());
    Save(Path("data.xls"));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text,
              "Save table to specified file: " + Path("data.xls") + " Scuss!");
    EXPECT_EQ(dialogs.messages[0].icon, TMessageIcon::None);
    EXPECT_EQ(ReadAll(Path("data.xls")), kSampleText);
    EXPECT_EQ(table().Count(), 3);
}

TEST_F(FilesWindow, SaveFailuresShowTheirOneMessage) {
    FillSample(table());
    Save(Path("none/data.txt"));
    Save(Path("none/data.xml"));
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[0].text, "Could not save table to specified file: " +
                                            Path("none/data.txt") + " (No such file or directory)");
    EXPECT_EQ(dialogs.messages[0].icon, TMessageIcon::None);
    EXPECT_TRUE(dialogs.messages[1].text.startsWith("Cannot create file \"" +
                                                    Path("none/data.xml") + "\". "));
    EXPECT_EQ(dialogs.messages[1].icon, TMessageIcon::Information);
    EXPECT_EQ(table().Count(), 3);
    EXPECT_EQ(listener.resets, 0); // nothing changed, so the grid has nothing to catch up on
}

// A full disk: no success message, the reason said, and the old files as they were.
TEST_F(FilesWindow, SaveOnAFullDiskSaysWhyAndKeepsTheOldFile) {
    FillSample(table());
    for (const char* name : {"data.txt", "data.xml"})
        WriteAll(Path(name), "previous");
    InjectWriteFault(0);
    Save(Path("data.txt"));
    Save(Path("data.xml"));
    InjectWriteFault(-1);
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[0].text, "Could not save table to specified file: " +
                                            Path("data.txt") + " (No space left on device)");
    EXPECT_EQ(dialogs.messages[1].text,
              "Cannot create file \"" + Path("data.xml") + "\". No space left on device");
    for (const char* name : {"data.txt", "data.xml"})
        EXPECT_EQ(ReadAll(Path(name)), "previous") << name;
}

TEST_F(FilesWindow, SaveMessageSaysWhatTheTextTableCouldNotHold) {
    table().Append(Rec(1, "10:20", "two\nlines", "23.4", "#"));
    Save(Path("data.txt"));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text,
              "Save table to specified file: " + Path("data.txt") +
                  " Scuss!\n1 value had its line breaks written as spaces (a text table cannot "
                  "hold them).");
}

TEST_F(FilesWindow, OpenDialogHasItsOwnFilterAndKeepsTheLastName) {
    FillSample(table());
    Save(Path("a.txt"));
    Open(Path("a.txt"));
    window->OpenDataFiles->click(); // cancelled
    ASSERT_EQ(dialogs.openRequests.size(), 2u);
    EXPECT_EQ(dialogs.openRequests[0].filter,
              "Excel File(*.xls)|*.xls|XML (*.xml)|*.xml|Txt File(*.txt)|*.txt");
    EXPECT_TRUE(dialogs.openRequests[0].defaultExtension.isEmpty());
    EXPECT_EQ(dialogs.openRequests[1].initialName, Path("a.txt"));
}

TEST_F(FilesWindow, OpeningAppendsOnceNotifiedAndLeavesTheCountersAlone) {
    FillSample(table());
    Save(Path("a.txt"));
    window->State.RecordNo = 4;
    window->State.RecordCount = 3;
    listener = {};
    Open(Path("a.txt"));
    Open(Path("a.txt"));
    EXPECT_EQ(table().Count(), 9);
    EXPECT_EQ(listener.appended, 0); // suspended during the open: one reset per open instead
    EXPECT_EQ(listener.resets, 2);
    EXPECT_EQ(window->State.RecordNo, 4);
    EXPECT_EQ(window->State.RecordCount, 3);
    EXPECT_EQ(dialogs.messages.size(), 1u); // the save's only
}

TEST_F(FilesWindow, AFailedOpenShowsOneErrorBox) {
    FillSample(table());
    WriteAll(Path("bad.xml"), "<?xml version=\"1.0\"?><DATAPACKET/>");
    WriteAll(Path("bad.txt"), "h\r\n1 2 3 4 5 6\r\n");
    for (const char* name : {"bad.xml", "bad.txt", "missing.xls"}) {
        dialogs.messages.clear();
        Open(Path(name));
        ASSERT_EQ(dialogs.messages.size(), 1u) << name;
        EXPECT_EQ(dialogs.messages[0].text, "Failed to Load File!");
        EXPECT_EQ(dialogs.messages[0].icon, TMessageIcon::Error);
        EXPECT_EQ(dialogs.messages[0].caption, "Error");
    }
    EXPECT_EQ(table().Count(), 3);
}

TEST_F(FilesWindow, OpeningSaysHowManyRecordsAndShowsTheFirstOfThem) {
    window->show();
    for (int i = 1; i <= 30; ++i)
        table().Append(Rec(i, "10:20", "45.6%RH", "23.4", "#"));
    Save(Path("a.txt"));
    Save(Path("p.xml"));
    WriteAll(Path("one.txt"), "h\r\n7 10:20 45.6%RH 23.4 #\r\n");
    WriteAll(Path("bad.txt"), "h\r\n8 a\r\n9 b\r\nx\r\n");
    QTableView* grid = window->DBGrid1;
    struct Case {
        const char* file;
        QString line;
        int firstRow; // of the records opened: current, at the top of the grid where it can be
    };
    for (const Case& c : {Case{"a.txt", "30 records opened", 30}, // appended after the 30
                          Case{"p.xml", "30 records opened", 0},  // replaces the table
                          Case{"one.txt", "1 record opened", 30},
                          Case{"bad.txt", "2 records opened before the file failed", 31}}) {
        Open(Path(c.file));
        EXPECT_EQ(window->StateLine->text(), c.line) << c.file;
        EXPECT_EQ(grid->currentIndex().row(), c.firstRow) << c.file;
        const QRect first = grid->visualRect(grid->currentIndex());
        EXPECT_TRUE(grid->viewport()->rect().contains(first)) << c.file;
        if (c.firstRow + 20 < grid->model()->rowCount()) {
            EXPECT_EQ(grid->rowAt(0), c.firstRow) << c.file;
        }
    }
    EXPECT_EQ(dialogs.Texts().count("Failed to Load File!"), 1); // the failure keeps its box

    Open(Path("missing.xls"));
    EXPECT_TRUE(window->StateLine->text().isEmpty());
}

TEST_F(FilesWindow, OpeningAPacketReplacesTheTable) {
    FillSample(table());
    Save(Path("p.xml"));
    table().Append(Rec(4, "x", nullptr, nullptr, nullptr));
    Open(Path("p.xml"));
    EXPECT_EQ(table().Count(), 3);
    EXPECT_EQ(table().ChangeLog().size(), 3u);
}

} // namespace
