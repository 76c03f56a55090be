// The setup window's commands: save prompt, File commands, recent files,
// caption, modes, option toggles and the three activations.
#include "ui/setup_test_support.h"

namespace pv::test {
namespace {

using testing::RecordingMessages;

// --- Save prompt ------------------------------------------------------------------

TEST(SetupWindowTest, SavePromptAsksAndActsOnTheAnswer) {
    struct Row {
        const char* rule;
        bool loaded;
        MsgResult answer;
        int question;
        bool cancelled, stillChanged;
    };
    // clang-format off
    for (const Row& r : {Row{"YesSavesLoadedFile", true, MsgResult::Yes, 4027, false, false},
                         Row{"NoLeavesItChanged", true, MsgResult::No, 4027, false, true},
                         Row{"CancelCancels", true, MsgResult::Cancel, 4027, true, true},
                         Row{"NewConfigurationAsksToSave", false, MsgResult::No, 4028, false, true}}) {
        // clang-format on
        SCOPED_TRACE(r.rule);
        SetupFixture f;
        f.config.ConfigFileName = f.WriteFile("a.PV3");
        f.config.ConfigLoaded = r.loaded ? True : False;
        f.config.ConfigChanged = True;
        f.messages.answers.push_back(r.answer);
        const bool goOn = f.window->SavePrompt();
        ASSERT_EQ(f.messages.shown.size(), 1u);
        EXPECT_EQ(f.messages.shown[0].text, Text(r.question));
        EXPECT_EQ(f.messages.shown[0].buttons, MsgButtons::YesNoCancel);
        EXPECT_EQ(!goOn, r.cancelled);
        EXPECT_EQ(IsSet(f.config.ConfigChanged), r.stillChanged);
    }
}

// --- File commands -------------------------------------------------------------------

TEST(SetupWindowTest, NewCancelledAtThePromptKeepsTheConfigurationElseResetsIt) {
    SetupFixture f;
    f.config.ConfigFileName = "/x/a.PV3";
    f.config.OutputMode = LogToDisk;
    f.config.BeepOnInput = True;
    f.config.ConfigChanged = f.config.ConfigLoaded = True;
    f.messages.answers = {MsgResult::Cancel, MsgResult::No};
    f.window->FileNew();
    EXPECT_EQ(f.config.OutputMode, LogToDisk);
    f.window->FileNew();
    EXPECT_EQ(f.config.ConfigFileName, "");
    EXPECT_EQ(f.config.OutputMode, SendKeystrokes);
    EXPECT_FALSE(IsSet(f.config.ConfigChanged) || IsSet(f.config.ConfigLoaded));
    EXPECT_TRUE(f.window->Action("SendKeystrokes")->isChecked());
    EXPECT_FALSE(f.window->Action("PortControl")->isChecked());
    EXPECT_EQ(f.window->windowTitle(), "Portivox Pro Setup (Untitled)");
}

TEST(SetupWindowTest, OpenAsksListsTheChosenFileAndLoadsIt) {
    SetupFixture f;
    const std::string missing = ui::ToPath(f.dir.filePath("missing.PV3"));
    const std::string path = f.WriteFile("scale.PV3", [](Config& c) { c.FieldCount = 5; });
    *f.fileAnswers = {"", ui::FromPath(missing), ui::FromPath(path)};
    f.config.FieldCount = 9;
    f.config.ConfigChanged = True;
    f.messages.answers = {MsgResult::Cancel, MsgResult::No};
    f.window->FileOpen(); // cancelled at the prompt: no file dialog
    EXPECT_TRUE(f.fileCalls->empty());
    f.window->FileOpen(); // cancelled in the file dialog
    EXPECT_EQ(f.config.FieldCount, 9);
    EXPECT_TRUE(f.window->Recent().Empty());
    f.window->FileOpen();
    EXPECT_FALSE(IsSet(f.config.ConfigLoaded)); // listed even though it failed
    f.window->FileOpen();
    EXPECT_EQ(f.fileCalls->at(0).title, "Open Portivox Configuration...");
    EXPECT_EQ(f.fileCalls->at(0).filters, "Portivox Config (*.PV3);;All Files (*)");
    EXPECT_EQ(f.config.ConfigFileName, path);
    EXPECT_EQ(f.config.FieldCount, 5);
    EXPECT_TRUE(IsSet(f.config.ConfigLoaded));
    EXPECT_EQ(f.window->windowTitle(), "Portivox Pro Setup(scale.PV3)");
    EXPECT_EQ(f.window->Recent().Entries(), (std::vector<std::string>{path, missing}));
    EXPECT_TRUE(f.window->Action("mnuMRU1")->isVisible());
    EXPECT_FALSE(f.window->Action("mnuMRU2")->isVisible());
}

TEST(SetupWindowTest, SaveAsWritesTheFileAndUpdatesCaptionAndList) {
    SetupFixture f;
    f.config.ConfigChanged = True;
    const QString path = f.dir.filePath("new.PV3");
    f.fileAnswers->push_back(path);
    f.window->FileSaveAs();
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_TRUE(IsSet(f.config.ConfigLoaded));
    EXPECT_FALSE(IsSet(f.config.ConfigChanged));
    EXPECT_EQ(f.window->windowTitle(), "Portivox Pro Setup(new.PV3)");
    EXPECT_EQ(f.window->Recent().Entries().front(), ui::ToPath(path));
    QFile::remove(path);
    f.config.ConfigChanged = True;
    f.window->FileSave(); // with a name: no dialog
    EXPECT_EQ(f.fileCalls->size(), 1u);
    EXPECT_FALSE(IsSet(f.config.ConfigChanged));
    EXPECT_TRUE(QFile::exists(path));
}

// --- Recent files -------------------------------------------------------------------------

TEST(SetupWindowTest, ChoosingARecentFileLoadsItWithoutAsking) {
    SetupFixture f;
    const std::string a = f.WriteFile("a.PV3", [](Config& c) { c.FieldCount = 3; });
    const std::string b = f.WriteFile("b.PV3");
    f.window->InsertRecent(a);
    f.window->InsertRecent(b);
    f.config.ConfigChanged = True;
    f.window->InsertRecent("/a/R&D.PV3");
    f.window->OpenRecent(2);
    EXPECT_TRUE(f.messages.shown.empty());
    EXPECT_EQ(f.config.ConfigFileName, a);
    EXPECT_EQ(f.config.FieldCount, 3);
    EXPECT_EQ(f.window->Action("mnuMRU0")->text(), ui::FromPath(a));
    EXPECT_EQ(f.window->Action("mnuMRU1")->text(), "/a/R&&D.PV3"); // shown literally
}

// --- Modes and options ---------------------------------------------------------------------

TEST(SetupWindowTest, SendKeystrokesChangesOnlyWhenNotMarkedLogToDiskTakesTheChosenFile) {
    SetupFixture f;
    f.config.OutputMode = DdeServer;
    emit f.window->Menu("XferMethod")->aboutToShow();
    EXPECT_TRUE(f.window->Action("UseDDE")->isChecked());
    f.window->Action("SendKeystrokes")->trigger();
    EXPECT_TRUE(IsSet(f.config.ConfigChanged));
    EXPECT_EQ(f.config.OutputMode, SendKeystrokes);
    EXPECT_EQ(f.dialogsRun, std::vector<QString>{"AppSelect"});
    EXPECT_TRUE(f.window->Action("SendKeystrokes")->isChecked());

    f.config.ConfigChanged = False;
    f.window->Action("SendKeystrokes")->trigger();
    EXPECT_FALSE(IsSet(f.config.ConfigChanged));
    EXPECT_TRUE(f.window->Action("SendKeystrokes")->isChecked());

    f.window->ModeLogToDisk(); // cancelled
    EXPECT_EQ(f.config.OutputMode, SendKeystrokes);
    EXPECT_FALSE(IsSet(f.config.ConfigChanged));
    ASSERT_EQ(f.fileCalls->size(), 1u);
    EXPECT_EQ(f.fileCalls->at(0).title, "Log Incoming Serial Data To File...");

    f.fileAnswers->push_back("/tmp/balance.log");
    f.window->ModeLogToDisk();
    EXPECT_EQ(f.config.LogFileName, "/tmp/balance.log");
    EXPECT_EQ(f.config.OutputMode, LogToDisk);
    EXPECT_TRUE(IsSet(f.config.ConfigChanged));
    EXPECT_TRUE(f.window->Action("SaveToFile")->isChecked());
}

TEST(SetupWindowTest, OptionItemsInvertTheirSettingAndMark) {
    struct Row {
        const char* action;
        Flag Config::*setting;
        int bit; // 0: the whole flag
    };
    // clang-format off
    for (const Row& r : {Row{"ActDisable", &Config::ActivateSuspended, 0}, Row{"MiniWindow", &Config::MinimizeOnActivation, 0},
                         Row{"OnTop", &Config::WindowOnTop, 0}, Row{"PortControl", &Config::BeepOnInput, 0},
                         Row{"DisplayDTR", &Config::WindowButtons, 1}, Row{"DisplayBrk", &Config::WindowButtons, 2},
                         Row{"DateTime", &Config::ShowDateTime, 0}}) {
        // clang-format on
        SCOPED_TRACE(r.action);
        SetupFixture f;
        auto value = [&] { return r.bit ? (f.config.*r.setting & r.bit) : f.config.*r.setting; };
        const int before = value();
        f.window->Action(r.action)->trigger();
        EXPECT_NE(value(), before);
        EXPECT_EQ(f.window->Action(r.action)->isChecked(), value() != 0);
        EXPECT_TRUE(IsSet(f.config.ConfigChanged));
        f.window->Action(r.action)->trigger();
        EXPECT_EQ(value(), before);
        // Only turning the date/time on asks for its format.
        const bool dateTime = r.setting == &Config::ShowDateTime;
        EXPECT_EQ(f.dialogsRun,
                  dateTime ? std::vector<QString>{"frmDateTimeFmt"} : std::vector<QString>{});
    }
}

TEST(SetupWindowTest, TranslationItemsOpenTheEditorOnTheTableOfTheMode) {
    SetupFixture f;
    struct Row {
        const char* item;
        OutputModes mode;
        TranslationKind kind;
        const char* caption;
    };
    using K = TranslationKind;
    // clang-format off
    for (const Row& r : {Row{"DefineTranslate", SendKeystrokes, K::Keystrokes, "Translation Table - Keystroke Mode"},
                         Row{"DefineTranslate", DdeServer, K::Characters, "Translation Table - DDE Server Mode"},
                         Row{"DefineTranslate", LogToDisk, K::Characters, "Translation Table - Log To Disk Mode"},
                         Row{"PreInTrans", LogToDisk, K::PreInput, "Pre-Input Character Translations..."}}) {
        // clang-format on
        SCOPED_TRACE(r.caption);
        f.config.OutputMode = r.mode;
        f.window->Action(r.item)->trigger();
        EXPECT_EQ(f.dialogsRun.back(), "TransTbl");
        EXPECT_EQ(f.window->Translation()->Kind(), r.kind);
        EXPECT_EQ(f.window->Translation()->windowTitle(), r.caption);
    }
}

// --- Activation ------------------------------------------------------------------------------

TEST(SetupWindowTest, RunNormalCancelledOrWithoutAPortStaysInSetup) {
    for (const bool portFails : {false, true}) {
        SCOPED_TRACE(portFails ? "PortFailsWithoutAsking" : "CancelledAtThePromptClosesThePort");
        SetupFixture f;
        f.window->show();
        f.failOpen = portFails;
        f.config.ConfigChanged = True;
        f.messages.answers.push_back(MsgResult::Cancel);
        QPointer<ui::SetupWindow> alive = f.window;
        f.window->RunNormal();
        ASSERT_NE(f.driver, nullptr);
        EXPECT_FALSE(*f.portOpen);
        const auto prompts = std::count_if(f.messages.shown.begin(), f.messages.shown.end(),
                                           [](const auto& m) { return m.text == Text(4028); });
        EXPECT_EQ(prompts, portFails ? 0 : 1);
        EXPECT_EQ(f.window->Session(), nullptr);
        EXPECT_EQ(f.config.RunMode, NotRunning);
        EXPECT_TRUE(IsSet(f.config.QuitOnSetupUnload));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(alive && f.window->isVisible());
    }
}

TEST(SetupWindowTest, RunTestAndVirtualReturnWithTheConfigurationUntouched) {
    for (const int16_t mode : {pv::RunTest, pv::RunVirtual}) {
        SCOPED_TRACE(mode);
        SetupFixture f;
        f.window->show();
        f.config.CommPort = 2;
        f.config.ConfigChanged = True;
        const std::string before = SerializeConfig(f.config);
        mode == pv::RunTest ? f.window->RunTest() : f.window->RunVirtual();
        ASSERT_NE(f.window->Session(), nullptr);
        EXPECT_FALSE(f.window->isVisible());
        EXPECT_EQ(f.config.RunMode, mode);
        EXPECT_TRUE(f.messages.shown.empty());
        EXPECT_EQ(f.driver->Opened, mode == pv::RunTest);
        if (mode == pv::RunVirtual) {
            EXPECT_EQ(f.config.PortName, "COM3");
        }
        f.window->Session()->Quit();
        EXPECT_TRUE(QTest::qWaitFor([&] { return f.window->isVisible() && !f.window->Session(); }));
        EXPECT_EQ(f.config.RunMode, NotRunning);
        EXPECT_FALSE(*f.portOpen);
        EXPECT_TRUE(IsSet(f.config.ConfigChanged));
        EXPECT_EQ(SerializeConfig(f.config), before);
    }
}

TEST(SetupWindowTest, CommandLineFileStartsNormalModeAtOnceOrEndsTheProgram) {
    SetupFixture f;
    EXPECT_FALSE(f.window->Start(ui::ToPath(f.dir.filePath("nothere.PV3"))));
    const std::string path = f.WriteFile("Run.PV3");
    f.window->InsertRecent("/a/x.PV3");
    QPointer<ui::SetupWindow> alive = f.window;
    EXPECT_TRUE(f.window->Start(path));
    EXPECT_EQ(f.config.ConfigFileName, path);
    EXPECT_TRUE(IsSet(f.config.CommandLineConfig));
    EXPECT_EQ(f.config.RunMode, pv::RunNormal);
    EXPECT_TRUE(f.driver->Opened);
    EXPECT_FALSE(IsSet(f.config.QuitOnSetupUnload));
    EXPECT_EQ(f.store.Get("MRUFiles", "0"), "/a/x.PV3"); // the setup window is unloaded
    RunSession* session = f.window->Session();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(alive);
    f.window = nullptr;
    delete session;
}

} // namespace
} // namespace pv::test
