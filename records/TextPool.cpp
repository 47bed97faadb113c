#include "records/TextPool.h"

#include <cstring>
#include <stdexcept>

uint32_t TTextPool::Hash(QByteArrayView text) {
    // FNV-1a, then a final avalanche: FNV's low bits (the ones the slot mask keeps) barely depend
    // on the earlier characters, and texts such as "12:34" / "13:34" would pile up in clusters.
    uint32_t h = 2166136261u;
    for (char c : text) {
        h ^= uint8_t(c);
        h *= 16777619u;
    }
    h ^= h >> 16;
    h *= 0x85ebca6bu;
    h ^= h >> 13;
    h *= 0xc2b2ae35u;
    h ^= h >> 16;
    return h;
}

QByteArrayView TTextPool::View(uint32_t id) const {
    const uint64_t at = offsets_.at(id);
    const char* p = blocks_[size_t(at >> 32)].get() + uint32_t(at);
    return QByteArrayView(p + 1, uint8_t(p[0]));
}

void TTextPool::Grow() {
    std::vector<uint32_t> bigger(slots_.empty() ? 64 : slots_.size() * 2, 0);
    const size_t mask = bigger.size() - 1;
    for (uint32_t id = 0; id < offsets_.size(); ++id) {
        size_t i = Hash(View(id)) & mask;
        while (bigger[i] != 0)
            i = (i + 1) & mask;
        bigger[i] = id + 1;
    }
    slots_.swap(bigger);
}

uint32_t TTextPool::Intern(QByteArrayView text) {
    if (text.size() > 255)
        throw std::length_error("text too long for the pool");
    // Keep the load at most one half so probes stay short.
    if ((offsets_.size() + 1) * 2 > slots_.size())
        Grow();
    const size_t mask = slots_.size() - 1;
    size_t i = Hash(text) & mask;
    while (slots_[i] != 0) {
        const uint32_t id = slots_[i] - 1;
        if (View(id) == text)
            return id;
        i = (i + 1) & mask;
    }
    const size_t need = size_t(text.size()) + 1;
    if (blockUsed_ + need > kBlockBytes) {
        blocks_.push_back(std::make_unique<char[]>(kBlockBytes));
        blockUsed_ = 0;
    }
    char* p = blocks_.back().get() + blockUsed_;
    p[0] = char(uint8_t(text.size()));
    if (!text.isEmpty())
        std::memcpy(p + 1, text.data(), size_t(text.size()));
    const uint32_t id = uint32_t(offsets_.size());
    offsets_.push_back(uint64_t(blocks_.size() - 1) << 32 | uint32_t(blockUsed_));
    blockUsed_ += need;
    slots_[i] = id + 1;
    return id;
}

void TTextPool::Clear() {
    blocks_.clear();
    blockUsed_ = kBlockBytes;
    offsets_ = {};
    slots_ = {};
}

size_t TTextPool::MemoryBytes() const {
    return blocks_.size() * kBlockBytes + offsets_.capacity() * sizeof(uint64_t) +
           slots_.capacity() * sizeof(uint32_t);
}
