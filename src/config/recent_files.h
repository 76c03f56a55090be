#pragma once
// The recent-file list of the setup window's File menu: at most four paths,
// the most recent first, kept in the per-user settings store, section
// "MRUFiles", keys "0".."3".
#include <string>
#include <vector>

#include "config/settings_store.h"

namespace pv {

class RecentFiles {
  public:
    static constexpr int kMaxEntries = 4;
    static constexpr const char* kSection = "MRUFiles";

    /// Reads keys "0", "1", ... in turn until an empty value (at most four).
    void Load(SettingsStore& store);
    /// Writes every entry to keys "0".."n-1".
    void Save(SettingsStore& store) const;

    /// Puts `path` at the top. A path already listed moves up (the entries
    /// above it shift down by one); a new path pushes the others down and,
    /// with four entries, drops the oldest. Paths compare exactly: the file
    /// system tells upper and lower case apart. Empty paths are ignored.
    void Insert(const std::string& path);

    /// The entry at `index` moved to the top; its path ("" for a bad index).
    std::string Choose(int index);

    const std::vector<std::string>& Entries() const { return entries_; }
    /// Number of entries minus one; -1 when the list is empty.
    int Count() const { return static_cast<int>(entries_.size()) - 1; }
    bool Empty() const { return entries_.empty(); }

  private:
    std::vector<std::string> entries_;
};

} // namespace pv
