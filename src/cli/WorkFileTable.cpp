#include "cli/WorkFileTable.h"

#include <unistd.h>

#include <cstring>
#include <string>

namespace talvex::cli {

namespace {

uint64_t HashOf(const char* text, size_t size) {
    uint64_t hash = 1469598103934665603ULL;  // FNV-1a
    for (size_t i = 0; i < size; ++i) {
        hash = (hash ^ static_cast<unsigned char>(text[i])) * 1099511628211ULL;
    }
    return hash;
}

}  // namespace

void WorkFileTable::WorkFileMade(const std::filesystem::path& path) {
    const std::string& text = path.native();
    if (text.empty() || text.size() >= kPathBytes) {
        return;
    }
    for (size_t i = 0; i < kSlots; ++i) {
        int expected = kFree;
        if (!slots_[i].state.compare_exchange_strong(expected, kWriting)) {
            continue;
        }
        std::memcpy(paths_[i].data(), text.c_str(), text.size() + 1);
        slots_[i].hash.store(HashOf(text.data(), text.size()));
        slots_[i].state.store(kInUse);
        return;
    }
}

void WorkFileTable::WorkFileGone(const std::filesystem::path& path) {
    const std::string& text = path.native();
    const uint64_t hash = HashOf(text.data(), text.size());
    for (size_t i = 0; i < kSlots; ++i) {
        Slot& slot = slots_[i];
        if (slot.state.load() != kInUse || slot.hash.load() != hash) {
            continue;
        }
        int expected = kInUse;
        if (!slot.state.compare_exchange_strong(expected, kClaimed)) {
            continue;
        }
        const bool same = std::strcmp(paths_[i].data(), text.c_str()) == 0;
        slot.state.store(same ? kFree : kInUse);
        if (same) {
            return;
        }
    }
}

int WorkFileTable::RemoveAll() {
    int removed = 0;
    for (size_t i = 0; i < kSlots; ++i) {
        int expected = kInUse;
        if (!slots_[i].state.compare_exchange_strong(expected, kClaimed)) {
            continue;
        }
        if (unlink(paths_[i].data()) == 0) {
            ++removed;
        }
        slots_[i].state.store(kFree);
    }
    return removed;
}

size_t WorkFileTable::Count() const {
    size_t count = 0;
    for (const Slot& slot : slots_) {
        count += slot.state.load() == kInUse ? 1 : 0;
    }
    return count;
}

}  // namespace talvex::cli
