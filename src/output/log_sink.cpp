#include "output/log_sink.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "expr/datetime.h"
#include "runtime/runtime.h"
#include "text/paths.h"
#include "text/strings.h"
#include "text/text_ids.h"

namespace pv {

void LogSink::Start(const Config& config) {
    fileName_ = config.LogFileName;
    path_ = ExpandHome(config.LogFileName);
    title_ = "Portivox - COM" + std::to_string(config.CommPort + 1) + " ERROR!";
}

int LogSink::Append(const char* data, size_t size, size_t& written) {
    written = 0;
    // Never blocks: a FIFO nobody reads fails with ENXIO (or EAGAIN once
    // full) and is retried like any other write failure.
    int fd = ::open(path_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) return errno ? errno : EIO;
    int error = 0;
    while (written < size) {
        ssize_t n = ::write(fd, data + written, size - written);
        if (n > 0) {
            written += static_cast<size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            error = n < 0 && errno ? errno : EIO;
            break;
        }
    }
    if (::close(fd) != 0 && error == 0 && errno != EINTR) error = errno ? errno : EIO;
    return error;
}

std::string LogSink::FailureText(int error) const {
    return Text(txt::FileWriteError) + " " + fileName_ + "\n" + std::strerror(error);
}

size_t LogSink::QueuedBytes() const {
    return waiting_.size() - done_ + ends_.size() * sizeof(uint64_t);
}

void LogSink::Enqueue(std::string_view rest) {
    // A line the file took in part waits with its rest only.
    waiting_.append(rest);
    ends_.push_back(base_ + waiting_.size());
    if (!backlogged_ && QueuedBytes() >= limit_) {
        backlogged_ = true;
        if (!toldPause_)
            messages_.Show(FailureText(lastError_) + " (" + std::to_string(QueuedBytes() >> 10) +
                               " KiB waiting; reading the device paused until the log can be "
                               "written)",
                           title_, MsgIcon::Exclamation, MsgButtons::Ok);
        toldPause_ = true;
    }
}

Delivery LogSink::Deliver(const Record& r, RecordBoxes& boxes) {
    std::string line = ExpandDateTime(r.Preamble, r.Time);
    for (int i = 1; i <= r.FieldCount; ++i) {
        boxes.ShowField(i);
        line += r.Fields[i];
        line += ExpandDateTime(r.Postamble(i), r.Time);
    }
    line += "\r\n";

    if (onFailure_ == OnFailure::AskUser) {
        for (size_t written = 0;;) {
            int error = Append(line.data(), line.size(), written);
            line.erase(0, written);
            if (error == 0) break;
            messages_.Beep();
            if (messages_.Show(FailureText(error), title_, MsgIcon::Exclamation,
                               MsgButtons::RetryCancel) != MsgResult::Retry)
                return Delivery::Failed;
        }
        boxes.CountRecord();
        return Delivery::Done;
    }

    // Lines keep their order: while older ones wait, a new one waits too.
    size_t written = 0;
    if (ends_.empty()) {
        int error = Append(line.data(), line.size(), written); // a FIFO may take part
        if (error == 0) {
            boxes.CountRecord();
            return Delivery::Done;
        }
        lastError_ = error;
        failing_ = true;
        ticks_ = 0;
        messages_.Show(FailureText(error) + " (retrying until it succeeds)", title_,
                       MsgIcon::Exclamation, MsgButtons::Ok);
    }
    Enqueue(std::string_view(line).substr(written));
    boxes.CountRecord();
    return Delivery::Done;
}

int LogSink::Flush(size_t budget) {
    size_t size = std::min(budget, waiting_.size() - done_);
    size_t written = 0;
    int error = Append(waiting_.data() + done_, size, written);
    done_ += written;
    while (!ends_.empty() && ends_.front() <= base_ + done_)
        ends_.pop_front();
    if (done_ == waiting_.size() || done_ > waiting_.size() / 2) {
        base_ += done_;
        waiting_.erase(0, done_);
        done_ = 0;
        if (waiting_.empty()) waiting_.shrink_to_fit();
    }
    return error;
}

void LogSink::Tick() {
    if (ends_.empty()) return;
    if (failing_ && ++ticks_ < kRetryTicks) return;
    ticks_ = 0;
    int error = Flush(kFlushPerTick);
    failing_ = error != 0;
    if (failing_) lastError_ = error;
    // Input resumes at half the bound, so it does not stop at every line.
    if (backlogged_ && QueuedBytes() <= limit_ / 2) backlogged_ = false;
    if (ends_.empty()) {
        messages_.Show(fileName_ + " written again; no record lost", "", MsgIcon::Information,
                       MsgButtons::Ok);
        toldPause_ = false;
    }
}

void LogSink::Stop() {
    if (!ends_.empty()) Flush(waiting_.size());
    if (!ends_.empty())
        messages_.Show(std::to_string(ends_.size()) + " record(s) could not be written to " +
                           fileName_,
                       title_, MsgIcon::Exclamation, MsgButtons::Ok);
    waiting_.clear();
    done_ = 0;
    ends_.clear();
    backlogged_ = failing_ = toldPause_ = false;
}

} // namespace pv
