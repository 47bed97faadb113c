// Fuzzes the text table reader. Beyond not crashing, the records must not depend on where the
// file is cut into chunks, and every record must fit the table (a No, texts of at most 20).

#include "records/TextTableFormat.h"

#include <cstdlib>
#include <vector>

namespace {

struct TRead {
    bool ok;
    std::vector<TRecord> records;
};

TRead Read(const char* data, size_t size, size_t cut) {
    TRead read{false, {}};
    TTextTableReader reader([&](const TRecordView& r) {
        read.records.push_back(r.ToRecord());
        return true;
    });
    reader.Feed(data, cut);
    reader.Feed(data + cut, size - cut);
    read.ok = reader.Finish();
    return read;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    const char* data = reinterpret_cast<const char*>(bytes);
    const TRead whole = Read(data, size, size);
    for (const TRecord& r : whole.records) {
        if (!r.No)
            std::abort();
        for (const auto& text : r.Text) {
            if (text && text->size() > kTextFieldWidth)
                std::abort();
        }
    }
    const size_t cut = size ? bytes[0] % size : 0;
    const TRead split = Read(data, size, cut);
    if (split.ok != whole.ok || split.records != whole.records)
        std::abort();
    return 0;
}
