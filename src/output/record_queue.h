#pragma once
// A queue of one-line entries on disk that outlives the program: entries
// are appended to a data file (one write each, so a crash tears at most
// the last line, which the next open cuts off), and the position of the
// oldest waiting entry is kept in "<file>.head", replaced atomically
// together with the data file's inode, so a compaction interrupted between
// its two steps is still read right. One program at a time holds a queue
// (an exclusive lock on the data file).
//
//   RecordQueue q;
//   if (!q.Open(path, RecordQueue::kDefaultLimit, why)) ...
//   q.Append(payload);              // Queued, Full or Failed
//   q.Read(0, oldest); q.Drop(1);   // after the broker took it
//   q.Commit(why);                  // the head is saved
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

namespace pv {

class RecordQueue {
  public:
    static constexpr size_t kDefaultLimit = 100000;
    /// Consumed bytes at the front of the file past which Commit rewrites it.
    static constexpr uint64_t kCompactBytes = 1u << 20;

    enum class Added { Queued, Full, Failed };

    RecordQueue() = default;
    RecordQueue(const RecordQueue&) = delete;
    RecordQueue& operator=(const RecordQueue&) = delete;
    ~RecordQueue() { Close(); }

    /// Creates the folder and file as needed, takes the lock and reads what
    /// an earlier run left. `limit` entries at most.
    bool Open(const std::string& path, size_t limit, std::string& why);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }

    /// Appends one entry; a line break in it is refused (Failed).
    Added Append(std::string_view line);
    size_t Size() const { return entries_.size(); }
    size_t Limit() const { return limit_; }
    /// The i-th waiting entry, 0 the oldest.
    bool Read(size_t i, std::string& out) const;
    /// Drops the n oldest entries; Commit makes it last.
    void Drop(size_t n);
    /// Saves the head and compacts the file once most of it is consumed.
    bool Commit(std::string& why);

    /// Counts the waiting entries of a queue without opening it for use;
    /// `inUse` tells whether a program holds it. False with `why` when
    /// unreadable.
    static bool Count(const std::string& path, size_t& count, bool& inUse, std::string& why);

  private:
    struct Entry {
        uint64_t Offset;
        uint32_t Length;
    };
    bool Load(std::string& why);
    bool Compact(std::string& why);
    bool SaveHead(std::string& why);

    int fd_ = -1;
    std::string path_;
    size_t limit_ = kDefaultLimit;
    std::deque<Entry> entries_;
    uint64_t head_ = 0, end_ = 0;
    bool dirty_ = false;
};

} // namespace pv
