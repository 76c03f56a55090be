#include "config/file_io.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

namespace pv {
namespace {

std::string Reason(const std::string& what, int err) {
    return what + ": " + std::strerror(err);
}

// A closed descriptor on every path out.
class Fd {
  public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    int Release() { return std::exchange(fd_, -1); }

  private:
    int fd_;
};

mode_t CurrentUmask() {
    mode_t old = ::umask(022);
    ::umask(old);
    return old;
}

} // namespace

ReadResult ReadRegularFile(const std::string& path, std::string& out, std::string& why,
                           std::uintmax_t maxBytes) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        int err = errno;
        why = Reason(path, err);
        return err == ENOENT ? ReadResult::Missing : ReadResult::Failed;
    }
    // A FIFO or a device would block or never end.
    if (!S_ISREG(st.st_mode)) {
        why = path + ": not a regular file";
        return ReadResult::Failed;
    }
    if (static_cast<std::uintmax_t>(st.st_size) > maxBytes) {
        why = path + ": too large";
        return ReadResult::Failed;
    }
    Fd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0) {
        int err = errno;
        why = Reason(path, err);
        return err == ENOENT ? ReadResult::Missing : ReadResult::Failed;
    }
    // Raced into something else between stat and open.
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        why = path + ": not a regular file";
        return ReadResult::Failed;
    }
    std::string bytes;
    char buf[65536];
    for (;;) {
        ssize_t n = ::read(fd.get(), buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            why = Reason(path, errno);
            return ReadResult::Failed;
        }
        if (n == 0) break;
        bytes.append(buf, static_cast<size_t>(n));
        if (bytes.size() > maxBytes) {
            why = path + ": too large";
            return ReadResult::Failed;
        }
    }
    out = std::move(bytes);
    return ReadResult::Read;
}

bool ReplaceFile(const std::string& path, const std::string& bytes, std::string& why) {
    if (path.empty()) {
        why = "no file name";
        return false;
    }
    // Write through a symbolic link to its target, as an in-place write would.
    std::string target = path;
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved)) target = resolved;

    struct stat old {};
    bool exists = ::stat(target.c_str(), &old) == 0;
    if (!exists && errno != ENOENT) {
        why = Reason(path, errno);
        return false;
    }
    if (exists && !S_ISREG(old.st_mode)) {
        why = path + ": not a regular file";
        return false;
    }
    mode_t mode = exists ? (old.st_mode & 07777) : (0666 & ~CurrentUmask());

    auto slash = target.rfind('/');
    std::string dir = slash == std::string::npos ? "." : target.substr(0, slash + 1);
    std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    std::string temp = (slash == std::string::npos ? "" : dir) + "." + base + ".XXXXXX";
    Fd fd(::mkostemp(temp.data(), O_CLOEXEC));
    if (fd.get() < 0) {
        why = Reason("cannot create a file in " + dir, errno);
        return false;
    }
    auto fail = [&](const std::string& what, int err) {
        why = Reason(what, err);
        ::unlink(temp.c_str());
        return false;
    };
    if (exists && ::fchown(fd.get(), old.st_uid, old.st_gid) != 0) {
        // Another owner's file in our folder: keep the owner we can have.
    }
    if (::fchmod(fd.get(), mode) != 0) return fail(path, errno);
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd.get(), bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return fail("cannot write " + path, errno);
        done += static_cast<size_t>(n);
    }
    if (::fsync(fd.get()) != 0) return fail("cannot write " + path, errno);
    if (::close(fd.Release()) != 0) return fail("cannot write " + path, errno);
    if (::rename(temp.c_str(), target.c_str()) != 0) return fail("cannot replace " + path, errno);
    // The rename itself reaches the disk with the folder.
    Fd dirFd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dirFd.get() >= 0) ::fsync(dirFd.get());
    return true;
}

} // namespace pv
