// The recording journal: its lines, reading it back (a cut last line left out), writing it with
// one write per record, failures that lose nothing, the folder's names, leftovers and retention.

#include "FilesTestSupport.h"
#include "records/DataFiles.h"
#include "records/JournalFormat.h"
#include "records/JournalStore.h"
#include "records/JournalWriter.h"
#include "records/RecordJournal.h"
#include "records/TextTableFormat.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

constexpr TReceivedTime kDecember = 1'765'470'336'123; // 2025-12-11T16:25:36.123Z

TRecord Received(int32_t no, TReceivedTime at, const char* value = "45.3%RH",
                 const char* unit = "#") {
    TRecord r = Rec(no, "10:20", value, "23.4", unit);
    r.Received = at;
    return r;
}

QByteArray Lines(const std::vector<TRecord>& records) {
    TJournalLineFormatter formatter;
    QByteArray all = JournalHeader(), line;
    for (const TRecord& r : records) {
        formatter.Format(r, line);
        all += line;
    }
    return all;
}

// Reads journal text through the text-table reader fed in chunks of `chunk` bytes.
struct TRead {
    std::vector<TRecord> records;
    bool ok = false;
    bool journal = false;
    bool torn = false;
    int64_t complete = 0;
};
TRead ReadText(const QByteArray& text, size_t chunk = 1 << 20) {
    TRead read;
    TTextTableReader reader([&](const TRecordView& r) {
        read.records.push_back(r.ToRecord());
        return true;
    });
    for (qsizetype at = 0; at < text.size(); at += qsizetype(chunk))
        reader.Feed(text.constData() + at, std::min<size_t>(chunk, size_t(text.size() - at)));
    read.ok = reader.Finish();
    read.journal = reader.IsJournal();
    read.torn = reader.TornEnd();
    read.complete = reader.CompleteBytes();
    return read;
}

TEST(JournalFormat, ReceivedTimeIsWrittenAsLocalTimeWithItsOffset) {
    struct Case {
        int32_t offset;
        const char* text;
    } const cases[] = {
        {0, "2025-12-11T16:25:36.123+00:00"},
        {3600, "2025-12-11T17:25:36.123+01:00"},
        {-5 * 3600, "2025-12-11T11:25:36.123-05:00"},
        {5 * 3600 + 45 * 60, "2025-12-11T22:10:36.123+05:45"},
        {-9 * 3600 - 30 * 60, "2025-12-11T06:55:36.123-09:30"},
        {14 * 3600, "2025-12-12T06:25:36.123+14:00"},
    };
    for (const Case& c : cases) {
        QByteArray text;
        AppendReceivedText(text, kDecember, c.offset);
        EXPECT_EQ(text, QByteArray(c.text)) << c.offset;
        EXPECT_EQ(ParseReceivedText(text.constData(), size_t(text.size())), kDecember) << c.text;
    }
    const QByteArray utc = "2025-12-11T16:25:36.123Z";
    EXPECT_EQ(ParseReceivedText(utc.constData(), size_t(utc.size())), kDecember);
    // Leap day, before the epoch, the end of a year.
    for (const TReceivedTime at : {TReceivedTime(951'782'400'000), TReceivedTime(-1'000),
                                   TReceivedTime(1'767'225'599'999)}) {
        QByteArray text;
        AppendReceivedText(text, at, 3600);
        EXPECT_EQ(ParseReceivedText(text.constData(), size_t(text.size())), at) << text.constData();
    }
}

TEST(JournalFormat, MalformedReceivedTimesAreRefused) {
    for (const char* text :
         {"", "2025-12-11", "2025-12-11T16:25:36.123", "2025-12-11T16:25:36.123+0100",
          "2025-13-11T16:25:36.123+01:00", "2025-02-29T16:25:36.123+01:00",
          "2025-12-32T16:25:36.123+01:00", "2025-12-11T24:00:00.000+01:00",
          "2025-12-11 16:25:36.123+01:00", "2025-12-11T16:25:36,123+01:00",
          "2025-12-11T16:25:36.123*01:00", "2025-12-11T16:25:36.12a+01:00",
          "2025-12-11T16:25:36.123+24:00", "1970-01-01T00:00:00.000+00:00"}) {
        EXPECT_EQ(ParseReceivedText(text, strlen(text)), std::nullopt) << text;
    }
}

