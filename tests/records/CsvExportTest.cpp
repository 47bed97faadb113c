// The spreadsheet export: exact bytes in both decimal-separator styles, read back by Python's
// csv module (numbers must parse as numbers), and a failed export that leaves the old file.

#include "records/CsvExport.h"
#include "records/RecordTable.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <ctime>
#include <gtest/gtest.h>

namespace {

TRecord Row(int32_t no, const char* time, const char* humidity, const char* temperature,
            const char* unit) {
    TRecord r;
    r.No = no;
    r.TextOf(TField::Time) = time;
    r.TextOf(TField::Value) = humidity;
    r.TextOf(TField::Range) = temperature;
    r.TextOf(TField::Unit) = unit;
    return r;
}

// A received reading, one without humidity (recorded under a comma locale, opened from a file:
// no received time) and one without temperature whose time text needs quoting.
void Fill(TRecordTable& table) {
    TRecord received = Row(1, "10:20", "45.6%RH", "23.4", "#");
    received.Received = QDateTime(QDate(2026, 12, 10), QTime(11, 20, 5), Qt::OffsetFromUTC, 3600)
                            .toMSecsSinceEpoch();
    table.Append(received);
    table.Append(Row(2, "10:21", "----", "-1,5", "DEW?"));
    table.Append(Row(3, "0\"5,x", "5.3%RH", "--.-", "?"));
}

// Local time is Central European for the test (+01:00 in December), whatever the machine's zone.
class CentralEuropeanTime {
public:
    CentralEuropeanTime() : saved_(qgetenv("TZ")), had_(qEnvironmentVariableIsSet("TZ")) {
        qputenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
        tzset();
    }
    ~CentralEuropeanTime() {
        if (had_)
            qputenv("TZ", saved_);
        else
            qunsetenv("TZ");
        tzset();
    }

private:
    QByteArray saved_;
    bool had_;
};

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Python's csv module reads the file; %RH and Temp go through float() (locale.atof with a
// German locale for decimal commas). Prints the rows as JSON.
QJsonArray ReadWithPython(const QString& path, char separator, bool decimalComma) {
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    EXPECT_FALSE(python.isEmpty()) << "python3 is needed to read the CSV back";
    const char* script = R"(
import csv, json, locale, sys
path, sep, comma = sys.argv[1], sys.argv[2], sys.argv[3] == '1'
if comma:
    locale.setlocale(locale.LC_NUMERIC, 'de_DE.UTF-8')
number = locale.atof if comma else float
rows = []
with open(path, encoding='utf-8-sig', newline='') as f:
    for i, row in enumerate(csv.reader(f, delimiter=sep)):
        if i > 0:
            row[4] = number(row[4]) if row[4] else None
            row[5] = number(row[5]) if row[5] else None
        rows.append(row)
print(json.dumps(rows))
)";
    QProcess process;
    process.start(python, {QStringLiteral("-c"), QString::fromLatin1(script), path,
                           QString(QLatin1Char(separator)), decimalComma ? "1" : "0"});
    EXPECT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().constData();
    return QJsonDocument::fromJson(process.readAllStandardOutput()).array();
}

TEST(CsvExport, BytesAndReadBackInBothDecimalStyles) {
    const struct {
        QByteArray localeDecimal;
        char separator;
        QByteArray expected;
    } styles[] = {
        {".", ',',
         "\xEF\xBB\xBF"
         "Received,Received (local time),No,Time,%RH,Temp,Unit,Dew point\r\n"
         "2026-12-10T11:20:05+01:00,2026-12-10 11:20:05,1,10:20,45.6,23.4,\xC2\xB0"
         "C,no\r\n"
         ",,2,10:21,,-1.5,\xC2\xB0"
         "F,yes\r\n"
         ",,3,\"0\"\"5,x\",5.3,,\xC2\xB0"
         "F,no\r\n"},
        {",", ';',
         "\xEF\xBB\xBF"
         "Received;Received (local time);No;Time;%RH;Temp;Unit;Dew point\r\n"
         "2026-12-10T11:20:05+01:00;2026-12-10 11:20:05;1;10:20;45,6;23,4;\xC2\xB0"
         "C;no\r\n"
         ";;2;10:21;;-1,5;\xC2\xB0"
         "F;yes\r\n"
         ";;3;\"0\"\"5,x\";5,3;;\xC2\xB0"
         "F;no\r\n"},
    };
    const CentralEuropeanTime zone;
    TRecordTable table;
    Fill(table);
    QTemporaryDir dir;
    for (const auto& style : styles) {
        SCOPED_TRACE(style.localeDecimal.constData());
        const QString path = dir.filePath(QStringLiteral("out.csv"));
        const TCsvStyle csv = TCsvStyle::ForDecimalSeparator(style.localeDecimal);
        ASSERT_EQ(csv.separator, style.separator);
        EXPECT_EQ(ExportTableToCsv(table, path, csv), QString());
        EXPECT_EQ(ReadAll(path), style.expected);

        const QJsonArray rows = ReadWithPython(path, csv.separator, csv.decimal == ',');
        ASSERT_EQ(rows.size(), 4);
        EXPECT_EQ(rows[0].toArray()[7].toString(), QStringLiteral("Dew point"));
        const QJsonArray first = rows[1].toArray();
        EXPECT_EQ(first[0].toString(), QStringLiteral("2026-12-10T11:20:05+01:00"));
        EXPECT_DOUBLE_EQ(first[4].toDouble(), 45.6);
        EXPECT_DOUBLE_EQ(first[5].toDouble(), 23.4);
        EXPECT_EQ(first[6].toString(), QStringLiteral("\u00B0C"));
        const QJsonArray second = rows[2].toArray();
        EXPECT_TRUE(second[0].toString().isEmpty());
        EXPECT_TRUE(second[4].isNull());
        EXPECT_DOUBLE_EQ(second[5].toDouble(), -1.5);
        EXPECT_EQ(second[7].toString(), QStringLiteral("yes"));
        const QJsonArray third = rows[3].toArray();
        EXPECT_EQ(third[3].toString(), QStringLiteral("0\"5,x"));
        EXPECT_TRUE(third[5].isNull());
    }
}

TEST(CsvExport, AnExportThatCannotBeWrittenSaysWhy) {
    QTemporaryDir dir;
    TRecordTable table;
    Fill(table);
    // A folder where the file should go: nothing can be written, and the reason comes back.
    const QString folder = dir.filePath(QStringLiteral("taken.csv"));
    ASSERT_TRUE(QDir().mkdir(folder));
    EXPECT_FALSE(ExportTableToCsv(table, folder, {}).isEmpty());

    const QString missing = dir.filePath(QStringLiteral("no/such/folder/out.csv"));
    EXPECT_FALSE(ExportTableToCsv(table, missing, {}).isEmpty());
    EXPECT_FALSE(QFile::exists(missing));
}

TEST(CsvExport, CsvFileNames) {
    EXPECT_TRUE(IsCsvFileName(QStringLiteral("a.csv")));
    EXPECT_TRUE(IsCsvFileName(QStringLiteral("B.CSV")));
    EXPECT_FALSE(IsCsvFileName(QStringLiteral("a.xls")));
    EXPECT_FALSE(IsCsvFileName(QStringLiteral("csv")));
}

} // namespace
