#include "records/DataFiles.h"
#include "FilesTestSupport.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

struct FormatCase {
    const char* name;
    TDataFileFormat format;
};

class FormatChoice : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatChoice, TheExtensionAloneDecides) {
    EXPECT_EQ(FormatForFileName(QString::fromUtf8(GetParam().name)), GetParam().format)
        << GetParam().name;
}

constexpr auto kText = TDataFileFormat::TextTable;
constexpr auto kPacket = TDataFileFormat::DataPacket;
INSTANTIATE_TEST_SUITE_P(
    Names, FormatChoice,
    ::testing::Values(FormatCase{"DATA.XML", kPacket}, FormatCase{"report.Xml", kPacket},
                      FormatCase{"/tmp/a.b/report.xml", kPacket}, FormatCase{".xml", kPacket},
                      FormatCase{"data.xml.txt", kText}, FormatCase{"data", kText},
                      FormatCase{"report.xls", kText}, FormatCase{"report.txt", kText},
                      FormatCase{"/tmp/dir.xml/data", kText},
                      FormatCase{"C:\\dir.xml\\data", kText}, FormatCase{"a.xmlx", kText},
                      FormatCase{"a.xm", kText}, FormatCase{"a.\xc3\x97ml", kText}));

class DataFiles : public ::testing::Test {
protected:
    QString Path(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }
    QTemporaryDir dir;
};

TEST_F(DataFiles, SavesBothFormatsByteForByteWithTheSuccessMessage) {
    TRecordTable table;
    FillSample(table);
    for (const auto& [name, expected] :
         {std::pair{"t.xls", kSampleText}, std::pair{"p.XML", kSamplePacket}}) {
        const auto outcome = SaveTableToFile(table, Path(name));
        EXPECT_EQ(outcome.kind, TSaveOutcome::TKind::Saved);
        EXPECT_EQ(outcome.message,
                  QStringLiteral("Save table to specified file: ") + Path(name) + " Scuss!");
        EXPECT_EQ(ReadAll(Path(name)), expected) << name;
    }
}

TEST_F(DataFiles, EmptyTableSavesTheHeaderOnly) {
    TRecordTable table;
    SaveTableToFile(table, Path("e.txt"));
    EXPECT_EQ(ReadAll(Path("e.txt")), QByteArray("No\tTime\t%RH\tTemp\tUnit\r\n"));
}

TEST_F(DataFiles, SaveOpenAndSaveAgainGiveTheSameBytes) {
    for (const char* name : {"round.txt", "round.xml"}) {
        TRecordTable table;
        FillSample(table);
        ASSERT_EQ(SaveTableToFile(table, Path(name)).kind, TSaveOutcome::TKind::Saved);
        TRecordTable reopened;
        ASSERT_TRUE(LoadTableFromFile(Path(name), reopened).ok) << name;
        const QByteArray first = ReadAll(Path(name));
        SaveTableToFile(reopened, Path(name));
        EXPECT_EQ(ReadAll(Path(name)), first) << name;
    }
}

TEST_F(DataFiles, AReopenedPacketKeepsRowStatesAndLogAndLaterAppendsAddTriples) {
    TRecordTable table;
    FillSample(table);
    SaveTableToFile(table, Path("p.xml"));
    TRecordTable reopened;
    reopened.Append(Rec(99, "gone", nullptr, nullptr, nullptr));
    const auto outcome = LoadTableFromFile(Path("p.xml"), reopened);
    ASSERT_TRUE(outcome.ok);
    EXPECT_EQ(outcome.recordsRead, 3);
    EXPECT_EQ(Records(reopened), Records(table)); // replaced, not appended
    EXPECT_TRUE(reopened.IsLoggedAppend(2));
    reopened.Append(Rec(4, "10:23", "1", "2", "#"));
    EXPECT_EQ(reopened.ChangeLog().back(), (TChange{4, 0, 4}));
    EXPECT_EQ(reopened.ChangeLog().size(), 4u);
}

