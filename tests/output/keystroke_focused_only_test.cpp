// A desktop that keeps its windows to itself (Wayland without sway or
// Hyprland): keys go to the focused window; a named target is refused once.
#include <gtest/gtest.h>

#include "fakes/keystroke_fakes.h"
#include "fakes/recording_messages.h"
#include "output/keystroke_sink.h"

namespace pv::testing {
namespace {

struct Boxes : RecordBoxes {
    int shown = 0, counted = 0;
    void ShowField(int) override { ++shown; }
    void CountRecord() override { ++counted; }
};

struct Row {
    const char* rule;
    bool targetNamed;
    const char* typed;
    size_t messages;
};

TEST(KeystrokeSinkWithoutWindows, FocusedWindowOnly) {
    const Row rows[] = {
        {"NoTargetTypesIntoTheFocusedWindow", false, "d65 u65 d65 u65", 0},
        {"NamedTargetIsRefusedOnceAndNotTyped", true, "", 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.rule);
        Config c;
        c.InterCharDelay = 0;
        c.KeyTargetSpecified = row.targetNamed ? -1 : 0;
        c.KeyTargetTitle = "Sheet";
        test::RecordingKeyboard keyboard;
        RecordingMessages messages;
        KeystrokeSink sink(&keyboard, nullptr, messages);
        sink.Start(c);
        Record r;
        r.FieldCount = 1;
        r.Fields[1] = "a";
        r.Postambles = &c.FieldPostamble;
        Boxes boxes;
        sink.Deliver(r, boxes);
        sink.Deliver(r, boxes);
        EXPECT_EQ(keyboard.Events(), row.typed);
        EXPECT_EQ(boxes.counted, 2);
        ASSERT_EQ(messages.shown.size(), row.messages);
        if (row.messages) {
            EXPECT_NE(messages.shown[0].text.find("X11 session"), std::string::npos);
        }
    }
}

} // namespace
} // namespace pv::testing
