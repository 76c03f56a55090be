#include "config/recent_files.h"

#include <algorithm>

namespace pv {

void RecentFiles::Load(SettingsStore& store) {
    entries_.clear();
    for (int i = 0; i < kMaxEntries; ++i) {
        std::string path = store.Get(kSection, std::to_string(i));
        if (path.empty()) break;
        entries_.push_back(std::move(path));
    }
}

void RecentFiles::Save(SettingsStore& store) const {
    for (size_t i = 0; i < entries_.size(); ++i)
        store.Set(kSection, std::to_string(i), entries_[i]);
}

void RecentFiles::Insert(const std::string& path) {
    if (path.empty()) return;
    auto found = std::find(entries_.begin(), entries_.end(), path);
    if (found != entries_.end()) {
        // Entries above the found one move down; the found slot is reused.
        std::rotate(entries_.begin(), found, found + 1);
        entries_.front() = path;
        return;
    }
    if (static_cast<int>(entries_.size()) >= kMaxEntries) entries_.pop_back();
    entries_.insert(entries_.begin(), path);
}

std::string RecentFiles::Choose(int index) {
    if (index < 0 || index >= static_cast<int>(entries_.size())) return {};
    std::string path = entries_[static_cast<size_t>(index)];
    Insert(path);
    return path;
}

} // namespace pv
