#pragma once
// Interned short texts (at most 255 bytes each). Every distinct text is stored once, in a byte
// arena made of fixed-size blocks, and is named by a 32-bit id; records then hold ids instead of
// strings. Readings repeat a small set of texts (times, humidity and temperature values, four unit
// marks), so the pool stays tiny while the table grows.
//
// An id is the text's place in the arena (block, offset), so looking a text up costs one slot
// of the index and the text itself, and the pool needs no table from ids to places. Blocks never
// move, so a view returned by View() stays valid until Clear() or destruction. Interning is
// constant time on average; the index doubles now and then as texts arrive.
//
// Each text also keeps a hint: the id of a text that followed it once. Readings come back in the
// order they came before (the times of a recording that spans days, a temperature rising and
// falling), so the hint is a likely next text that needs no hashing to find.

#include "records/ByteScan.h"

#include <QByteArrayView>
#include <cstdint>
#include <memory>
#include <vector>

class TTextPool {
public:
    static constexpr uint32_t kNone = UINT32_MAX; // never an id

    // Returns the id of the text, adding it when new. Texts longer than 255 bytes are refused by
    // the caller (the table cuts texts to 20 bytes first).
    uint32_t Intern(QByteArrayView text);
    // The text of an id that Intern returned since the last Clear().
    QByteArrayView View(uint32_t id) const;
    // Whether the id (one Intern returned since the last Clear()) names this text.
    bool Holds(uint32_t id, QByteArrayView text) const {
        const char* stored = Stored(id);
        return uint8_t(stored[kHintBytes]) == text.size() &&
               SameBytes(stored + kHintBytes + 1, text.data(), size_t(text.size()));
    }
    // The hint kept with the text of id: kNone, or an id Intern returned since the last Clear().
    uint32_t Hint(uint32_t id) const { return LoadBytes32(Stored(id)); }
    void SetHint(uint32_t id, uint32_t next) { std::memcpy(Stored(id), &next, kHintBytes); }

    size_t Size() const { return size_; }
    void Clear();
    size_t MemoryBytes() const;

private:
    static constexpr int kBlockBits = 16;
    static constexpr size_t kBlockBytes = size_t(1) << kBlockBits;
    // Ids hold the block number in their upper 16 bits: 4 GB of texts, far beyond what ten
    // million records can bring.
    static constexpr size_t kMaxBlocks = size_t(1) << (32 - kBlockBits);
    static constexpr size_t kHintBytes = sizeof(uint32_t);

    // Each text in a block: its hint, its length byte, then its bytes.
    char* Stored(uint32_t id) const {
        return blocks_[id >> kBlockBits].get() + (id & (kBlockBytes - 1));
    }
    void Grow();

    std::vector<std::unique_ptr<char[]>> blocks_;
    size_t blockUsed_ = kBlockBytes; // forces a first block
    size_t size_ = 0;
    std::vector<uint32_t> slots_; // open addressing: id + 1, 0 = empty
};
