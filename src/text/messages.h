#pragma once
// How the logic talks to the user: a message box in the desktop program,
// stderr in the headless runner, a recorder in tests. Texts are UTF-8.
#include <string>

namespace pv {

enum class MsgIcon { None, Exclamation, Question, Information, Critical };
enum class MsgButtons { Ok, OkCancel, RetryCancel, YesNo, YesNoCancel };
enum class MsgResult { Ok, Cancel, Retry, Yes, No };

class MessageSink {
public:
    virtual ~MessageSink() = default;
    /// Shows a message and waits for the user's answer.
    virtual MsgResult Show(const std::string& text, const std::string& title, MsgIcon icon,
                           MsgButtons buttons) = 0;
    /// The plain system beep.
    virtual void Beep() = 0;
};

/// Answers every message with its first button and keeps quiet.
class SilentMessages : public MessageSink {
public:
    MsgResult Show(const std::string&, const std::string&, MsgIcon, MsgButtons buttons) override {
        switch (buttons) {
        case MsgButtons::Ok:
        case MsgButtons::OkCancel: return MsgResult::Ok;
        case MsgButtons::RetryCancel: return MsgResult::Retry;
        default: return MsgResult::Yes;
        }
    }
    void Beep() override {}
};

} // namespace pv
