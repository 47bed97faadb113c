#pragma once
// Small helpers for the data file tests: records from literals, file contents, temporary folders.

#include "records/RecordTable.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <optional>
#include <signal.h>
#include <sys/resource.h>
#include <vector>

// nullptr: the field has no value.
inline TRecord Rec(std::optional<int32_t> no, const char* time, const char* value,
                   const char* range, const char* unit) {
    TRecord r;
    r.No = no;
    const char* texts[] = {time, value, range, unit};
    for (size_t i = 0; i < 4; ++i) {
        if (texts[i])
            r.Text[i] = QByteArray(texts[i]);
    }
    return r;
}

inline std::vector<TRecord> Records(const TRecordTable& table) {
    std::vector<TRecord> all;
    for (int64_t i = 0; i < table.Count(); ++i)
        all.push_back(table.At(i));
    return all;
}

inline QByteArray ReadAll(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return "<unreadable>";
    return file.readAll();
}

inline void WriteAll(const QString& fileName, const QByteArray& bytes) {
    QFile file(fileName);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

// Three records as recorded after start-up: logged appends, one with an empty Value.
inline void FillSample(TRecordTable& table) {
    table.Append(Rec(1, "10:20", "45.6%RH", "23.4", "#"));
    table.Append(Rec(2, "10:21", "", "-5.0", "#"));
    table.Append(Rec(3, "10:22", "47.0%RH", " 23.5 ", "$"));
}

inline const QByteArray kSampleText = "No\tTime\t%RH\tTemp\tUnit\r\n"
                                      "1\t10:20\t45.6%RH\t23.4\t#\r\n"
                                      "2\t10:21\tNULL\t-5.0\t#\r\n"
                                      "3\t10:22\t47.0%RH\t23.5\t$\r\n";

inline const QByteArray kPacketHead =
    "<?xml version=\"1.0\" standalone=\"yes\"?>  <DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
    "<FIELD attrname=\"No\" fieldtype=\"i4\"/>"
    "<FIELD attrname=\"Time\" fieldtype=\"string\" WIDTH=\"20\"/>"
    "<FIELD attrname=\"Value\" fieldtype=\"string\" WIDTH=\"20\"/>"
    "<FIELD attrname=\"DC/AC\" fieldtype=\"string\" WIDTH=\"20\"/>"
    "<FIELD attrname=\"Unit\" fieldtype=\"string\" WIDTH=\"20\"/>"
    "</FIELDS>";

inline const QByteArray kSamplePacket =
    kPacketHead +
    "<PARAMS CHANGE_LOG=\"1 0 4 2 0 4 3 0 4\"/></METADATA><ROWDATA>"
    "<ROW RowState=\"4\" No=\"1\" Time=\"10:20\" Value=\"45.6%RH\" DC/AC=\"23.4\" "
    "Unit=\"#\"/>"
    "<ROW RowState=\"4\" No=\"2\" Time=\"10:21\" Value=\"\" DC/AC=\"-5.0\" Unit=\"#\"/>"
    "<ROW RowState=\"4\" No=\"3\" Time=\"10:22\" Value=\"47.0%RH\" DC/AC=\" 23.5 \" "
    "Unit=\"$\"/>"
    "</ROWDATA></DATAPACKET>";

// Files of this process may grow to `bytes` only while it lives: a write beyond fails as on a
// full disk (EFBIG instead of ENOSPC).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        oldHandler_ = signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &old_);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        signal(SIGXFSZ, oldHandler_);
    }

private:
    rlimit old_{};
    sighandler_t oldHandler_;
};
