#pragma once
// Recorded frames for the simulated logger to answer with, held back to back in one buffer: a
// replay of millions of short frames costs little more than their bytes.

#include <QByteArray>
#include <QByteArrayView>
#include <cstdint>
#include <initializer_list>
#include <vector>

class TReplayFrames {
public:
    TReplayFrames() = default;
    TReplayFrames(std::initializer_list<QByteArray> frames) {
        for (const QByteArray& frame : frames)
            Add(frame);
    }

    void Add(QByteArrayView frame) {
        bytes_.append(frame);
        ends_.push_back(uint32_t(bytes_.size()));
    }
    size_t size() const { return ends_.size(); }
    bool empty() const { return ends_.empty(); }
    QByteArray operator[](size_t i) const {
        const size_t begin = i == 0 ? 0 : ends_[i - 1];
        return bytes_.mid(qsizetype(begin), qsizetype(ends_[i] - begin));
    }
    void clear() {
        bytes_.clear();
        ends_.clear();
    }
    void squeeze() {
        bytes_.squeeze();
        ends_.shrink_to_fit();
    }

private:
    QByteArray bytes_;
    std::vector<uint32_t> ends_; // the replay file is far below 4 GiB
};
