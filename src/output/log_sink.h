#pragma once
// Log to disk mode: each record is one line (preamble, then each field and
// its postamble, date/time placeholders expanded, CR LF) appended to
// LogFileName ("~/" expanded).
//
// When the file cannot be written: with a user to ask, a Retry/Cancel
// message (Cancel fails the delivery, and the run resets and suspends);
// without one, the lines wait in order in a bounded queue that the tick
// retries about once a second. Once the queue holds its bound the sink is
// backlogged: the runtime stops reading the device (the driver and flow
// control hold the rest) until half of it is written.
#include <cstdint>
#include <deque>
#include <string>

#include "runtime/interfaces.h"
#include "text/messages.h"

namespace pv {

class LogSink : public RecordSink {
  public:
    enum class OnFailure { AskUser, QueueAndRetry };
    /// The most bytes the retry queue holds before input pauses.
    static constexpr size_t kQueueLimit = 64u << 20;
    /// Ticks between two retries (about a second at the 50 ms tick).
    static constexpr int kRetryTicks = 20;
    /// The most bytes one tick writes of what waits, so a long queue drains
    /// over several ticks and the event loop keeps its turn.
    static constexpr size_t kFlushPerTick = 4u << 20;

    explicit LogSink(MessageSink& messages, OnFailure onFailure = OnFailure::AskUser,
                     size_t queueLimit = kQueueLimit)
        : messages_(messages), onFailure_(onFailure), limit_(queueLimit) {}

    void Start(const Config& config) override;
    Delivery Deliver(const Record& record, RecordBoxes& boxes) override;
    /// Retries the waiting lines, oldest first.
    void Tick() override;
    /// A last try; says how many lines could not be written.
    void Stop() override;
    bool Backlogged() const override { return backlogged_; }

    size_t LinesWaiting() const { return ends_.size(); }
    /// What the queue holds, bookkeeping included, against its bound.
    size_t QueuedBytes() const;

  private:
    /// Appends bytes; 0 or the errno of the failure, with the bytes that
    /// did reach the file in `written`.
    int Append(const char* data, size_t size, size_t& written);
    std::string FailureText(int error) const;
    void Enqueue(std::string_view rest);
    /// Writes up to `budget` waiting bytes; 0 or the errno of the failure.
    int Flush(size_t budget);

    MessageSink& messages_;
    OnFailure onFailure_;
    size_t limit_;
    std::string fileName_; // as configured, for the messages
    std::string path_;     // "~/" expanded
    std::string title_;    // "Portivox - COM1 ERROR!"
    // The waiting lines as the file will hold them; a line boundary is kept
    // only to count the lines, as an offset counted from the run's start.
    std::string waiting_;
    size_t done_ = 0;           // bytes at the front of waiting_ already written
    uint64_t base_ = 0;         // offset of waiting_[0]
    std::deque<uint64_t> ends_; // where each waiting line ends
    int lastError_ = 0;
    bool failing_ = false;    // the last try failed: retry on the timer
    bool backlogged_ = false; // input paused
    bool toldPause_ = false;  // the pause was reported in this outage
    int ticks_ = 0;
};

} // namespace pv
