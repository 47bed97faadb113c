#pragma once
// Interned short texts (at most 255 bytes each). Every distinct text is stored once, in a byte
// arena made of fixed-size blocks, and is named by a 32-bit id; records then hold ids instead of
// strings. Readings repeat a small set of texts (times, humidity and temperature values, four unit
// marks), so the pool stays tiny while the table grows.
//
// Blocks never move, so a view returned by View() stays valid until Clear() or destruction.
// Interning is constant time on average; the id index doubles now and then as texts arrive.

#include <QByteArrayView>
#include <cstdint>
#include <memory>
#include <vector>

class TTextPool {
public:
    // Returns the id of the text, adding it when new. Texts longer than 255 bytes are refused by
    // the caller (the table cuts texts to 20 bytes first).
    uint32_t Intern(QByteArrayView text);
    QByteArrayView View(uint32_t id) const;
    size_t Size() const { return offsets_.size(); }
    void Clear();
    size_t MemoryBytes() const;

private:
    static constexpr size_t kBlockBytes = size_t(1) << 16;
    static uint32_t Hash(QByteArrayView text);
    void Grow();

    std::vector<std::unique_ptr<char[]>> blocks_;
    size_t blockUsed_ = kBlockBytes; // forces a first block
    std::vector<uint64_t> offsets_;  // id -> block << 32 | offset (length byte, then the text)
    std::vector<uint32_t> slots_;    // open addressing: id + 1, 0 = empty
};
