// Fuzzes the data packet reader. Beyond not crashing, the result must not depend on where the
// file is cut into chunks, and a packet that reads must write back to one that reads the same.

#include "records/DataPacketFormat.h"

#include <cstdlib>

namespace {

struct TRead {
    bool ok;
    TPacketContent content;
};

TRead Read(const char* data, size_t size, size_t cut) {
    TDataPacketReader reader;
    reader.Feed(data, cut);
    reader.Feed(data + cut, size - cut);
    TRead read{reader.Finish(), {}};
    read.content = reader.TakeContent();
    return read;
}

bool Same(const TRead& a, const TRead& b) {
    return a.ok == b.ok &&
           (!a.ok || (a.content.rows.Records() == b.content.rows.Records() &&
                      a.content.rows.LoggedAppends() == b.content.rows.LoggedAppends() &&
                      a.content.changeLog == b.content.changeLog));
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
    QByteArray written = DataPacketHead(whole.content.changeLog);
    whole.content.rows.ForEach([&written](const TRecord& record, bool logged) {
        AppendDataPacketRow(written, record, logged);
    });
    written += DataPacketTail();
    if (!Same(whole, Read(written.constData(), size_t(written.size()), size_t(written.size()))))
        std::abort();
    return 0;
}