TEST(JournalFormat, EveryRecordReadsBackAsWritten) {
    std::vector<TRecord> records = {
        Received(1, kDecember),
        Received(2, kDecember + 1000, "----", "DEW?"),
        Received(3, kDecember + 2000, "4 5.3", "\"#\""), // a space and quotes: written quoted
        Received(4, kDecember + 3000, "", "\xA1\xE6"),   // empty text, 8-bit bytes
        Received(5, kNoReceivedTime, "NULL"),            // no received time
    };
    const QByteArray text = Lines(records);
    EXPECT_TRUE(text.startsWith("No\tTime\t%RH\tTemp\tUnit\tReceived\r\n"));
    for (const size_t chunk : {size_t(1), size_t(7), size_t(1) << 20}) {
        const TRead read = ReadText(text, chunk);
        ASSERT_TRUE(read.ok) << chunk;
        EXPECT_TRUE(read.journal);
        EXPECT_FALSE(read.torn);
        EXPECT_EQ(read.records, records) << chunk;
        EXPECT_EQ(read.complete, text.size()) << chunk;
    }
}

TEST(JournalFormat, ACutLastLineIsLeftOutWhereverItWasCut) {
    const std::vector<TRecord> records = {Received(1, kDecember), Received(2, kDecember + 1000),
                                          Received(3, kDecember + 2000)};
    const QByteArray whole = Lines(records);
    const QByteArray twoLines = Lines({records[0], records[1]});
    // Every cut inside the last line, its CR included (the LF alone missing reads as a line end).
    for (qsizetype cut = twoLines.size() + 1; cut < whole.size() - 1; ++cut) {
        const TRead read = ReadText(whole.left(cut));
        ASSERT_TRUE(read.ok) << cut;
        EXPECT_TRUE(read.torn) << cut;
        EXPECT_EQ(read.records, (std::vector<TRecord>{records[0], records[1]})) << cut;
        EXPECT_EQ(read.complete, twoLines.size()) << cut;
    }
    // A zero-filled tail (a power cut after the file grew, before its data reached the disk).
    const TRead zeros = ReadText(twoLines + QByteArray(4096, '\0'));
    EXPECT_TRUE(zeros.torn);
    EXPECT_EQ(zeros.records.size(), 2u);
    EXPECT_EQ(zeros.complete, twoLines.size());
    const TRead cutInZeros = ReadText(twoLines + whole.mid(twoLines.size(), 9) + QByteArray(64, 0));
    EXPECT_EQ(cutInZeros.records.size(), 2u);
}

TEST(JournalFormat, PlainTextTablesAreReadAsBefore) {
    // A sixth item stays an error outside a journal, and a last line without ending still counts.
    const TRead six =
        ReadText("No\tTime\t%RH\tTemp\tUnit\r\n1 a b c d 2025-12-11T16:25:36.123Z\r\n");
    EXPECT_FALSE(six.ok);
    EXPECT_FALSE(six.journal);
    const TRead unended = ReadText("No\tTime\t%RH\tTemp\tUnit\r\n1\t10:20\t45.3%RH\t23.4\t#");
    EXPECT_TRUE(unended.ok);
    EXPECT_EQ(unended.records.size(), 1u);
    // In a journal a sixth item that is not a time fails the line; a seventh always does.
    const QByteArray head = JournalHeader();
    EXPECT_FALSE(ReadText(head + "1\t10:20\t45.3%RH\t23.4\t#\tyesterday\r\n").ok);
    EXPECT_FALSE(ReadText(head + "1\t10:20\t45.3%RH\t23.4\t#\tNULL\tx\r\n").ok);
}

