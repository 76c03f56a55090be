#pragma once
// Log to disk mode: each record is one line (preamble, then each field and
// its postamble, date/time placeholders expanded, CR LF) appended to
// LogFileName ("~/" expanded).
//
// When the file cannot be written: with a user to ask, a Retry/Cancel
// message (Cancel fails the delivery, and the run resets and suspends);
// without one, the lines wait in order in a bounded queue and a later tick
// writes them.
#include <deque>
#include <string>

#include "runtime/interfaces.h"
#include "text/messages.h"

namespace pv {

class LogSink : public RecordSink {
  public:
    enum class OnFailure { AskUser, QueueAndRetry };
    /// The most bytes the retry queue holds; a record that does not fit
    /// fails its delivery.
    static constexpr size_t kQueueLimit = 8u << 20;
    /// Ticks between two retries (about a second at the 50 ms tick).
    static constexpr int kRetryTicks = 20;

    explicit LogSink(MessageSink& messages, OnFailure onFailure = OnFailure::AskUser)
        : messages_(messages), onFailure_(onFailure) {}

    void Start(const Config& config) override;
    Delivery Deliver(const Record& record, RecordBoxes& boxes) override;
    /// Retries the waiting lines, oldest first.
    void Tick() override;
    /// A last try; says how many lines could not be written.
    void Stop() override;

    size_t LinesWaiting() const { return waiting_.size(); }

  private:
    /// Appends one line; 0 or the errno of the failure, with the bytes
    /// that did reach the file in `written`.
    int Append(const std::string& line, size_t& written);
    std::string FailureText(int error) const;
    void Flush();

    MessageSink& messages_;
    OnFailure onFailure_;
    std::string fileName_; // as configured, for the messages
    std::string path_;     // "~/" expanded
    std::string title_;    // "Portivox - COM1 ERROR!"
    std::deque<std::string> waiting_;
    size_t waitingBytes_ = 0;
    int ticks_ = 0;
};

} // namespace pv
