// The list controller driven by the remote control: commands through the
// real socket, carried out on the user-interface thread; hot keys that the
// compositor binds; what a desktop without recording or hot keys is told.
#include "tests/app/controller_fixture.h"

#include "core/list_file.h"
#include "platform/control_channel.h"
#include "tests/support/control_channel.h"

#include <future>
#include <thread>

namespace clickwisp {
namespace {

using test::ControllerTest;
using test::delayAction;
using test::event;

class RemoteControllerTest : public ControllerTest {
protected:
    RemoteControllerTest()
    {
        remoteControl
            = [this](ControlServer::Handler handler) { return ListenForControl(address, std::move(handler)); };
    }
    // Sends command from another thread, as clickwisp-cli does, and runs the
    // user-interface queue until the reply is there.
    std::string ask(const std::string& command)
    {
        auto reply = std::async(std::launch::async, [&] { return SendControlRequest(address, command); });
        // The reply travels back after the queued call has run: poll for it.
        for (int i = 0; i < 500 && reply.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready; ++i)
            ui.runUntil([] { return false; }, std::chrono::milliseconds(10));
        auto answer = reply.get();
        return answer ? *answer : "failed: " + answer.error().message;
    }

    const std::filesystem::path address = test::testControlAddress(dir);
};

TEST_F(RemoteControllerTest, CommandsActAsTheButtonsDoAndRefuseWhatCannotBeDone)
{
    make();
    EXPECT_EQ(ask("status"), "ok idle actions=0 list=\n");
    EXPECT_EQ(ask("stop-record"), "error not recording\n");
    EXPECT_EQ(ask("stop-run"), "error no run is under way\n");

    EXPECT_EQ(ask("start-record"), "ok recording\n");
    EXPECT_TRUE(ctrl->Recording());
    EXPECT_EQ(view.status[0], "Recoding...");
    EXPECT_TRUE(view.recordingShown);
    EXPECT_EQ(ask("start-record"), "error already recording\n");
    EXPECT_EQ(ask("start-run"), "error recording is under way: stop it first\n");
    EXPECT_EQ(ask("status"), "ok recording actions=0 list=\n");
    recorder->feed(event(WM_LBUTTONDOWN, 30, 40, 10));
    recorder->feed(event(WM_LBUTTONUP, 30, 40, 20));
    const std::string stopped = ask("stop-record");
    EXPECT_FALSE(ctrl->Recording());
    EXPECT_EQ(view.status[0], "Ready");
    ASSERT_GT(ctrl->Count(), 0);
    const std::string actions = "actions=" + std::to_string(ctrl->Count());
    EXPECT_EQ(stopped, "ok recorded " + actions + "\n");

    // A saved list is named by its file.
    view.saveNames.push_back((dir / "clicks.xml").string());
    ctrl->SaveList();
    EXPECT_EQ(ask("status"), "ok idle " + actions + " list=" + (dir / "clicks.xml").string() + "\n");
    EXPECT_EQ(ask("start-run"), "ok playing " + actions + " list=" + (dir / "clicks.xml").string() + "\n");
    ASSERT_TRUE(ui.runUntil([&] { return view.status[0] == "Finished"; }));
}

TEST_F(RemoteControllerTest, ARunUnderWayIsStoppedAndNotStartedTwice)
{
    make();
    ctrl->AddAction(delayAction(5));
    ctrl->Run();
    // Until its end notice is handled the run is under way.
    EXPECT_EQ(ctrl->RemoteCommand(ControlCommand::Status), "ok playing actions=1 list=\n");
    EXPECT_EQ(ctrl->RemoteCommand(ControlCommand::StartRun), "error a run is already under way\n");
    EXPECT_EQ(ctrl->RemoteCommand(ControlCommand::StartRecord), "error a run is under way: stop it first\n");
    EXPECT_EQ(ctrl->RemoteCommand(ControlCommand::StopRun), "ok stopped\n");
    EXPECT_FALSE(ctrl->Running());
    EXPECT_TRUE(view.editingEnabled);
    ASSERT_TRUE(ui.runUntil([&] { return view.status[0] == "Finished"; }));
}

TEST_F(RemoteControllerTest, ClosingAnswersACommandStillWaitingForTheProgram)
{
    make();
    auto reply = std::async(std::launch::async, [&] { return SendControlRequest(address, "start-record"); });
    // The command waits in the queue of a user-interface thread that is busy
    // closing: closing must neither hang nor leave the caller without an answer.
    for (int i = 0; i < 1000 && ui.waiting() == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_EQ(ui.waiting(), 1u);
    ctrl->Shutdown();
    EXPECT_EQ(reply.get().value(), "error the program is closing\n");
    ui.runUntil([&] { return ui.waiting() == 0; });
    EXPECT_FALSE(ctrl->Recording()) << "the command is not carried out after closing";
    auto gone = SendControlRequest(address, "status");
    ASSERT_FALSE(gone) << "the channel goes with the program";
    EXPECT_NE(gone.error().message.find("no Clickwisp program is listening on " + address.string()), std::string::npos)
        << gone.error().message;
#ifndef _WIN32
    EXPECT_FALSE(std::filesystem::exists(address)) << "the socket file goes too";
#endif
}

TEST_F(RemoteControllerTest, ASecondProgramTellsTheUserWhereTheCommandsGo)
{
    auto first = ListenForControl(address, [](ControlCommand) { return OkReply("first"); });
    ASSERT_TRUE(first);
    make();
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_NE(
        view.messages[0].find("Remote control is off: another Clickwisp program already listens on"), std::string::npos)
        << view.messages[0];
    EXPECT_EQ(view.status[0], "Ready");
    EXPECT_EQ(SendControlRequest(address, "status").value(), "ok first\n");
}

// Bindings that the compositor would make, kept for the test.
class RecordedKeys : public CompositorKeys {
public:
    std::string name() const override { return m_name; }
    std::vector<Trigger> triggers() const override { return chosen; }
    Result<void> bindKeys(const std::vector<CommandKey>& keys) override
    {
        bound.clear();
        for (const auto& key : keys)
            bound.push_back(key.hotKeyText + " " + ControlCommandName(key.commands.front()));
        if (!refusal.empty())
            return fail(refusal);
        return {};
    }
    Result<void> unbindKeys() override
    {
        bound.clear();
        ++unbinds;
        return {};
    }
    std::vector<std::string> bound;
    std::string refusal;
    int unbinds = 0;
    std::string m_name = "sway";
    std::vector<Trigger> chosen;
};

TEST_F(ControllerTest, TheCompositorBindsTheHotKeysUntilTheProgramCloses)
{
    RecordedKeys keys;
    compositorKeys = &keys;
    make();
    EXPECT_EQ(keys.bound,
        (std::vector<std::string> {
            "ALT+F2 start-record", "ALT+F3 stop-record", "CTRL+F2 start-run", "CTRL+F3 stop-run" }));
    // Where both grab, the compositor's bindings are what the user relies on.
    EXPECT_EQ(view.status[2], "Hot keys: bound through sway");

    ctrl->GetConfig().GetRunning().setStop(9);
    ctrl->ShowOptions();
    EXPECT_EQ(keys.bound.back(), "CTRL+F10 stop-run");

    keys.refusal = "sway did not bind every hot key: CTRL+F10: no";
    ctrl->ShowOptions();
    EXPECT_EQ(view.status[1], "Sway did not bind every hot key: CTRL+F10: no");
    ASSERT_EQ(view.messages.size(), 1u) << "the user who just chose the keys is told at once";
    EXPECT_EQ(view.status[2], "Hot keys: bound through sway; some keys were refused");
    EXPECT_EQ(view.statusTip[2], "Sway did not bind every hot key: CTRL+F10: no");

    // The desktop's own shortcuts, whose keys its user may change there: the
    // keys in effect are shown, each with what it does.
    keys.refusal.clear();
    keys.m_name = "KDE's global shortcuts";
    keys.chosen = { { "ALT+F2", "Start recording", "Alt+F2" }, { "ALT+F3", "Stop recording", "" },
        { "CTRL+F2", "Start playback, or stop playback", "Meta+R, Ctrl+F2" } };
    ctrl->ShowOptions();
    EXPECT_EQ(view.status[2],
        "Hot keys (KDE's global shortcuts): Start recording Alt+F2, Stop recording none, Start playback, or stop "
        "playback Meta+R, Ctrl+F2");
    EXPECT_EQ(view.statusTip[2], "");

    ctrl->Shutdown();
    EXPECT_TRUE(keys.bound.empty());
    EXPECT_GE(keys.unbinds, 1);
    ctrl.reset(); // before the keys it borrows
}

TEST_F(ControllerTest, ADesktopWithoutRecordingOrHotKeysSaysSoOncePerConfiguration)
{
    auto start = [&] {
        ControllerServices services;
        services.configPath = dir / "config.xml";
        services.recorderProblem = "recording needs an X11 session: Wayland does not let programs read global input";
        services.hotKeysProblem = "no X11 display";
        services.post = [this](std::function<void()> call) { ui.post(std::move(call)); };
        auto bare = std::make_unique<TMouseCtrl>(view, std::move(services));
        bare->Start();
        return bare;
    };
    auto first = start();
    EXPECT_FALSE(view.recordAvailable);
    EXPECT_EQ(view.recordHint,
        "Recording is not available: recording needs an X11 session: Wayland does not let programs read global "
        "input.");
    EXPECT_EQ(view.status[2],
        "Playback and the screen searches work; recording and the hot keys do not. Hot keys: not available");
    EXPECT_EQ(view.statusTip[2], "no X11 display");
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_NE(view.messages[0].find(view.recordHint), std::string::npos);
    EXPECT_NE(view.messages[0].find("The global hot keys are not available: no X11 display."), std::string::npos);
    EXPECT_NE(view.messages[0].find("clickwisp-cli remote"), std::string::npos);

    // The button cannot be pressed, but a hot key or a command may still ask.
    first->btnShadeClick();
    EXPECT_FALSE(first->Recording());
    ASSERT_EQ(view.messages.size(), 2u);
    EXPECT_NE(view.messages[1].find("Wayland does not let programs read global input"), std::string::npos);
    EXPECT_EQ(first->RemoteCommand(ControlCommand::StartRecord),
        "error recording is not available: recording needs an X11 session: Wayland does not let programs read "
        "global input\n");
    first->Shutdown();
    first.reset();

    // The next start says it in the status bar only.
    view.messages.clear();
    view.status[2].clear();
    auto second = start();
    EXPECT_TRUE(view.messages.empty()) << view.messages[0];
    EXPECT_EQ(view.status[2],
        "Playback and the screen searches work; recording and the hot keys do not. Hot keys: not available");
}

TEST_F(ControllerTest, TheDesktopsOwnNoteJoinsWhatWorksInTheStatusBar)
{
    const std::string note = "the desktop asks for permission at each session";
    auto start = [&](std::string recorderProblem) {
        ControllerServices services;
        services.configPath = dir / "config.xml";
        services.recorderProblem = std::move(recorderProblem);
        services.desktopNote = note;
        services.post = [this](std::function<void()> call) { ui.post(std::move(call)); };
        auto controller = std::make_unique<TMouseCtrl>(view, std::move(services));
        controller->Start();
        return controller;
    };
    auto portal = start("recording needs an X11 session");
    EXPECT_EQ(view.status[2],
        "Playback, the screen searches and the hot keys work; recording does not. Hot keys: not available; the "
        "desktop asks for permission at each session");
    portal->Shutdown();
    portal.reset();
}

} // namespace
} // namespace clickwisp