TEST_F(DataFiles, APacketWithAnotherChangeLogIsTakenOverAsItIs) {
    QByteArray packet = kSamplePacket;
    packet.replace("1 0 4 2 0 4 3 0 4", "3 0 4 1 0 4");
    packet.replace("<ROW RowState=\"4\" No=\"2\"", "<ROW No=\"2\"");
    WriteAll(Path("log.xml"), packet);
    TRecordTable table;
    ASSERT_TRUE(LoadTableFromFile(Path("log.xml"), table).ok);
    EXPECT_EQ(table.ChangeLog(), (std::vector<TChange>{{3, 0, 4}, {1, 0, 4}}));
    EXPECT_FALSE(table.IsLoggedAppend(1));
    EXPECT_EQ(table.Count(), 3);
    SaveTableToFile(table, Path("log.xml"));
    EXPECT_EQ(ReadAll(Path("log.xml")), packet);
}

TEST_F(DataFiles, TextOpenKeepsNullAndAppendsAfterExistingRecordsEachTime) {
    TRecordTable table;
    FillSample(table);
    SaveTableToFile(table, Path("t.txt"));
    TRecordTable target;
    target.Append(Rec(1, "own", nullptr, nullptr, nullptr));
    ASSERT_TRUE(LoadTableFromFile(Path("t.txt"), target).ok);
    ASSERT_TRUE(LoadTableFromFile(Path("t.txt"), target).ok);
    ASSERT_EQ(target.Count(), 7);
    EXPECT_EQ(target.At(2), Rec(2, "10:21", "NULL", "-5.0", "#"));
    EXPECT_EQ(target.At(6), Rec(3, "10:22", "47.0%RH", "23.5", "$"));
    EXPECT_EQ(target.ChangeLog().size(), 7u); // loaded records are logged appends
}

TEST_F(DataFiles, AFailingPacketLeavesTheTableAsItWas) {
    TRecordTable table;
    FillSample(table);
    const auto before = Records(table);
    const auto log = table.ChangeLog();
    QByteArray broken = kSamplePacket;
    broken.replace("attrname=\"Unit\"", "attrname=\"Colour\"");
    for (const QByteArray& bytes : {broken, kSamplePacket.left(kSamplePacket.size() - 3),
                                    QByteArray("\x89PNG\r\n\x1a\n garbage"), QByteArray()}) {
        WriteAll(Path("bad.xml"), bytes);
        EXPECT_FALSE(LoadTableFromFile(Path("bad.xml"), table).ok);
        EXPECT_EQ(Records(table), before);
        EXPECT_EQ(table.ChangeLog(), log);
    }
}

TEST_F(DataFiles, AFailingTextLineKeepsEarlierLinesAndLeavesNoHalfRecord) {
    WriteAll(Path("bad.txt"), "h\r\n1\ta\r\n2\t10:20\t45 %RH\t23.4\t#\r\n3\tb\r\n");
    TRecordTable table;
    const auto outcome = LoadTableFromFile(Path("bad.txt"), table);
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.recordsRead, 1);
    EXPECT_EQ(Records(table), (std::vector{Rec(1, "a", nullptr, nullptr, nullptr)}));
    table.Append(Rec(9, "next", nullptr, nullptr, nullptr));
    EXPECT_EQ(table.Count(), 2); // nothing of line 3 slipped in before it
}

TEST_F(DataFiles, OpenFailsForMissingFilesFoldersAndEmptyText) {
    TRecordTable table;
    EXPECT_FALSE(LoadTableFromFile(Path("missing.txt"), table).ok);
    EXPECT_FALSE(LoadTableFromFile(dir.path(), table).ok);
    WriteAll(Path("empty.txt"), "");
    EXPECT_FALSE(LoadTableFromFile(Path("empty.txt"), table).ok);
    WriteAll(Path("header.txt"), "No\tTime\r\n");
    EXPECT_TRUE(LoadTableFromFile(Path("header.txt"), table).ok);
    EXPECT_TRUE(table.IsEmpty());
}

