// A headless run in DDE Server mode seen from other processes: items and
// their changes, the command language, the command client and the links.
#include "dbus/bus_harness.h"

#include "platform/pty_pair.h"
#include "platform/qt/dde_link.h"

namespace pv::test {
namespace {

const QStringList kDdeServer{"OutputMode=1", "RecordStructure=1", "FieldCount=2"};

QString Path(const std::string& p) {
    return QString::fromStdString(p);
}

/// `portivox run FILE --virtual`, fed through stdin, serving Portivox|COM1.
struct Headless {
    Child child;
    explicit Headless(const std::string& config) : child({"run", Path(config), "--virtual"}) {
        EXPECT_TRUE(WaitForName("org.portivox.dde.Portivox")) << child.Err();
    }
};

/// `portivox dde serve SERVICE TOPIC`, ready to take calls.
struct Serve {
    Child child;
    Serve(const QString& service, const QString& topic) : child({"dde", "serve", service, topic}) {
        EXPECT_TRUE(child.WaitForErr("serving")) << child.Err();
    }
};

TEST(DdeRun, ItemsAreWatchedAndRequestedCommandsQueuedAndAppExitEndsTheRun) {
    Headless run(MakeConfig("items", kDdeServer));
    Child watch({"dde", "watch", "Portivox", "COM1", "--count=6"});
    ASSERT_TRUE(watch.WaitForErr("watching"));
    run.child.Write("1,2\r12.5,kg\r");
    ASSERT_TRUE(watch.WaitForExit()) << watch.Out();
    EXPECT_EQ(watch.Out(), "Field(1)\t1\nField(2)\t2\nRecordNumber\t1\n"
                           "Field(1)\t12.5\nField(2)\tkg\nRecordNumber\t2\n");
    std::string out;
    EXPECT_EQ(RunTool({"dde", "request", "Portivox", "COM1", "Field(1)"}, &out), 0);
    EXPECT_EQ(out, "12.5\n");
    EXPECT_EQ(RunTool({"dde", "request", "Portivox", "COM1", "recordnumber"}, &out), 0);
    EXPECT_EQ(out, "2\n");
    EXPECT_EQ(RunTool({"dde", "request", "Portivox", "COM1", "Field(3)"}), 1)
        << "a field past FieldCount is no item";
    EXPECT_EQ(RunTool({"dde", "poke", "Portivox", "COM1", "Field(1)", "x"}), 1);
    EXPECT_EQ(RunTool({"dde", "execute", "Portivox", "COM1", "{SENDOUT('AB',13,10)}"}), 0);
    EXPECT_TRUE(run.child.WaitForOut(">> AB\\x0D\\x0A\n")) << run.child.Out();
    EXPECT_EQ(RunTool({"dde", "execute", "Portivox", "COM1", "{NOSUCHCOMMAND}"}), 1);
    EXPECT_EQ(RunTool({"dde", "execute", "Portivox", "COM2", "{BEEP}"}), 2);
    EXPECT_EQ(RunTool({"dde", "execute", "Nobody", "COM1", "{BEEP}"}), 2);
    EXPECT_EQ(RunTool({"dde", "execute", "Portivox", "COM1", "[APPEXIT]"}), 0);
    ASSERT_TRUE(run.child.WaitForExit(3000));
    EXPECT_EQ(run.child.ExitCode(), 0);
}

TEST(DdeRun, CommandsReachTheTargetInOrderAndARestartedTargetGetsTheNextRecords) {
    QStringList settings =
        kDdeServer + QStringList{"DDECommandApp=Target", "DDECommandTopic=Sheet",
                                 "RecordPreamble=[NEW]", "FieldPostamble(1)=[F1]",
                                 "FieldPostamble(2)=[REC]"};
    auto first = std::make_unique<Serve>("Target", "Sheet");
    Headless run(MakeConfig("restart", settings));
    run.child.Write("1,2\r");
    ASSERT_TRUE(first->child.WaitForOut("execute [REC]\n"));
    const std::string record = "execute [NEW]\nexecute [F1]\nexecute [REC]\n";
    EXPECT_EQ(first->child.Out(), record);
    first.reset();
    ASSERT_TRUE(PumpUntil([] {
        QDBusConnection bus = QDBusConnection::sessionBus();
        return !dde::NameHasOwner(bus, "org.portivox.dde.Target");
    }));
    run.child.Write("3,4\r"); // nobody there: sent nowhere, the run goes on
    ASSERT_TRUE(run.child.WaitForOut("2\t3\t4"));
    Serve second("Target", "Sheet");
    run.child.Write("5,6\r");
    ASSERT_TRUE(second.child.WaitForOut("execute [REC]\n")) << run.child.Err();
    EXPECT_EQ(second.child.Out(), record);
}

TEST(DdeRun, SlowTargetCostsTimeButNoRecordAndANamedTopicIsServed) {
    Child slow({"dde", "serve", "Slow", "T", "--delay=2500"});
    ASSERT_TRUE(slow.WaitForErr("serving"));
    Headless run(MakeConfig(
        "slow", kDdeServer + QStringList{"DDECommandApp=Slow", "DDECommandTopic=T",
                                         "FieldPostamble(2)=[REC]", "DDETopicName=Scale 1"}));
    std::string out;
    EXPECT_EQ(RunTool({"dde", "list"}, &out), 0);
    EXPECT_EQ(out, "Portivox Scale_1\nSlow T\n");
    run.child.Write("1,2\r3,4\r");
    // Each execute gives up after a second; the records still come through.
    ASSERT_TRUE(run.child.WaitForOut("2\t3\t4\n", 8000)) << run.child.Err();
    // The record's last postamble may still be waiting out its second, and a
    // command sent meanwhile may time out itself: try until one is taken.
    EXPECT_TRUE(PumpUntil(
        [] {
            return RunTool({"dde", "execute", "Portivox", "Scale 1", "{SEND(alive)}"}) == 0;
        },
        8000));
    EXPECT_TRUE(run.child.WaitForOut(">> alive\n"));
}

TEST(DdeRun, ConfigurationSwitchedToKeystrokesTypesTheNextRecord) {
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    const std::string keys = MakeConfig("tokeys", {"OutputMode=0", "KeyTargetSpecified=0"});
    qunsetenv("DISPLAY"); // the keystroke sink then says why it cannot type
    Child run({"run", Path(MakeConfig("fromlog", kDdeServer)), "--port", Path(pty.path)});
    ASSERT_TRUE(WaitForName("org.portivox.dde.Portivox")) << run.Err();
    EXPECT_EQ(RunTool({"dde", "execute", "Portivox", "COM1", Path("{CONFIG(" + keys + ")}")}), 0);
    pty.Send("7\r");
    EXPECT_TRUE(run.WaitForErr("Keystrokes cannot be sent")) << run.Err();
    EXPECT_TRUE(run.WaitForOut("1\t7")) << run.Out();
}

// --- The two client links -----------------------------------------------------

TEST(DdeLinks, CommandSourceRunsEachTextOnceAndTheOutputBufferQueuesUntilTerminated) {
    Serve source("Sheet", "Cells");
    EXPECT_EQ(RunTool({"dde", "poke", "Sheet", "Cells", "R1C1", "{SEND(now)}"}), 0);
    Headless run(MakeConfig(
        "links", kDdeServer + QStringList{"CmdLinkApp=Sheet", "CmdLinkTopic=Cells",
                                          "CmdLinkItem=R1C1", "CmdLinkOnActivation=-1",
                                          "BufferLinkApp=Sheet", "BufferLinkTopic=Cells",
                                          "BufferLinkItem=Out", "BufferLinkOnActivation=-1"}));
    ASSERT_TRUE(run.child.WaitForOut(">> now\n")); // the current text, once linked
    EXPECT_EQ(RunTool({"dde", "poke", "Sheet", "Cells", "R1C1", "{SEND(x)}"}), 0);
    ASSERT_TRUE(run.child.WaitForOut(">> x\n"));
    EXPECT_EQ(RunTool({"dde", "poke", "Sheet", "Cells", "other", "{SEND(y)}"}), 0);
    EXPECT_EQ(RunTool({"dde", "poke", "Sheet", "Cells", "R1C1", "[SENDOUT(66)]"}), 0);
    ASSERT_TRUE(run.child.WaitForOut(">> B\n"));
    EXPECT_EQ(RunTool({"dde", "poke", "Sheet", "Cells", "Out", "12\\x0D\\x0A"}), 0);
    ASSERT_TRUE(run.child.WaitForOut(">> 12\n"));
    EXPECT_EQ(RunTool({"dde", "execute", "Portivox", "COM1", "{TERMINATE-BUFFER}"}), 0);
    EXPECT_EQ(RunTool({"dde", "execute", "Portivox", "COM1", "{TERMINATE-BUFFER}"}), 1)
        << "nothing left to terminate";
    EXPECT_EQ(RunTool({"dde", "poke", "Sheet", "Cells", "Out", "lost"}), 0);
    EXPECT_EQ(RunTool({"dde", "execute", "Portivox", "COM1", "{REFRESH-BUFFER}"}), 0);
    // The next tick links again and reads the current text.
    ASSERT_TRUE(run.child.WaitForOut(">> lost\n"));
    EXPECT_EQ(run.child.Out(), ">> now\n>> x\n>> B\n>> 12\n>> lost\n")
        << "each text once; other items and a terminated link take nothing";
}

// --- The tools themselves -------------------------------------------------------

TEST(DdeTools, ServersKeepPokedBytesAreReachedByTopicAndUsageErrorsExitWith3) {
    Serve a("Same", "A");
    Serve b("Same", "B");
    EXPECT_EQ(RunTool({"dde", "poke", "Same", "A", "v", "a\\x00b\\xFF"}), 0);
    std::string out;
    EXPECT_EQ(RunTool({"dde", "request", "Same", "A", "v"}, &out), 0);
    EXPECT_EQ(out, "a\\x00b\\xFF\n");
    EXPECT_EQ(RunTool({"dde", "list"}, &out), 0);
    EXPECT_EQ(out, "Same A\nSame B\n");
    EXPECT_EQ(RunTool({"dde", "execute", "Same", "B", "{X}"}), 0);
    ASSERT_TRUE(b.child.WaitForOut("execute {X}\n"));
    EXPECT_EQ(a.child.Out(), "poke v a\\x00b\\xFF\n") << "the execute reached B only";
    for (const QStringList& wrong : {QStringList{"dde"},
                                     {"dde", "execute", "A"},
                                     {"dde", "frobnicate"},
                                     {"dde", "watch", "A", "B", "--count=0"}})
        EXPECT_EQ(RunTool(wrong), 3) << wrong.join(' ').toStdString();
}

} // namespace
} // namespace pv::test
