#include "output/record_queue.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "config/file_io.h"

namespace pv {

namespace {

std::string Reason(const std::string& what, int err) {
    return what + ": " + std::strerror(err);
}

bool MakeFolders(const std::string& path, std::string& why) {
    for (size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
        std::string folder = path.substr(0, slash);
        if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
            why = Reason(folder, errno);
            return false;
        }
    }
    return true;
}

bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// The line offsets of a data file from `head` on; a torn last line is left
// out and `end` stops before it.
bool ScanLines(int fd, uint64_t head, std::deque<std::pair<uint64_t, uint32_t>>& lines,
               uint64_t& end, std::string& why) {
    std::vector<char> buffer(1 << 16);
    uint64_t pos = head, lineStart = head;
    end = head;
    for (;;) {
        ssize_t n = ::pread(fd, buffer.data(), buffer.size(), static_cast<off_t>(pos));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            why = Reason("reading the queue", errno);
            return false;
        }
        if (n == 0) return true;
        for (ssize_t i = 0; i < n; ++i) {
            if (buffer[static_cast<size_t>(i)] != '\n') continue;
            uint64_t at = pos + static_cast<uint64_t>(i);
            lines.emplace_back(lineStart, static_cast<uint32_t>(at - lineStart));
            lineStart = end = at + 1;
        }
        pos += static_cast<uint64_t>(n);
    }
}

// "<inode> <offset>": the head applies only to the file it was written for.
uint64_t ReadHead(const std::string& path, ino_t inode, uint64_t size) {
    std::string text, why;
    if (ReadRegularFile(path + ".head", text, why, 256) != ReadResult::Read) return 0;
    unsigned long long ino = 0, offset = 0;
    if (std::sscanf(text.c_str(), "%llu %llu", &ino, &offset) != 2 || ino != inode) return 0;
    return offset > size ? size : offset;
}

} // namespace

bool RecordQueue::Open(const std::string& path, size_t limit, std::string& why) {
    Close();
    if (!MakeFolders(path, why)) return false;
    int fd = ::open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        why = Reason(path, errno);
        return false;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        why = path + ": in use by another Portivox run";
        ::close(fd);
        return false;
    }
    fd_ = fd;
    path_ = path;
    limit_ = limit;
    if (!Load(why)) {
        Close();
        return false;
    }
    return true;
}

bool RecordQueue::Load(std::string& why) {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) {
        why = Reason(path_, errno);
        return false;
    }
    auto size = static_cast<uint64_t>(st.st_size);
    head_ = ReadHead(path_, st.st_ino, size);
    std::deque<std::pair<uint64_t, uint32_t>> lines;
    if (!ScanLines(fd_, head_, lines, end_, why)) return false;
    // A head that is not at a line start came from a damaged file: from the
    // start again (sent twice beats lost).
    if (head_ > 0) {
        char before = 0;
        if (::pread(fd_, &before, 1, static_cast<off_t>(head_ - 1)) != 1 || before != '\n') {
            head_ = 0;
            lines.clear();
            if (!ScanLines(fd_, 0, lines, end_, why)) return false;
        }
    }
    if (end_ < size && ::ftruncate(fd_, static_cast<off_t>(end_)) != 0) {
        why = Reason("cutting off a torn entry", errno);
        return false;
    }
    entries_.clear();
    for (auto& [offset, length] : lines)
        entries_.push_back({offset, length});
    return true;
}

void RecordQueue::Close() {
    if (fd_ < 0) return;
    std::string why;
    if (dirty_) Commit(why);
    ::close(fd_);
    fd_ = -1;
    entries_.clear();
    head_ = end_ = 0;
}

RecordQueue::Added RecordQueue::Append(std::string_view line) {
    if (fd_ < 0 || line.find('\n') != std::string_view::npos) return Added::Failed;
    if (entries_.size() >= limit_) return Added::Full;
    std::string bytes(line);
    bytes += '\n';
    if (!WriteAll(fd_, bytes.data(), bytes.size())) {
        // Nothing half-written stays behind to be read as an entry.
        [[maybe_unused]] int r = ::ftruncate(fd_, static_cast<off_t>(end_));
        return Added::Failed;
    }
    entries_.push_back({end_, static_cast<uint32_t>(line.size())});
    end_ += bytes.size();
    return Added::Queued;
}