class JournalFiles : public ::testing::Test {
protected:
    QString Path(const QString& name) const { return QDir(dir.path()).filePath(name); }
    QTemporaryDir dir;
};

TEST_F(JournalFiles, OpenAndTheWriterAgreeOnEveryRecord) {
    const QString path = Path("rx47-20251211-162536-123-RH.txt");
    std::vector<TRecord> records;
    {
        TJournalWriter writer;
        QString error;
        ASSERT_TRUE(writer.Create(path, error)) << error.toStdString();
        for (int i = 1; i <= 500; ++i) {
            records.push_back(Received(i, kDecember + i * 1000));
            ASSERT_TRUE(writer.Append(records.back(), error)) << error.toStdString();
            // Each record is in the file as soon as it is appended (no buffering in the program).
            if (i % 100 == 0) {
                ASSERT_EQ(ReadText(ReadAll(path)).records.size(), size_t(i));
            }
        }
        EXPECT_TRUE(TJournalStore::InUse(path)) << "locked while written";
        ASSERT_TRUE(writer.Close(error));
    }
    EXPECT_FALSE(TJournalStore::InUse(path));
    // Open: appended after what the table holds, with their received times.
    TRecordTable table;
    table.Append(Rec(99, "09:00", "40.0%RH", "20.0", "#"));
    const TLoadOutcome outcome = LoadTableFromFile(path, table);
    ASSERT_TRUE(outcome.ok) << outcome.reason.toStdString();
    ASSERT_EQ(table.Count(), 501);
    for (int i = 0; i < 500; ++i)
        ASSERT_EQ(table.At(i + 1), records[size_t(i)]);
    const TJournalSummary summary = SummarizeJournal(path);
    EXPECT_TRUE(summary.readable);
    EXPECT_EQ(summary.records, 500);
    EXPECT_EQ(summary.first, kDecember + 1000);
    EXPECT_EQ(summary.last, kDecember + 500'000);
}

TEST_F(JournalFiles, ContinuingCutsTheCutLineOffAndAppendsAfterTheLastWholeOne) {
    const QString path = Path("rx47-20251211-162536-123-RH.txt");
    WriteAll(path, Lines({Received(1, kDecember), Received(2, kDecember + 1000)}) + "3\t10:2");
    const TJournalSummary left = SummarizeJournal(path);
    EXPECT_EQ(left.records, 2);
    EXPECT_TRUE(left.tornEnd);
    TJournalWriter writer;
    QString error;
    ASSERT_TRUE(writer.Continue(path, left.completeBytes, error)) << error.toStdString();
    ASSERT_TRUE(writer.Append(Received(3, kDecember + 2000), error));
    ASSERT_TRUE(writer.Close(error));
    EXPECT_EQ(ReadAll(path), Lines({Received(1, kDecember), Received(2, kDecember + 1000),
                                    Received(3, kDecember + 2000)}));
}

TEST_F(JournalFiles, AFullDiskLeavesNoCutLineBeforeLaterRecords) {
    const QString path = Path("rx47-20251211-162536-123-RH.txt");
    TJournalWriter writer;
    QString error;
    ASSERT_TRUE(writer.Create(path, error));
    int64_t appended = 0;
    {
        FileSizeLimit limit(4096 + 17); // a record line ends in mid-air
        while (writer.Append(Received(int32_t(appended + 1), kDecember + appended), error))
            ++appended;
    }
    EXPECT_FALSE(writer.IsOpen());
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(error.contains(path)) << error.toStdString();
    const QByteArray text = ReadAll(path);
    EXPECT_TRUE(text.endsWith("\r\n")) << "the part written of the failing line was taken back";
    const TRead read = ReadText(text);
    EXPECT_TRUE(read.ok);
    EXPECT_FALSE(read.torn);
    EXPECT_EQ(int64_t(read.records.size()), appended);
}

TEST_F(JournalFiles, ASecondWriterIsRefusedWhileTheFirstHoldsTheJournal) {
    const QString path = Path("rx47-20251211-162536-123-RH.txt");
    TJournalWriter first, second;
    QString error;
    ASSERT_TRUE(first.Create(path, error));
    EXPECT_FALSE(second.Continue(path, 0, error));
    EXPECT_FALSE(second.Create(path, error)) << "never replaces an existing journal";
    ASSERT_TRUE(first.Append(Received(1, kDecember), error));
    EXPECT_EQ(SummarizeJournal(path).records, 1);
}

TEST_F(JournalFiles, NamesTellStartQuantityAndEnding) {
    const TJournalStore store(dir.path());
    const QDateTime start(QDate(2025, 12, 11), QTime(16, 25, 36, 123));
    const QString path = store.NewJournalPath(start, TJournalQuantity::Temperature);
    EXPECT_EQ(QFileInfo(path).fileName(), "rx47-20251211-162536-123-Temp.txt");
    WriteAll(path, JournalHeader());
    // The same moment again gets a free name, also once the first has ended.
    QString error;
    const QString ended = TJournalStore::MarkEnded(path, TJournalEnd::Exit, error);
    EXPECT_EQ(QFileInfo(ended).fileName(), "rx47-20251211-162536-123-Temp-exit.txt");
    EXPECT_EQ(QFileInfo(store.NewJournalPath(start, TJournalQuantity::Temperature)).fileName(),
              "rx47-20251211-162536-124-Temp.txt");
    const std::optional<TJournalEntry> entry =
        TJournalStore::ParseName(QFileInfo(ended).fileName());
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->started, start);
    EXPECT_EQ(entry->quantity, TJournalQuantity::Temperature);
    EXPECT_EQ(entry->end, TJournalEnd::Exit);
    for (const char* other :
         {"rx47-20251211-162536-RH.txt", "notes.txt", "rx47-20251211-162536-123-RH-later.txt",
          "rx47-2025121-162536-123-RH.txt"})
        EXPECT_FALSE(TJournalStore::ParseName(QString::fromLatin1(other))) << other;
}

