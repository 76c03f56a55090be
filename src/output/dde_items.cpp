#include "output/dde_items.h"

#include <algorithm>

#include "output/dde_link_text.h"
#include "text/byte_text.h"

namespace pv {

namespace {

int ClampCount(int fieldCount) {
    return std::clamp(fieldCount, 1, kMaxFields);
}

} // namespace

void DdeItems::ShowField(int i, const std::string& text) {
    if (inner_) inner_->ShowField(i, text);
    if (i < 1 || i > kMaxFields) return;
    fields_[size_t(i)] = text;
    Announce(FieldItemName(i), text);
}

void DdeItems::ShowRecordNumber(const std::string& text) {
    if (inner_) inner_->ShowRecordNumber(text);
    recordNumber_ = text;
    Announce("RecordNumber", text);
}

void DdeItems::ShowDateTime(const std::string& text) {
    if (inner_) inner_->ShowDateTime(text);
    dateTime_ = text;
    Announce("DateTime", text);
}

void DdeItems::Announce(const std::string& item, const std::string& value) {
    if (!listener_) return;
    if (!coalescing_ || (held_.empty() && announced_ < kTickBudget)) {
        ++announced_;
        listener_(item, value);
        return;
    }
    for (auto& held : held_)
        if (held.first == item) {
            held.second = value;
            return;
        }
    held_.emplace_back(item, value);
}

void DdeItems::SetCoalescing(bool on) {
    if (!on) Flush();
    coalescing_ = on;
}

void DdeItems::Flush() {
    announced_ = 0;
    auto held = std::move(held_);
    held_.clear();
    // RecordNumber last, as for a single record.
    std::stable_partition(held.begin(), held.end(),
                          [](const auto& h) { return h.first != "RecordNumber"; });
    if (listener_)
        for (const auto& [item, value] : held)
            listener_(item, value);
}

std::vector<std::string> DdeItems::Names(int fieldCount) {
    std::vector<std::string> names;
    for (int i = 1; i <= ClampCount(fieldCount); ++i)
        names.push_back(FieldItemName(i));
    names.push_back("DateTime");
    names.push_back("RecordNumber");
    return names;
}

std::string DdeItems::Canonical(const std::string& item, int fieldCount) {
    for (const auto& name : Names(fieldCount))
        if (EqualsIgnoreCase(name, item)) return name;
    return {};
}

bool DdeItems::Get(const std::string& item, int fieldCount, std::string& value) const {
    std::string name = Canonical(item, fieldCount);
    if (name.empty()) return false;
    if (name == "DateTime")
        value = dateTime_;
    else if (name == "RecordNumber")
        value = recordNumber_;
    else
        value = fields_[Slot(std::stoi(name.substr(6)))];
    return true;
}

} // namespace pv
