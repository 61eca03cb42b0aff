#include "tests/support/consent_answerer.h"

#include "platform/dbus_connection.h"

#include <set>

namespace clickwisp::test {

namespace {

using namespace std::chrono_literals;
constexpr auto kCallTimeout = 3s;
constexpr const char* kAccessible = "org.a11y.atspi.Accessible";
constexpr uint32_t kStateChecked = 4; // ATSPI_STATE_CHECKED
constexpr uint32_t kStateSensitive = 24; // ATSPI_STATE_SENSITIVE

// One object of an application's accessibility tree.
struct Node {
    std::string bus;
    std::string path;
    std::string role;
    std::string name;
};

class Tree {
public:
    explicit Tree(DbusConnection& a11y)
        : m_a11y(a11y)
    {
    }

    std::vector<Node> children(const Node& parent)
    {
        std::vector<Node> out;
        auto reply = m_a11y.call({ parent.bus, parent.path, kAccessible, "GetChildren", {} }, kCallTimeout);
        if (!reply || reply->empty() || !reply->front().items())
            return out;
        for (const auto& child : *reply->front().items()) {
            const auto* fields = child.fields();
            if (!fields || fields->size() != 2 || !(*fields)[0].get<std::string>())
                continue;
            Node node { *(*fields)[0].get<std::string>(), (*fields)[1].get<DbusObjectPath>()->path, {}, {} };
            if (auto role = m_a11y.call({ node.bus, node.path, kAccessible, "GetRoleName", {} }, kCallTimeout);
                role && !role->empty() && role->front().get<std::string>())
                node.role = *role->front().get<std::string>();
            if (auto name = m_a11y.property(node.bus, node.path, kAccessible, "Name"); name && name->get<std::string>())
                node.name = *name->get<std::string>();
            out.push_back(std::move(node));
        }
        return out;
    }

    void subtree(const Node& root, std::vector<Node>& out)
    {
        for (auto& child : children(root)) {
            out.push_back(child);
            subtree(child, out);
        }
    }

    bool hasState(const Node& node, uint32_t state)
    {
        auto reply = m_a11y.call({ node.bus, node.path, kAccessible, "GetState", {} }, kCallTimeout);
        if (!reply || reply->empty() || !reply->front().items())
            return false;
        const auto& words = *reply->front().items();
        const size_t word = state / 32;
        return word < words.size() && words[word].get<uint32_t>() && (*words[word].get<uint32_t>() >> (state % 32)) & 1;
    }

    void act(const Node& node, const char* interface, const char* method, std::vector<DbusValue> arguments)
    {
        m_a11y.call({ node.bus, node.path, interface, method, std::move(arguments) }, kCallTimeout);
    }

private:
    DbusConnection& m_a11y;
};

const Node* findNode(const std::vector<Node>& nodes, const std::string& role, const std::string& nameHas)
{
    for (const auto& node : nodes) {
        if (node.role == role && node.name.find(nameHas) != std::string::npos)
            return &node;
    }
    return nullptr;
}

} // namespace

ConsentAnswerer::ConsentAnswerer(const HeadlessGnome& desktop, ConsentAnswer answer)
    : m_answer(answer)
{
    m_thread = std::thread([this, bus = desktop.sessionBus()] { watch(bus); });
}

ConsentAnswerer::~ConsentAnswerer()
{
    m_stop = true;
    m_thread.join();
}

std::string ConsentAnswerer::problem() const
{
    std::lock_guard lock(m_mutex);
    return m_problem;
}

void ConsentAnswerer::setProblem(const std::string& problem)
{
    std::lock_guard lock(m_mutex);
    m_problem = problem;
}

void ConsentAnswerer::watch(const std::string& sessionBus)
{
    auto session = DbusConnection::open(sessionBus);
    if (!session)
        return setProblem(session.error().message);
    auto address = (*session)->call({ "org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress", {} });
    if (!address || address->empty() || !address->front().get<std::string>())
        return setProblem(address ? "org.a11y.Bus.GetAddress gave no address" : address.error().message);
    auto a11y = DbusConnection::open(*address->front().get<std::string>());
    if (!a11y)
        return setProblem(a11y.error().message);
    Tree tree(**a11y);
    std::set<std::string> answered;
    const Node root { "org.a11y.atspi.Registry", "/org/a11y/atspi/accessible/root", {}, {} };
    while (!m_stop) {
        for (const auto& application : tree.children(root)) {
            if (application.name != "xdg-desktop-portal-gnome")
                continue;
            for (const auto& window : tree.children(application)) {
                if (answered.contains(window.bus + window.path))
                    continue;
                std::vector<Node> nodes;
                tree.subtree(window, nodes);
                const Node* share = findNode(nodes, "button", "Share");
                const Node* cancel = findNode(nodes, "button", "Cancel");
                if (!share || !cancel)
                    continue; // still being built
                if (m_answer == ConsentAnswer::Cancel) {
                    tree.act(*cancel, "org.a11y.atspi.Action", "DoAction", { int32_t(0) });
                } else {
                    for (const auto& node : nodes) {
                        if (node.role == "list")
                            tree.act(node, "org.a11y.atspi.Selection", "SelectAll", {});
                        if (node.role == "switch" && !tree.hasState(node, kStateChecked)) {
                            tree.act(node, "org.a11y.atspi.Action", "DoAction", { int32_t(0) });
                            for (int i = 0; i < 40 && !tree.hasState(node, kStateChecked); ++i)
                                std::this_thread::sleep_for(50ms);
                        }
                    }
                    // Share becomes usable once a monitor is selected.
                    for (int i = 0; i < 40 && !tree.hasState(*share, kStateSensitive); ++i)
                        std::this_thread::sleep_for(50ms);
                    tree.act(*share, "org.a11y.atspi.Action", "DoAction", { int32_t(0) });
                }
                answered.insert(window.bus + window.path);
                ++m_answered;
            }
        }
        std::this_thread::sleep_for(100ms);
    }
}

} // namespace clickwisp::test
