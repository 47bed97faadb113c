// Values a data file cannot carry as they were: each is counted and said, never changed silently.

#include "FilesTestSupport.h"
#include "records/DataFiles.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QByteArray kWideHead =
    "<?xml version=\"1.0\" standalone=\"yes\"?>  <DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
    "<FIELD attrname=\"No\" fieldtype=\"i4\"/>"
    "<FIELD attrname=\"Time\" fieldtype=\"string\" WIDTH=\"100\"/>"
    "<FIELD attrname=\"Value\" fieldtype=\"string\" WIDTH=\"100\"/>"
    "<FIELD attrname=\"DC/AC\" fieldtype=\"string\" WIDTH=\"20\"/>"
    "<FIELD attrname=\"Unit\" fieldtype=\"string\" WIDTH=\"20\"/>"
    "</FIELDS><PARAMS/></METADATA><ROWDATA>";

struct TChangeCase {
    const char* name;
    const char* file;
    QByteArray content;
    TDataChanges expected;
    const char* said;
};

TEST(DataChanges, ReadingCountsWhatTheTableCannotHold) {
    const QByteArray fifty(50, 'x');
    const TChangeCase cases[] = {
        {"plain packet", "a.xml", kSamplePacket, {}, ""},
        {"wide packet",
         "b.xml",
         kWideHead + "<ROW No=\"1\" Time=\"" + fifty + "\" Value=\"" + fifty +
             "\" DC/AC=\"1\" Unit=\"#\"/></ROWDATA></DATAPACKET>",
         {2, 0, 0},
         "2 values longer than 20 characters were cut"},
        {"references beyond the code page",
         "c.xml",
         kWideHead + "<ROW No=\"1\" Time=\"&#x4E2D;&#8364;\" Value=\"&#x1F600;\" DC/AC=\"1\" "
                     "Unit=\"#\"/></ROWDATA></DATAPACKET>",
         {0, 2, 0},
         "2 characters the code page cannot hold were read as '?'"},
        {"long text item",
         "d.txt",
         "No\tTime\r\n1\t" + fifty + "\tv\tr\tu\r\n",
         {1, 0, 0},
         "1 value longer than 20 characters was cut"},
    };
    QTemporaryDir dir;
    for (const TChangeCase& test : cases) {
        SCOPED_TRACE(test.name);
        const QString path = dir.filePath(QString::fromLatin1(test.file));
        WriteAll(path, test.content);
        TRecordTable table;
        const TLoadOutcome outcome = LoadTableFromFile(path, table);
        ASSERT_TRUE(outcome.ok) << outcome.reason.toStdString();
        EXPECT_EQ(outcome.changes.cutValues, test.expected.cutValues);
        EXPECT_EQ(outcome.changes.unmappedCharacters, test.expected.unmappedCharacters);
        EXPECT_EQ(DataChangesText(outcome.changes), test.said);
    }
}

// A text table holds any value but a line break: the save says so with its success.
TEST(DataChanges, TextSaveSaysWhatItChanged) {
    QTemporaryDir dir;
    TRecordTable table;
    table.Append(Rec(1, "a\tb", "two\nlines", "say \"hi\"", "#"));
    const QString text = dir.filePath("t.txt");
    const TSaveOutcome outcome = SaveTableToFile(table, text);
    ASSERT_EQ(outcome.kind, TSaveOutcome::TKind::Saved);
    EXPECT_EQ(outcome.changes.lineBreaks, 1);
    EXPECT_EQ(outcome.message,
              SavedMessage(text) +
                  "\n1 value had its line breaks written as spaces (a text table cannot hold "
                  "them).");
    TRecordTable reopened;
    ASSERT_TRUE(LoadTableFromFile(text, reopened).ok);
    EXPECT_EQ(reopened.At(0), Rec(1, "a\tb", "two lines", "say \"hi\"", "#"));

    // The packet holds it all: no note.
    const QString packet = dir.filePath("p.xml");
    const TSaveOutcome packetOutcome = SaveTableToFile(table, packet);
    EXPECT_EQ(packetOutcome.message, SavedMessage(packet));
    TRecordTable fromPacket;
    ASSERT_TRUE(LoadTableFromFile(packet, fromPacket).ok);
    EXPECT_EQ(fromPacket.At(0), table.At(0));
}

} // namespace
