#include "output/log_sink.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

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

int LogSink::Append(const std::string& line) {
    std::FILE* f = std::fopen(path_.c_str(), "ab");
    if (!f) return errno ? errno : EIO;
    std::setvbuf(f, nullptr, _IONBF, 0);
    int error = 0;
    size_t written = 0;
    while (written < line.size()) {
        size_t n = std::fwrite(line.data() + written, 1, line.size() - written, f);
        written += n;
        if (n == 0 || std::ferror(f)) {
            error = errno ? errno : EIO;
            break;
        }
    }
    if (std::fclose(f) != 0 && error == 0) error = errno ? errno : EIO;
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
        for (;;) {
            int error = Append(line);
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
        int error = Append(line);
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
        if (Append(waiting_.front()) != 0) return;
        waitingBytes_ -= waiting_.front().size();
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