TEST_F(JournalFiles, OnlyUnendedJournalsNobodyHoldsAreLeftBehind) {
    const TJournalStore store(dir.path());
    const QDateTime start(QDate(2025, 12, 11), QTime(16, 0));
    const QString crashed = store.NewJournalPath(start, TJournalQuantity::Humidity);
    WriteAll(crashed, Lines({Received(1, kDecember)}));
    const QString ended = store.NewJournalPath(start.addSecs(60), TJournalQuantity::Humidity);
    WriteAll(ended, Lines({Received(1, kDecember)}));
    QString error;
    TJournalStore::MarkEnded(ended, TJournalEnd::New, error);
    TJournalWriter running;
    ASSERT_TRUE(running.Create(store.NewJournalPath(start.addSecs(120), TJournalQuantity::Humidity),
                               error));
    const std::vector<TJournalEntry> left = store.LeftBehind();
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].path, crashed);
    EXPECT_EQ(store.List().size(), 3u);
}

TEST_F(JournalFiles, RetentionRemovesTheOldestEndedJournalsFirst) {
    const TJournalStore store(dir.path());
    const QDateTime now = QDateTime::currentDateTime();
    struct Kept {
        int ageDays;
        TJournalEnd end;
        bool stays;
    } const kept[] = {
        {40, TJournalEnd::Exit, false},  // past 30 days
        {31, TJournalEnd::None, true},   // not ended: never removed
        {20, TJournalEnd::Crash, false}, // oldest of those within 30 days: over the byte cap
        {10, TJournalEnd::New, true},    {1, TJournalEnd::Switch, true},
    };
    std::vector<QString> paths;
    for (const Kept& k : kept) {
        QString path = store.NewJournalPath(now.addDays(-k.ageDays), TJournalQuantity::Humidity);
        WriteAll(path, JournalHeader() + QByteArray(1000, 'x'));
        QString error;
        path = TJournalStore::MarkEnded(path, k.end, error);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(now.addDays(-k.ageDays), QFileDevice::FileModificationTime));
        paths.push_back(path);
    }
    const int64_t each = QFileInfo(paths[0]).size();
    EXPECT_EQ(store.Prune(now, 3 * each), 2);
    for (size_t i = 0; i < paths.size(); ++i)
        EXPECT_EQ(QFileInfo::exists(paths[i]), kept[i].stays) << i;
    EXPECT_EQ(store.Prune(now), 0) << "within 30 days and 1 GiB: nothing more";
}

