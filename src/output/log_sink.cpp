#include "output/log_sink.h"

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

int LogSink::Append(const std::string& line, size_t& written) {
    written = 0;
    // Never blocks: a FIFO nobody reads fails with ENXIO (or EAGAIN once
    // full) and is retried like any other write failure.
    int fd = ::open(path_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) return errno ? errno : EIO;
    int error = 0;
    while (written < line.size()) {
        ssize_t n = ::write(fd, line.data() + written, line.size() - written);
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
            int error = Append(line, written);
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
    if (waiting_.empty()) {
        size_t written = 0;
        int error = Append(line, written);
        line.erase(0, written); // a FIFO may take part of a line
        if (error == 0) {
            boxes.CountRecord();
            return Delivery::Done;
        }
        messages_.Show(FailureText(error) + " (retrying until it succeeds)", title_,
                       MsgIcon::Exclamation, MsgButtons::Ok);
        ticks_ = 0;
    }
    if (line.size() > kQueueLimit - waitingBytes_) {
        messages_.Show(FailureText(ENOSPC) + " (too many lines waiting; input suspended)", title_,
                       MsgIcon::Exclamation, MsgButtons::Ok);
        return Delivery::Failed;
    }
    waitingBytes_ += line.size();
    waiting_.push_back(std::move(line));
    boxes.CountRecord();
    return Delivery::Done;
}

void LogSink::Flush() {
    while (!waiting_.empty()) {
        size_t written = 0;
        int error = Append(waiting_.front(), written);
        waitingBytes_ -= written;
        waiting_.front().erase(0, written);
        if (error != 0) return;
        waiting_.pop_front();
    }
}

void LogSink::Tick() {
    if (waiting_.empty() || ++ticks_ < kRetryTicks) return;
    ticks_ = 0;
    Flush();
}

void LogSink::Stop() {
    Flush();
    if (!waiting_.empty())
        messages_.Show(std::to_string(waiting_.size()) + " record(s) could not be written to " +
                           fileName_,
                       title_, MsgIcon::Exclamation, MsgButtons::Ok);
    waiting_.clear();
    waitingBytes_ = 0;
}

} // namespace pv
