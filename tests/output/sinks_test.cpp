// The record sinks of the three output modes: what each does with one
// finished record, in order, towards the desktop, the DDE target or the
// log file, and when it shows and counts the record.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>

#include "fakes/files.h"
#include "fakes/keystroke_fakes.h"
#include "fakes/recording_messages.h"
#include "output/dde_sink.h"
#include "output/keystroke_sink.h"
#include "output/log_sink.h"

namespace pv::testing {
namespace {

using Strings = std::vector<std::string>;

struct Boxes : RecordBoxes {
    Strings* calls;
    explicit Boxes(Strings* c) : calls(c) {}
    void ShowField(int i) override { calls->push_back("show " + std::to_string(i)); }
    void CountRecord() override { calls->push_back("count"); }
};

Record TwoFields(const Config& c) {
    Record r;
    r.FieldCount = 2;
    r.Fields[1] = "a";
    r.Fields[2] = "b";
    r.Preamble = c.RecordPreamble;
    r.Postambles = &c.FieldPostamble;
    r.Number = 1;
    r.Time = DateTime{2024, 3, 5, 14, 7, 9};
    return r;
}

TEST(KeystrokeSink, FindsOrStartsTheTargetTypesAndGivesTheFocusBack) {
    using W = test::FakeWindows;
    const std::string typed = "d65 u65 d66 u66 d9 u9", launchWait = Join(Strings(20, "w20")) + " ";
    struct Row {
        const char* name;
        std::function<void(Config&, W&)> setup;
        std::string typed;       // the keyboard's events, "" when nothing was typed
        std::string windowCalls; // separated by ';'
        const char* message = "";
        const char* targetTitle = "ledger"; // in use after the record
    };
    // clang-format off
    const Row rows[] = {
        {"FocusedWindowWithoutTarget", [](Config& c, W&) { c.KeyTargetSpecified = False; }, typed, "activate 10"},
        {"TargetBehindIsActivatedThenFocusReturns", [](Config&, W& w) { w.stack = {{10, "Editor"}, {20, "Ledger - Sheet"}}; },
         typed, "list;activate 20;activate 10"},
        {"RestoredTargetIsMinimisedAgain", [](Config&, W& w) { w.stack = {{10, "Editor"}, {20, "LEDGER"}}; w.minimised = {20}; },
         typed, "list;restore 20;activate 20;minimise 20;activate 10"},
        {"RunningWindowFocusedTypesNothing", [](Config& c, W& w) { c.KeyTargetSpecified = False; w.foreground = 99; }, "", ""},
        {"LaunchFailureIsReportedAndTypesNothing",
         [](Config& c, W& w) { c.KeyTargetCommand = "ledger --new"; w.startResult = {false, "No such file"}; },
         "", "list;list;start ledger --new", "Cannot Run Program: ledger --new\nNo such file"},
        {"LaunchedProgramBecomesTheTarget",
         [](Config& c, W& w) {
             c.KeyTargetCommand = "ledger";
             w.onStart = [&w] { w.stack.push_back({30, "Book1 - Sheet"}); w.foreground = 30; };
         },
         typed, "list;list;start ledger;activate 30", "", "BOOK1 - SHEET"},
        {"LaunchedWindowShownWithoutTheFocusIsActivatedAfterAGrace",
         [](Config& c, W& w) { c.KeyTargetCommand = "ledger"; w.onStart = [&w] { w.stack.push_back({30, "Book1 - Sheet"}); }; },
         launchWait + typed, "list;list;start ledger;list;activate 30;activate 30", "", "BOOK1 - SHEET"},
        {"LaunchedProgramWithoutAWindowIsWaitedForUntilTheTimeout", [](Config& c, W&) { c.KeyTargetCommand = "ledger"; },
         Join(Strings(50, "w20")) + " " + typed, "list;list;start ledger;" + Join(Strings(50, "list"), ";") + ";activate 10", "", ""},
    };
    // clang-format on
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        Config c;
        c.KeyTargetTitle = "ledger";
        c.InterCharDelay = 0;
        c.FieldPostamble[2] = "{TAB}";
        test::RecordingKeyboard keyboard;
        W windows;
        windows.foreground = 10;
        RecordingMessages messages;
        r.setup(c, windows);
        KeystrokeSink sink(&keyboard, &windows, messages);
        sink.SetRunningWindow(99);
        sink.SetLaunchSettleMs(0);
        sink.SetLaunchTimeoutMs(1000); // then the keys go where the focus is
        sink.Start(c);
        Strings boxes;
        Boxes b(&boxes);
        EXPECT_EQ(sink.Deliver(TwoFields(c), b), Delivery::Done);
        EXPECT_EQ(boxes, (Strings{"show 1", "show 2", "count"}));
        EXPECT_EQ(keyboard.Events(), r.typed);
        EXPECT_EQ(Join(windows.calls, ";"), r.windowCalls);
        EXPECT_EQ(messages.shown.empty() ? "" : messages.shown[0].text, r.message);
        // A launched window whose title lacks the target's takes its place.
        EXPECT_EQ(sink.TargetTitle(), r.targetTitle);
    }
}

TEST(KeystrokeSink, TypesWithTheConfiguredDelayAndExpandsDatesAndSaysOnceWhyItCannot) {
    Config c;
    c.KeyTargetSpecified = False;
    c.InterCharDelay = 7;
    c.RecordPreamble = "{year}{MONTH}";
    test::RecordingKeyboard keyboard;
    RecordingMessages messages;
    KeystrokeSink sink(&keyboard, nullptr, messages); // no window layer: the focused window
    sink.Start(c);
    Strings boxes;
    Boxes b(&boxes);
    Record r = TwoFields(c);
    r.FieldCount = 0;
    sink.Deliver(r, b);
    EXPECT_EQ(keyboard.Events(), "d50 w7 u50 w7 d52 w7 u52 w7 d48 w7 u48 w7 d51 w7 u51 w7");
    KeystrokeSink none(nullptr, nullptr, messages, "no display");
    none.Deliver(r, b);
    none.Deliver(r, b);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "no display");
    // Without a window layer a named target is refused once and nothing typed.
    c.KeyTargetSpecified = -1;
    c.KeyTargetTitle = "Sheet";
    test::RecordingKeyboard refused;
    KeystrokeSink blind(&refused, nullptr, messages);
    blind.Start(c);
    blind.Deliver(r, b);
    blind.Deliver(r, b);
    EXPECT_EQ(refused.Events(), "");
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_NE(messages.shown[1].text.find("X11 session"), std::string::npos);
    EXPECT_EQ(boxes, Strings(5, "count"));
}

