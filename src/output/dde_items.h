#pragma once
// The items a running window serves: "Field(1)".."Field(40)", "DateTime"
// and "RecordNumber". A RecordDisplay decorator: every box change is
// forwarded to the real display, kept as the item's text and announced to
// the listener (the advise links), even when the text is unchanged, so that
// linked clients see every record.
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "config/config.h"
#include "runtime/interfaces.h"

namespace pv {

class DdeItems : public RecordDisplay {
  public:
    using Listener = std::function<void(const std::string& item, const std::string& value)>;

    explicit DdeItems(RecordDisplay* inner = nullptr) : inner_(inner) {}

    void ShowField(int i, const std::string& text) override;
    void ShowRecordNumber(const std::string& text) override;
    void ShowDateTime(const std::string& text) override;

    /// Called after every change; replaces any earlier listener.
    void SetListener(Listener listener) { listener_ = std::move(listener); }
    /// While on, a tick announces its first kTickBudget changes at once;
    /// past that (a flood the bus may not keep up with) changes are held
    /// and Flush announces each held item once, with its latest text.
    void SetCoalescing(bool on);
    static constexpr int kTickBudget = 256;
    /// Ends the tick: announces the held changes, in the order the items
    /// were first held.
    void Flush();

    /// Item names served with `fieldCount` fields, fields first.
    static std::vector<std::string> Names(int fieldCount);
    /// The canonical name of `item` (matched without regard to case) when it
    /// is served with `fieldCount` fields; "" otherwise.
    static std::string Canonical(const std::string& item, int fieldCount);

    /// The text of a served item; false when there is no such item.
    bool Get(const std::string& item, int fieldCount, std::string& value) const;

    const std::string& Field(int i) const { return fields_[Slot(i)]; }
    const std::string& RecordNumber() const { return recordNumber_; }
    const std::string& DateTime() const { return dateTime_; }

  private:
    static size_t Slot(int i) { return i >= 1 && i <= kMaxFields ? size_t(i) : 0; }
    void Announce(const std::string& item, const std::string& value);

    RecordDisplay* inner_;
    Listener listener_;
    std::array<std::string, kFieldSlots> fields_;
    std::string recordNumber_;
    std::string dateTime_;
    bool coalescing_ = false;
    int announced_ = 0;                                     // this tick
    std::vector<std::pair<std::string, std::string>> held_; // at most one per item
};

} // namespace pv