TEST_F(JournalFiles, AJournalThatCannotBeWrittenIsSaidOnceAndLosesNothingLater) {
    // The folder cannot be made: a file stands where it should be.
    WriteAll(Path("blocked"), "a file");
    TRecordJournal journal{TJournalStore(Path("blocked/rx47"))};
    journal.Begin(TJournalQuantity::Humidity);
    const std::optional<QString> first = journal.Record(Received(1, kDecember));
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->contains("cannot be written")) << first->toStdString();
    EXPECT_FALSE(journal.Record(Received(2, kDecember)));
    EXPECT_FALSE(journal.End(TJournalEnd::New));
    journal.Begin(TJournalQuantity::Humidity);
    EXPECT_FALSE(journal.Record(Received(1, kDecember))) << "said once, not at every life";

    // Once a journal works again, a later failure is said again.
    QFile::remove(Path("blocked"));
    journal.Begin(TJournalQuantity::Humidity);
    EXPECT_FALSE(journal.Record(Received(1, kDecember)));
    const QString path = journal.CurrentPath();
    EXPECT_TRUE(path.startsWith(Path("blocked/rx47/"))) << path.toStdString();
    std::optional<QString> again;
    {
        FileSizeLimit limit(QFileInfo(path).size() + 10);
        again = journal.Record(Received(2, kDecember));
    }
    EXPECT_TRUE(again);
    EXPECT_EQ(SummarizeJournal(path).records, 1) << "what was written stays readable";
}

TEST_F(JournalFiles, ALifeEndsWithItsReasonInTheName) {
    const TJournalStore store(dir.path());
    TRecordJournal journal{store};
    journal.Begin(TJournalQuantity::Humidity);
    EXPECT_TRUE(store.List().empty()) << "no file before the first record";
    EXPECT_FALSE(journal.Record(Received(1, kDecember)));
    EXPECT_FALSE(journal.Record(Received(2, kDecember + 1000)));
    EXPECT_FALSE(journal.End(TJournalEnd::Switch));
    journal.Begin(TJournalQuantity::Temperature);
    EXPECT_FALSE(journal.Record(Received(1, kDecember + 2000)));
    const std::vector<TJournalEntry> listed = store.List();
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[1].end, TJournalEnd::Switch);
    EXPECT_EQ(listed[1].quantity, TJournalQuantity::Humidity);
    EXPECT_EQ(listed[0].end, TJournalEnd::None) << "being written";
    EXPECT_EQ(listed[0].quantity, TJournalQuantity::Temperature);
    EXPECT_EQ(SummarizeJournal(listed[1].path).records, 2);
}

TEST(RecordChartValue, ReadsTheTextsAsTheDecoderMadeThem) {
    struct Case {
        const char* humidity;
        const char* temperature;
        bool plotTemperature;
        float expected;
    } const cases[] = {
        {"45.3%RH", "23.4", false, 45.3f},  {"45,3%RH", "23,4", true, 23.4f},
        {"45.3%RH", "-23.4", true, -23.4f}, {"----", "23.4", false, 7.0f},
        {"45.3%RH", "--.-", true, 7.0f},    {"100.0%RH", "123.4", false, 100.0f},
    };
    for (const Case& c : cases) {
        const TRecord record = Rec(1, "10:20", c.humidity, c.temperature, "#");
        EXPECT_FLOAT_EQ(RecordChartValue(record, c.plotTemperature, 7.0f), c.expected)
            << c.humidity << " " << c.temperature;
    }
}

} // namespace
