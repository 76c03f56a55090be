// Which keyboard types in which session, and what the user is told when
// none can.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "output/keystroke_backend.h"
#include "text/text_ids.h"

namespace pv {
namespace {

struct SessionRow {
    const char* rule;
    std::map<std::string, std::string> env;
    SessionType type;
};

TEST(KeyBackend, SessionFromEnvironment) {
    // clang-format off
    const SessionRow rows[] = {
        {"SessionTypeWins", {{"XDG_SESSION_TYPE", "wayland"}, {"DISPLAY", ":0"}}, SessionType::Wayland},
        {"X11SessionType", {{"XDG_SESSION_TYPE", "x11"}}, SessionType::X11},
        {"WaylandDisplayBeforeXWayland", {{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ":0"}}, SessionType::Wayland},
        {"DisplayAloneIsX11", {{"DISPLAY", ":0"}}, SessionType::X11},
        {"TtyWithDisplayFollowsDisplay", {{"XDG_SESSION_TYPE", "tty"}, {"DISPLAY", ":1"}}, SessionType::X11},
        {"ConsoleIsTty", {{"XDG_SESSION_TYPE", "tty"}}, SessionType::Tty},
        {"NothingSetIsNone", {}, SessionType::None},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.rule);
        const Session s = SessionFromEnvironment([&](const char* name) -> const char* {
            auto it = row.env.find(name);
            return it == row.env.end() ? nullptr : it->second.c_str();
        });
        EXPECT_EQ(s.Type, row.type);
    }
}

struct ChoiceRow {
    const char* rule;
    SessionType session;
    std::vector<KeyBackend> usable;
    const char* forced;
    bool found;
    KeyBackend backend;
    const char* messageHas = "";
};

std::vector<BackendProbe> Probes(const std::vector<KeyBackend>& usable) {
    std::vector<BackendProbe> probes;
    for (KeyBackend b : kAllKeyBackends)
        probes.push_back({b, std::ranges::count(usable, b) ? 0 : txt::ReasonUinputDenied, {}});
    return probes;
}

TEST(KeyBackend, Choice) {
    using B = KeyBackend;
    using S = SessionType;
    // clang-format off
    const ChoiceRow rows[] = {
        {"X11SessionTypesThroughXTest", S::X11, {B::X11, B::Uinput}, nullptr, true, B::X11},
        {"X11WithoutXTestFallsToUinput", S::X11, {B::Uinput}, nullptr, true, B::Uinput},
        {"WaylandPrefersVirtualKeyboard", S::Wayland, {B::VirtualKeyboard, B::Uinput, B::X11}, nullptr, true, B::VirtualKeyboard},
        {"WaylandPortalBeforeUinput", S::Wayland, {B::Portal, B::Uinput}, nullptr, true, B::Portal},
        {"WaylandNeverPicksXWayland", S::Wayland, {B::X11}, nullptr, false, B::X11, "not used in this session"},
        {"NoneUsableSaysWhatToDo", S::Wayland, {}, nullptr, false, B::X11, "group input for /dev/uinput"},
        {"NoneUsableNamesTheSession", S::Wayland, {}, nullptr, false, B::X11, "Wayland session"},
        {"ConsoleTypesThroughUinput", S::Tty, {B::Uinput}, nullptr, true, B::Uinput},
        {"ForcedUsableBackendWins", S::Wayland, {B::VirtualKeyboard, B::X11}, "X11", true, B::X11},
        {"ForcedUnusableSaysWhy", S::Wayland, {B::VirtualKeyboard}, "uinput", false, B::X11, "/dev/uinput is not writable"},
        {"ForcedUnknownNameIsNamed", S::X11, {B::X11}, "xtest", false, B::X11, "=xtest"},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.rule);
        Session session;
        session.Type = row.session;
        const BackendChoice c = ChooseKeyBackend(session, Probes(row.usable), row.forced);
        EXPECT_EQ(c.Found, row.found);
        EXPECT_EQ(row.found ? c.Backend : row.backend, row.backend);
        EXPECT_NE(c.Message.find(row.messageHas), std::string::npos) << c.Message;
    }
}

TEST(KeyBackend, ReportLinePerBackend) {
    Session session;
    session.Type = SessionType::Wayland;
    const auto probes = Probes({KeyBackend::X11, KeyBackend::VirtualKeyboard});
    const std::string report =
        BackendReport(session, probes, ChooseKeyBackend(session, probes, nullptr));
    const char* lines[] = {
        "Session: Wayland session\n",
        "\nwayland\tWayland virtual keyboard: in use\n",
        "\nx11\tX11 keyboard (XTest): not used in this session",
        "\nuinput\tkernel virtual keyboard (uinput): /dev/uinput is not writable",
    };
    for (const char* line : lines)
        EXPECT_NE(report.find(line), std::string::npos) << line << "\n" << report;
}

} // namespace
} // namespace pv