bool RecordQueue::Read(size_t i, std::string& out) const {
    if (i >= entries_.size()) return false;
    const Entry& e = entries_[i];
    out.resize(e.Length);
    size_t got = 0;
    while (got < e.Length) {
        ssize_t n =
            ::pread(fd_, out.data() + got, e.Length - got, static_cast<off_t>(e.Offset + got));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        got += static_cast<size_t>(n);
    }
    return true;
}

void RecordQueue::Drop(size_t n) {
    n = std::min(n, entries_.size());
    if (n == 0) return;
    entries_.erase(entries_.begin(), entries_.begin() + static_cast<long>(n));
    head_ = entries_.empty() ? end_ : entries_.front().Offset;
    dirty_ = true;
}

bool RecordQueue::SaveHead(std::string& why) {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) {
        why = Reason(path_, errno);
        return false;
    }
    std::string text = std::to_string(static_cast<unsigned long long>(st.st_ino)) + " " +
                       std::to_string(head_) + "\n";
    if (!ReplaceFile(path_ + ".head", text, why)) return false;
    dirty_ = false;
    return true;
}

bool RecordQueue::Compact(std::string& why) {
    if (entries_.empty()) {
        // In place: a crash before the head is saved leaves a head past the
        // end, which reads as empty.
        if (::ftruncate(fd_, 0) != 0) {
            why = Reason("emptying the queue", errno);
            return false;
        }
        head_ = end_ = 0;
        return SaveHead(why);
    }
    // The waiting rest goes to a new file renamed over the old one; until
    // the head is saved for the new inode, a crash reads it from its start.
    std::string tmp = path_ + ".new";
    int fd = ::open(tmp.c_str(), O_RDWR | O_APPEND | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        why = Reason(tmp, errno);
        return false;
    }
    std::vector<char> buffer(1 << 16);
    bool ok = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    for (uint64_t pos = head_; ok && pos < end_;) {
        size_t want = static_cast<size_t>(std::min<uint64_t>(buffer.size(), end_ - pos));
        ssize_t n = ::pread(fd_, buffer.data(), want, static_cast<off_t>(pos));
        ok = n > 0 && WriteAll(fd, buffer.data(), static_cast<size_t>(n));
        pos += n > 0 ? static_cast<uint64_t>(n) : 0;
    }
    if (!ok || ::fsync(fd) != 0 || ::rename(tmp.c_str(), path_.c_str()) != 0) {
        why = Reason("compacting the queue", errno ? errno : EIO);
        ::close(fd);
        ::unlink(tmp.c_str());
        return false;
    }
    ::close(fd_);
    fd_ = fd;
    for (Entry& e : entries_)
        e.Offset -= head_;
    end_ -= head_;
    head_ = 0;
    return SaveHead(why);
}

bool RecordQueue::Commit(std::string& why) {
    if (fd_ < 0) return false;
    if (head_ > 0 && (entries_.empty() || (head_ >= kCompactBytes && head_ * 2 >= end_)))
        return Compact(why);
    return !dirty_ || SaveHead(why);
}

bool RecordQueue::Count(const std::string& path, size_t& count, bool& inUse, std::string& why) {
    count = 0;
    inUse = false;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) return true;
        why = Reason(path, errno);
        return false;
    }
    if (::flock(fd, LOCK_SH | LOCK_NB) != 0) inUse = true;
    struct stat st {};
    std::deque<std::pair<uint64_t, uint32_t>> lines;
    uint64_t end = 0;
    bool ok = ::fstat(fd, &st) == 0 &&
              ScanLines(fd, ReadHead(path, st.st_ino, static_cast<uint64_t>(st.st_size)), lines,
                        end, why);
    ::close(fd);
    count = lines.size();
    return ok;
}

} // namespace pv