class RecordingClient : public DdeCommandClient {
  public:
    Strings calls;
    bool connected = false, connects = true;
    bool IsConnected() override { return connected; }
    bool Connect(const std::string& app, const std::string& topic) override {
        calls.push_back("connect " + app + " " + topic);
        return connected = connects;
    }
    bool Execute(const std::string& command) override {
        calls.push_back("execute " + command);
        return connected;
    }
    void Disconnect() override { calls.push_back("disconnect"); }
};

TEST(DdeSink, CommandsGoAroundTheBoxesInOrderAndOnlyWhenThereAreAny) {
    struct Row {
        const char *name, *preamble, *postamble1, *postamble2;
        bool connects;
        const char* record; // calls for each of the two records; "C" stands for the connect
        const char* first = "C";
    };
    const Row rows[] = {
        {"PreambleThenEachFieldThenItsPostamble", "[pre]", "", "[post {YEAR}]", true,
         "execute [pre];show 1;show 2;count;execute [post {YEAR}]"},
        {"NoCommandsNoConversation", "", "", "", true, "show 1;show 2;count", ""},
        {"FirstFieldsPostambleAloneIsACommand", "", "[one]", "", true,
         "show 1;execute [one];show 2;count"},
        {"MissingTargetIsTriedAgainEveryRecord", "", "", "[post]", false,
         "C;show 1;show 2;count;execute [post]", ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        Config c;
        c.DDECommandApp = "Ledger";
        c.DDECommandTopic = "Sheet";
        c.FieldCount = 2;
        c.FieldPostamble[1] = r.postamble1;
        c.RecordPreamble = r.preamble;
        c.FieldPostamble[2] = r.postamble2;
        RecordingClient client;
        client.connects = r.connects;
        DdeSink sink(&client);
        sink.Start(c);
        Boxes b(&client.calls);
        sink.Deliver(TwoFields(c), b);
        sink.Deliver(TwoFields(c), b);
        std::string calls = Join(client.calls, ";");
        for (size_t at; (at = calls.find("connect Ledger Sheet")) != std::string::npos;)
            calls.replace(at, 20, "C");
        std::string once = std::string(r.first) + (*r.first ? ";" : "") + r.record;
        EXPECT_EQ(calls, once + ";" + r.record);
        sink.Stop();
        EXPECT_EQ(client.calls.back(), "disconnect");
    }
}

TEST(LogSink, AppendsOneLinePerRecordAndHandlesFailureByPolicy) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::path(::testing::TempDir()) / "pv_log_sink";
    fs::remove_all(dir);
    fs::create_directories(dir);
    struct Row {
        const char *name, *file; // under dir; "~/" uses HOME = dir
        const char* postamble;
        LogSink::OnFailure policy;
        std::deque<MsgResult> answers;
        bool counted;
        const char* written;
        size_t messages;
    };
    using P = LogSink::OnFailure;
    // clang-format off
    const Row rows[] = {
        {"LineWithCrLfAndExpandedPostamble", "a.log", "<{year}>", P::AskUser, {}, true, "a1b<24>\r\n", 0},
        {"HomeRelativePath", "~/b.log", "", P::AskUser, {}, true, "a1b\r\n", 0},
        {"RetryThenCancelFailsTheDelivery", "missing/c.log", "", P::AskUser, {MsgResult::Retry, MsgResult::Cancel}, false, "", 2},
        // the failure, then the recovery
        {"QueuedLineIsCountedAndWrittenOnceTheFileCanBe", "missing/d.log", "", P::QueueAndRetry, {}, true, "a1b\r\n", 2},
    };
    // clang-format on
    setenv("HOME", dir.c_str(), 1);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        Config c;
        c.RecordPreamble = "";
        c.FieldPostamble[1] = "1";
        c.FieldPostamble[2] = r.postamble;
        c.LogFileName = r.file[0] == '~' ? std::string(r.file) : (dir / r.file).string();
        RecordingMessages messages;
        messages.answers = r.answers;
        LogSink sink(messages, r.policy);
        sink.Start(c);
        Strings boxes;
        Boxes b(&boxes);
        Delivery d = sink.Deliver(TwoFields(c), b);
        EXPECT_EQ(d, r.counted ? Delivery::Done : Delivery::Failed);
        EXPECT_EQ(boxes.size(), r.counted ? 3u : 2u);
        if (r.policy == P::QueueAndRetry) {
            EXPECT_EQ(sink.LinesWaiting(), 1u);
            fs::create_directories(dir / "missing");
            for (int i = 0; i < LogSink::kRetryTicks; ++i)
                sink.Tick();
            EXPECT_EQ(sink.LinesWaiting(), 0u);
        }
        const std::string path = r.file[0] == '~' ? (dir / (r.file + 2)).string() : c.LogFileName;
        EXPECT_EQ(Slurp(path), r.written);
        struct stat st {};
        EXPECT_EQ(::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0666u & ~mask,
                  0666u & ~mask)
            << "made like any file the user creates";
        sink.Stop(); // nothing left waiting: nothing to report
        EXPECT_EQ(messages.shown.size(), r.messages);
    }
}

} // namespace
} // namespace pv::testing
