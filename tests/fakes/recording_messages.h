#pragma once
// A MessageSink that remembers every message and answers from a script.
#include <deque>
#include <string>
#include <vector>

#include "text/messages.h"

namespace pv::testing {

struct ShownMessage {
    std::string text, title;
    MsgIcon icon;
    MsgButtons buttons;
};

class RecordingMessages : public MessageSink {
  public:
    MsgResult Show(const std::string& text, const std::string& title, MsgIcon icon,
                   MsgButtons buttons) override {
        shown.push_back({text, title, icon, buttons});
        if (!answers.empty()) {
            MsgResult r = answers.front();
            answers.pop_front();
            return r;
        }
        return buttons == MsgButtons::RetryCancel ? MsgResult::Cancel : MsgResult::Ok;
    }
    void Beep() override { ++beeps; }

    std::vector<ShownMessage> shown;
    std::deque<MsgResult> answers;
    int beeps = 0;
};

} // namespace pv::testing
