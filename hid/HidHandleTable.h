#pragma once
// The open handles of a backend: numbers handed out to the transport, each naming a shared
// handle object. A handle closed on one thread while another thread still works with it stays
// alive until that thread lets go of it. Thread-safe.

#include "hid/HidPlatform.h"

#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

template <class Handle> class THidHandleTable {
public:
    THidHandle Add(std::shared_ptr<Handle> handle) {
        std::lock_guard lock(mutex_);
        const THidHandle number = next_++;
        handles_.emplace(number, std::move(handle));
        return number;
    }
    std::shared_ptr<Handle> Find(THidHandle number) const {
        std::lock_guard lock(mutex_);
        const auto found = handles_.find(number);
        return found != handles_.end() ? found->second : nullptr;
    }
    std::shared_ptr<Handle> Remove(THidHandle number) {
        std::lock_guard lock(mutex_);
        const auto found = handles_.find(number);
        if (found == handles_.end())
            return nullptr;
        std::shared_ptr<Handle> handle = std::move(found->second);
        handles_.erase(found);
        return handle;
    }
    std::vector<std::shared_ptr<Handle>> All() const {
        std::lock_guard lock(mutex_);
        std::vector<std::shared_ptr<Handle>> all;
        for (const auto& entry : handles_)
            all.push_back(entry.second);
        return all;
    }

private:
    mutable std::mutex mutex_;
    std::unordered_map<THidHandle, std::shared_ptr<Handle>> handles_;
    THidHandle next_ = 1;
};
