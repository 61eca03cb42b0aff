// Hot keys bound through sway's IPC.
#include "platform/unix/sway_keys.h"

#include "platform/unix/desktop_keys.h"
#include "platform/unix/sway_ipc.h"

namespace clickwisp {

namespace {

class SwayKeys : public CompositorKeys {
public:
    SwayKeys(std::filesystem::path socket, std::string cliProgram)
        : m_socket(std::move(socket))
        , m_cliProgram(std::move(cliProgram))
    {
    }
    std::string name() const override { return "sway"; }

    Result<void> bindKeys(const std::vector<CommandKey>& keys) override
    {
        auto unbound = unbindKeys();
        std::vector<std::string> problems;
        if (!unbound)
            problems.push_back(unbound.error().message);
        for (const CommandKey& key : keys) {
            const std::string combo = SwayKeyCombo(key.hotKeyText);
            auto done = run("bindsym --no-repeat " + combo + " exec " + BindingCommandLine(m_cliProgram, key));
            if (done)
                m_bound.push_back(combo);
            else
                problems.push_back(key.hotKeyText + ": " + done.error().message);
        }
        return JoinedProblems("sway did not bind every hot key: ", problems);
    }

    Result<void> unbindKeys() override
    {
        std::vector<std::string> problems;
        for (const std::string& combo : m_bound) {
            // sway finds a binding only by its keys and its flags.
            if (auto done = run("unbindsym --no-repeat " + combo); !done)
                problems.push_back(combo + ": " + done.error().message);
        }
        m_bound.clear();
        return JoinedProblems("sway kept hot keys it was asked to release: ", problems);
    }

private:
    Result<void> run(const std::string& command)
    {
        auto ipc = SwayIpc::connect(m_socket);
        if (!ipc)
            return std::unexpected(ipc.error());
        auto outcomes = ipc->runCommand(command);
        if (!outcomes)
            return std::unexpected(outcomes.error());
        if (outcomes->empty())
            return fail("sway gave no outcome");
        for (const auto& outcome : *outcomes) {
            if (!outcome.success)
                return fail(outcome.error.empty() ? "sway refused it" : outcome.error);
        }
        return {};
    }

    std::filesystem::path m_socket;
    std::string m_cliProgram;
    std::vector<std::string> m_bound;
};

} // namespace

std::unique_ptr<CompositorKeys> makeSwayKeys(std::filesystem::path socket, std::string cliProgram)
{
    return std::make_unique<SwayKeys>(std::move(socket), std::move(cliProgram));
}

} // namespace clickwisp
