#include "output/dde_sink.h"

#include <algorithm>

namespace pv {

void DdeSink::Start(const Config& config) {
    app_ = config.DDECommandApp;
    topic_ = config.DDECommandTopic;
    hasCommands_ = !config.RecordPreamble.empty();
    int count = std::clamp<int>(config.FieldCount, 1, kMaxFields);
    for (int i = 1; i <= count; ++i)
        if (!config.FieldPostamble[i].empty()) hasCommands_ = true;
    if (client_) client_->Initialize();
}

Delivery DdeSink::Deliver(const Record& r, RecordBoxes& boxes) {
    bool send = hasCommands_ && client_ != nullptr;
    if (send && !client_->IsConnected()) client_->Connect(app_, topic_);
    // Commands go out as stored: no placeholder expansion in this mode.
    if (send && !r.Preamble.empty()) client_->Execute(std::string(r.Preamble));
    for (int i = 1; i <= r.FieldCount; ++i) {
        boxes.ShowField(i);
        if (i == r.FieldCount) boxes.CountRecord();
        if (send && !r.Postamble(i).empty()) client_->Execute(std::string(r.Postamble(i)));
    }
    return Delivery::Done;
}

void DdeSink::Stop() {
    if (!client_) return;
    client_->Disconnect();
    client_->Uninitialize();
}

} // namespace pv
