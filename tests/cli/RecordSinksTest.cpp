// The files of the record command: a text table continued line by line, a packet at the end.

#include "cli/RecordSinks.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TRecord Record(int32_t no, const char* humidity) {
    TRecord record;
    record.No = no;
    record.TextOf(TField::Time) = QByteArray("10:20");
    record.TextOf(TField::Value) = QByteArray(humidity);
    record.TextOf(TField::Range) = QByteArray("23.4");
    record.TextOf(TField::Unit) = QByteArray("#");
    return record;
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(RecordSinks, TextTableIsWrittenAsRecordsArriveAndContinuedLater) {
    QTemporaryDir dir;
    const QString path = dir.filePath("log.txt");
    QString error;
    {
        std::unique_ptr<IRecordSink> sink = OpenRecordSink(path, error);
        ASSERT_TRUE(sink) << error.toStdString();
        EXPECT_EQ(ReadAll(path), "No\tTime\t%RH\tTemp\tUnit\r\n");
        ASSERT_TRUE(sink->Record(Record(1, "45.3%RH"), error));
        // On disk before the run ends.
        EXPECT_EQ(ReadAll(path), "No\tTime\t%RH\tTemp\tUnit\r\n1\t10:20\t45.3%RH\t23.4\t#\r\n");
    }
    std::unique_ptr<IRecordSink> again = OpenRecordSink(path, error);
    ASSERT_TRUE(again);
    ASSERT_TRUE(again->Record(Record(1, " "), error));
    EXPECT_EQ(ReadAll(path), "No\tTime\t%RH\tTemp\tUnit\r\n1\t10:20\t45.3%RH\t23.4\t#\r\n"
                             "1\t10:20\tNULL\t23.4\t#\r\n");
}

TEST(RecordSinks, PacketIsWrittenAtTheEnd) {
    QTemporaryDir dir;
    const QString path = dir.filePath("log.xml");
    QString error;
    std::unique_ptr<IRecordSink> sink = OpenRecordSink(path, error);
    ASSERT_TRUE(sink) << error.toStdString();
    TRecordTable table;
    table.Append(Record(1, "45.3%RH"));
    ASSERT_TRUE(sink->Record(table.At(0), error));
    EXPECT_EQ(ReadAll(path), ""); // held empty for the run, as its lock
    ASSERT_TRUE(sink->Finish(table, error));
    EXPECT_TRUE(ReadAll(path).contains("<ROW RowState=\"4\" No=\"1\" Time=\"10:20\" "
                                       "Value=\"45.3%RH\" DC/AC=\"23.4\" Unit=\"#\"/>"));
}

TEST(RecordSinks, UnwritableFilesFailBeforeTheRun) {
    QTemporaryDir dir;
    for (const char* name : {"missing/log.txt", "missing/log.xml"}) {
        QString error;
        EXPECT_FALSE(OpenRecordSink(dir.filePath(name), error)) << name;
        EXPECT_TRUE(error.contains(dir.filePath(name))) << error.toStdString();
    }
    QString error;
    EXPECT_FALSE(OpenRecordSink(dir.path(), error)); // a folder, as a text table
}

} // namespace
