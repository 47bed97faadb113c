#pragma once
// Rows read from a data packet, held compactly until the whole packet has been read and found
// good (only then do they go into the table). Per row: a flag byte (which fields have a value,
// whether the row is a logged append), No when present, and each present text as a length byte
// and its bytes. About 30 bytes for a typical row, against several hundred as TRecords.
// Rows are read back in order only.

#include "records/RecordTable.h"

#include <QByteArray>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

class TPacketRows {
public:
    // texts[i] is Time, Value, DC/AC, Unit; data null for no value. Texts must be cut to 20.
    void Add(const std::optional<int32_t>& no, const std::string_view* texts, bool logged) {
        uint8_t flags = logged ? kLogged : 0;
        size_t size = 1;
        if (no) {
            flags |= 1;
            size += sizeof(int32_t);
        }
        for (int i = 0; i < 4; ++i) {
            if (texts[i].data()) {
                flags |= uint8_t(2 << i);
                size += 1 + texts[i].size();
            }
        }
        // Blocks of fixed capacity: growing never copies what is already held.
        if (blocks_.empty() || blocks_.back().capacity() - blocks_.back().size() < size) {
            blocks_.emplace_back();
            blocks_.back().reserve(kBlockBytes);
        }
        std::string& block = blocks_.back();
        const size_t at = block.size();
        block.resize(at + size);
        char* p = block.data() + at;
        *p++ = char(flags);
        if (no) {
            std::memcpy(p, &*no, sizeof(int32_t));
            p += sizeof(int32_t);
        }
        for (int i = 0; i < 4; ++i) {
            if (texts[i].data()) {
                *p++ = char(texts[i].size());
                std::memcpy(p, texts[i].data(), texts[i].size());
                p += texts[i].size();
            }
        }
        ++count_;
    }

    void Add(const TRecord& record, bool logged) {
        std::string_view texts[4];
        for (int i = 0; i < 4; ++i) {
            if (record.Text[size_t(i)])
                texts[i] = std::string_view(record.Text[size_t(i)]->constData(),
                                            size_t(record.Text[size_t(i)]->size()));
        }
        Add(record.No, texts, logged);
    }

    int64_t Count() const { return count_; }
    size_t MemoryBytes() const { return blocks_.size() * kBlockBytes; }

    // Calls f(const TRecord&, bool logged) for each row in order. The record is reused between
    // rows, so a table that copies the bytes out needs no allocation per row.
    template <class F> void ForEach(F&& f) const { Walk(blocks_, std::forward<F>(f), false); }
    // As ForEach, but each block is released once read, so the table filled from the rows can
    // take over the memory; the rows are empty afterwards.
    template <class F> void Drain(F&& f) {
        Walk(blocks_, std::forward<F>(f), true);
        blocks_.clear();
        count_ = 0;
    }

    // Calls f(bool logged) for each row in order, without building the records.
    template <class F> void ForEachLogged(F&& f) const {
        for (const std::string& block : blocks_) {
            const char* p = block.data();
            const char* end = p + block.size();
            while (p < end) {
                const auto flags = uint8_t(*p++);
                if (flags & 1)
                    p += sizeof(int32_t);
                for (int i = 0; i < 4; ++i) {
                    if (flags & (2 << i))
                        p += 1 + uint8_t(*p);
                }
                f((flags & kLogged) != 0);
            }
        }
    }

    std::vector<TRecord> Records() const {
        std::vector<TRecord> all;
        all.reserve(size_t(count_));
        ForEach([&](const TRecord& r, bool) { all.push_back(r); });
        return all;
    }
    std::vector<bool> LoggedAppends() const {
        std::vector<bool> all;
        all.reserve(size_t(count_));
        ForEachLogged([&](bool logged) { all.push_back(logged); });
        return all;
    }

private:
    template <class Blocks, class F> static void Walk(Blocks& blocks, F&& f, bool release) {
        TRecord record;
        for (auto& block : blocks) {
            const char* p = block.data();
            const char* end = p + block.size();
            while (p < end) {
                const auto flags = uint8_t(*p++);
                if (flags & 1) {
                    int32_t no;
                    std::memcpy(&no, p, sizeof no);
                    p += sizeof no;
                    record.No = no;
                } else {
                    record.No.reset();
                }
                for (int i = 0; i < 4; ++i) {
                    auto& text = record.Text[size_t(i)];
                    if (!(flags & (2 << i))) {
                        text.reset();
                        continue;
                    }
                    const auto n = qsizetype(uint8_t(*p++));
                    if (!text)
                        text.emplace();
                    text->resize(n);
                    if (n)
                        std::memcpy(text->data(), p, size_t(n));
                    p += n;
                }
                f(static_cast<const TRecord&>(record), (flags & kLogged) != 0);
            }
            if constexpr (!std::is_const_v<Blocks>) {
                if (release)
                    std::string().swap(block);
            }
        }
    }

    static constexpr uint8_t kLogged = 0x80;
    // Far above the largest row (89 bytes), and small enough to be reused from the heap.
    static constexpr size_t kBlockBytes = 64 * 1024;
    std::vector<std::string> blocks_;
    int64_t count_ = 0;
};
