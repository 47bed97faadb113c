// Fuzzes the data packet reader. Beyond not crashing, the result must not depend on where the
// file is cut into chunks, and a packet that reads must write back to one that reads the same.

#include "records/DataPacketFormat.h"

#include <cstdlib>

namespace {

struct TRead {
    bool ok = false;
    std::vector<TRecord> records;
    std::vector<bool> logged;
    std::vector<TChange> changeLog;
};

TRead Read(const char* data, size_t size, size_t cut) {
    TRecordTable rows;
    TDataPacketReader reader(rows);
    reader.Feed(data, cut);
    reader.Feed(data + cut, size - cut);
    TRead read;
    read.ok = reader.Finish();
    for (int64_t i = 0; read.ok && i < rows.Count(); ++i) {
        read.records.push_back(rows.At(i));
        read.logged.push_back(rows.IsLoggedAppend(i));
    }
    if (read.ok)
        read.changeLog = rows.ChangeLog();
    return read;
}

bool Same(const TRead& a, const TRead& b) {
    return a.ok == b.ok && (!a.ok || (a.records == b.records && a.logged == b.logged &&
                                      a.changeLog == b.changeLog));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    const char* data = reinterpret_cast<const char*>(bytes);
    const TRead whole = Read(data, size, size);
    const size_t cut = size ? bytes[0] % size : 0;
    if (!Same(whole, Read(data, size, cut)))
        std::abort();
    if (!whole.ok)
        return 0;
    QByteArray written = DataPacketHead(whole.changeLog);
    for (size_t i = 0; i < whole.records.size(); ++i)
        AppendDataPacketRow(written, whole.records[i], whole.logged[i]);
    written += DataPacketTail();
    if (!Same(whole, Read(written.constData(), size_t(written.size()), size_t(written.size()))))
        std::abort();
    return 0;
}
