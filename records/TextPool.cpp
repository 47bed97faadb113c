#include "records/TextPool.h"

#include "records/ByteScan.h"

#include <cstring>
#include <stdexcept>

namespace {

// Texts are short, so they are hashed a word or two at a time: the lookup waits for the hash
// before it can touch the index. The 64-bit product's high half carries every input bit; the
// final fold brings it down to the low bits that the slot mask keeps (texts such as "12:34" /
// "13:34" must not pile up in clusters).
inline uint32_t HashText(const char* p, size_t n) {
    constexpr uint64_t kOdd1 = 0x9E3779B97F4A7C15u;
    constexpr uint64_t kOdd2 = 0xC2B2AE3D27D4EB4Fu;
    uint64_t h = n * kOdd1;
    for (; n > 16; p += 16, n -= 16)
        h = (h ^ LoadBytes64(p) ^ (LoadBytes64(p + 8) * kOdd1)) * kOdd2;
    // The last 1 to 16 bytes as two words, overlapping where they are fewer (the length is in h).
    uint64_t a = 0;
    uint64_t b = 0;
    if (n >= 8) {
        a = LoadBytes64(p);
        b = LoadBytes64(p + n - 8);
    } else if (n >= 4) {
        a = LoadBytes32(p);
        b = LoadBytes32(p + n - 4);
    } else if (n > 0) {
        a = uint64_t(uint8_t(p[0])) << 16 | uint64_t(uint8_t(p[n / 2])) << 8 | uint8_t(p[n - 1]);
    }
    h = (h ^ a) * kOdd1 ^ (b * kOdd2);
    h ^= h >> 32;
    h *= kOdd1;
    return uint32_t(h >> 32);
}

} // namespace

QByteArrayView TTextPool::View(uint32_t id) const {
    if ((id >> kBlockBits) >= blocks_.size())
        throw std::out_of_range("text id out of range");
    const char* stored = Stored(id);
    return QByteArrayView(stored + kHintBytes + 1, uint8_t(stored[kHintBytes]));
}

void TTextPool::Grow() {
    std::vector<uint32_t> bigger(slots_.empty() ? 64 : slots_.size() * 2, 0);
    const size_t mask = bigger.size() - 1;
    for (const uint32_t slot : slots_) {
        if (slot == 0)
            continue;
        const QByteArrayView text = View(slot - 1);
        size_t i = HashText(text.data(), size_t(text.size())) & mask;
        while (bigger[i] != 0)
            i = (i + 1) & mask;
        bigger[i] = slot;
    }
    slots_.swap(bigger);
}

uint32_t TTextPool::Intern(QByteArrayView text) {
    const size_t size = size_t(text.size());
    if (size > 255)
        throw std::length_error("text too long for the pool");
    // Keep the load at most one half so probes stay short.
    if ((size_ + 1) * 2 > slots_.size())
        Grow();
    const size_t mask = slots_.size() - 1;
    size_t i = HashText(text.data(), size) & mask;
    while (slots_[i] != 0) {
        const uint32_t id = slots_[i] - 1;
        if (Holds(id, text))
            return id;
        i = (i + 1) & mask;
    }
    const size_t need = kHintBytes + 1 + size;
    if (blocks_.empty() || blockUsed_ + need > kBlockBytes) {
        if (blocks_.size() == kMaxBlocks)
            throw std::length_error("text pool full");
        blocks_.push_back(std::make_unique<char[]>(kBlockBytes));
        blockUsed_ = 0;
    }
    const auto id = uint32_t((blocks_.size() - 1) << kBlockBits | blockUsed_);
    char* p = Stored(id);
    std::memcpy(p, &kNone, kHintBytes);
    p[kHintBytes] = char(uint8_t(size));
    if (size)
        std::memcpy(p + kHintBytes + 1, text.data(), size);
    blockUsed_ += need;
    ++size_;
    slots_[i] = id + 1;
    return id;
}

void TTextPool::Clear() {
    blocks_.clear();
    blockUsed_ = kBlockBytes;
    size_ = 0;
    slots_ = {};
}

size_t TTextPool::MemoryBytes() const {
    return blocks_.size() * kBlockBytes + blocks_.capacity() * sizeof(void*) +
           slots_.capacity() * sizeof(uint32_t);
}