TEST_F(DataFiles, SaveIntoAMissingFolderReportsPerFormatAndCreatesNothing) {
    TRecordTable table;
    FillSample(table);
    const QString text = Path("no/such/t.txt");
    const auto textOutcome = SaveTableToFile(table, text);
    EXPECT_EQ(textOutcome.kind, TSaveOutcome::TKind::TextNotSaved);
    EXPECT_EQ(textOutcome.message,
              "Could not save table to specified file: " + text + " (No such file or directory)");
    const QString packet = Path("no/such/p.xml");
    const auto packetOutcome = SaveTableToFile(table, packet);
    EXPECT_EQ(packetOutcome.kind, TSaveOutcome::TKind::PacketNotCreated);
    EXPECT_TRUE(packetOutcome.message.startsWith("Cannot create file \"" + packet + "\". "))
        << packetOutcome.message.toStdString();
    EXPECT_GT(packetOutcome.message.size(), ("Cannot create file \"" + packet + "\". ").size());
    EXPECT_EQ(Records(table).size(), 3u);
}

// A file size limit makes the write fail part-way, even for root, without a full disk.
TEST_F(DataFiles, AFailedSaveLeavesThePreviousFileAndNoTemporaryBehind) {
    TRecordTable table;
    for (int i = 0; i < 200000; ++i)
        table.Append(Rec(i, "10:20", "45.6%RH", "23.4", "#"));
    for (const char* name : {"keep.txt", "keep.xml"}) {
        WriteAll(Path(name), "previous contents");
        TSaveOutcome outcome;
        {
            FileSizeLimit limit(64 * 1024);
            outcome = SaveTableToFile(table, Path(name));
        }
        EXPECT_NE(outcome.kind, TSaveOutcome::TKind::Saved) << name;
        EXPECT_EQ(ReadAll(Path(name)), QByteArray("previous contents")) << name;
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2);
}

// Targets no save can write, for root as well: whatever stood there stays, in both formats.
TEST_F(DataFiles, LeavesWhatItCannotReplaceAsItWas) {
    TRecordTable table;
    FillSample(table);
    WriteAll(Path("plain"), "previous");
    ASSERT_TRUE(QDir(dir.path()).mkpath("folder.txt") && QDir(dir.path()).mkpath("folder.xml"));
    WriteAll(Path("folder.txt/inside"), "inside");
    WriteAll(Path("folder.xml/inside"), "inside");
    for (const char* name : {"folder.txt", "folder.xml", "plain/t.txt", "plain/p.xml"}) {
        const TSaveOutcome outcome = SaveTableToFile(table, Path(name));
        EXPECT_NE(outcome.kind, TSaveOutcome::TKind::Saved) << name;
        EXPECT_FALSE(outcome.message.isEmpty()) << name;
    }
    EXPECT_EQ(ReadAll(Path("plain")), QByteArray("previous"));
    EXPECT_EQ(ReadAll(Path("folder.txt/inside")), QByteArray("inside"));
    EXPECT_EQ(ReadAll(Path("folder.xml/inside")), QByteArray("inside"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot),
              QStringList({"folder.txt", "folder.xml", "plain"}));

    // A file without write permission counts too, for a user other than root (who may write it).
    if (geteuid() != 0) {
        WriteAll(Path("ro.txt"), "previous");
        QFile::setPermissions(Path("ro.txt"), QFile::ReadOwner);
        EXPECT_EQ(SaveTableToFile(table, Path("ro.txt")).kind, TSaveOutcome::TKind::TextNotSaved);
        EXPECT_EQ(ReadAll(Path("ro.txt")), QByteArray("previous"));
    }
}

TEST_F(DataFiles, ReportsProgressUpToTheWhole) {
    TRecordTable table;
    for (int i = 0; i < 100000; ++i)
        table.Append(Rec(i, "10:20", "45.6%RH", "23.4", "#"));
    for (const char* name : {"big.txt", "big.xml"}) {
        std::vector<int> saved, opened;
        SaveTableToFile(table, Path(name), [&](int p) { saved.push_back(p); });
        TRecordTable reopened;
        ASSERT_TRUE(
            LoadTableFromFile(Path(name), reopened, [&](int p) { opened.push_back(p); }).ok);
        EXPECT_EQ(reopened.Count(), table.Count());
        for (const auto* steps : {&saved, &opened}) {
            ASSERT_FALSE(steps->empty()) << name;
            EXPECT_TRUE(std::is_sorted(steps->begin(), steps->end()));
            EXPECT_LE(steps->back(), 1000);
        }
        EXPECT_EQ(opened.back(), 1000);
    }
}

} // namespace
