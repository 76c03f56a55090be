#include "platform/wayland/compositor_windows.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <algorithm>
#include <cstring>
#include <optional>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace pv::wayland {

namespace {

constexpr int kReplyTimeoutMs = 1000;

// One request on a fresh connection to a Unix socket; the reply is read
// until `complete` says it is whole or the peer closes. A compositor that
// does not answer within the timeout gives nothing.
std::optional<std::string> Ask(const std::string& path, const std::string& request,
                               bool (*complete)(const std::string&)) {
    sockaddr_un addr{};
    if (path.empty() || path.size() >= sizeof(addr.sun_path)) return std::nullopt;
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return std::nullopt;
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, path.c_str(), path.size());
    std::string reply;
    bool ok = connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0 &&
              send(fd, request.data(), request.size(), MSG_NOSIGNAL) == ssize_t(request.size());
    while (ok && !complete(reply)) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, kReplyTimeoutMs) <= 0) {
            ok = false;
            break;
        }
        char buffer[65536];
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0) break;
        reply.append(buffer, size_t(n));
        if (reply.size() > (64u << 20)) ok = false; // bounded
    }
    close(fd);
    if (!ok) return std::nullopt;
    return reply;
}

std::string Latin1(const QString& text) {
    const QByteArray bytes = text.toLatin1();
    return std::string(bytes.constData(), size_t(bytes.size()));
}

WindowSystem::StartResult StartDetached(const std::string& commandLine) {
    const QStringList words = QProcess::splitCommand(QString::fromLatin1(commandLine));
    if (words.isEmpty()) return {false, "The command line is empty."};
    QProcess process;
    process.setProgram(words.first());
    process.setArguments(words.mid(1));
    process.setStandardInputFile(QProcess::nullDevice());
    if (process.startDetached()) return {true, {}};
    return {false, Latin1(process.errorString())};
}

// What every compositor's window list answers alike: a title is looked up in
// the list, a program is started detached from this one.
class CompositorWindows : public WindowSystem {
  public:
    std::string Title(WindowId window) override {
        for (const auto& w : TopLevelWindows())
            if (w.Id == window) return w.Title;
        return {};
    }
    StartResult StartProgram(const std::string& commandLine) override {
        return StartDetached(commandLine);
    }
};

// sway: "i3-ipc", payload length and message type, then JSON.
class SwayWindows : public CompositorWindows {
  public:
    explicit SwayWindows(std::string socket) : socket_(std::move(socket)) {}

    std::optional<QJsonDocument> Message(uint32_t type, const std::string& payload) {
        std::string request = "i3-ipc";
        const uint32_t header[2] = {uint32_t(payload.size()), type};
        request.append(reinterpret_cast<const char*>(header), sizeof header);
        request += payload;
        auto whole = [](const std::string& r) {
            if (r.size() < 14) return false;
            uint32_t length;
            std::memcpy(&length, r.data() + 6, 4);
            return r.size() >= 14 + size_t(length);
        };
        const auto reply = Ask(socket_, request, whole);
        if (!reply || reply->size() < 14) return std::nullopt;
        return QJsonDocument::fromJson(
            QByteArray::fromRawData(reply->data() + 14, qsizetype(reply->size() - 14)));
    }

    struct Tree {
        std::vector<TopLevelWindow> Windows;
        WindowId Focused = 0;
        std::vector<WindowId> Hidden; // in the scratchpad: sway's minimised
    };

    // Windows in the order they last had the focus, the focused one first.
    void Collect(const QJsonObject& node, Tree& tree, bool hidden) {
        QJsonArray children = node["nodes"].toArray();
        for (const auto& f : node["floating_nodes"].toArray())
            children.append(f);
        hidden |= node["type"] == "workspace" && node["name"] == "__i3_scratch";
        const bool window = children.isEmpty() && node.contains("pid") &&
                            (node["type"] == "con" || node["type"] == "floating_con");
        if (window) {
            const auto id = WindowId(node["id"].toInteger());
            tree.Windows.push_back({id, Latin1(node["name"].toString())});
            if (node["focused"].toBool()) tree.Focused = id;
            if (hidden) tree.Hidden.push_back(id);
            return;
        }
        // Children the focus list leaves out (the scratchpad's output) last.
        const QJsonArray focus = node["focus"].toArray();
        for (const auto& focusId : focus)
            for (const auto& child : children)
                if (child.toObject()["id"] == focusId) Collect(child.toObject(), tree, hidden);
        for (const auto& child : children)
            if (!focus.contains(child.toObject()["id"])) Collect(child.toObject(), tree, hidden);
    }
    Tree ReadTree() {
        Tree tree;
        if (auto json = Message(kGetTree, {})) Collect(json->object(), tree, false);
        return tree;
    }
    void Command(const char* command, WindowId window) {
        Message(kRunCommand, "[con_id=" + std::to_string(window) + "] " + command);
    }

    std::vector<TopLevelWindow> TopLevelWindows() override { return ReadTree().Windows; }
    WindowId ForegroundWindow() override { return ReadTree().Focused; }
    bool Activate(WindowId window) override {
        Command("focus", window);
        return ForegroundWindow() == window;
    }
    bool IsMinimised(WindowId window) override {
        const Tree tree = ReadTree();
        return std::find(tree.Hidden.begin(), tree.Hidden.end(), window) != tree.Hidden.end();
    }
    void Restore(WindowId window) override { Command("scratchpad show", window); }
    void Minimise(WindowId window) override { Command("move scratchpad", window); }

  private:
    static constexpr uint32_t kRunCommand = 0;
    static constexpr uint32_t kGetTree = 4;
    std::string socket_;
};

// Hyprland: one plain-text command per connection; "j/" asks for JSON.
class HyprlandWindows : public CompositorWindows {
  public:
    explicit HyprlandWindows(std::string socket) : socket_(std::move(socket)) {}

    std::optional<std::string> Command(const std::string& command) {
        return Ask(socket_, command, [](const std::string&) { return false; });
    }
    QJsonDocument Json(const std::string& command) {
        const auto reply = Command("j/" + command);
        return reply ? QJsonDocument::fromJson(QByteArray::fromStdString(*reply)) : QJsonDocument();
    }
    static WindowId IdOf(const QJsonValue& address) {
        QString text = address.toString();
        if (text.startsWith("0x")) text = text.mid(2);
        return WindowId(text.toULongLong(nullptr, 16));
    }

    std::vector<TopLevelWindow> TopLevelWindows() override {
        std::vector<std::pair<int, TopLevelWindow>> ranked;
        for (const auto& c : Json("clients").array()) {
            const QJsonObject o = c.toObject();
            if (!o["mapped"].toBool(true)) continue;
            ranked.push_back(
                {o["focusHistoryID"].toInt(), {IdOf(o["address"]), Latin1(o["title"].toString())}});
        }
        std::stable_sort(ranked.begin(), ranked.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        std::vector<TopLevelWindow> list;
        for (auto& r : ranked)
            list.push_back(std::move(r.second));
        return list;
    }
    WindowId ForegroundWindow() override { return IdOf(Json("activewindow").object()["address"]); }
    bool Activate(WindowId window) override {
        char address[32];
        std::snprintf(address, sizeof address, "0x%llx", static_cast<unsigned long long>(window));
        Command(std::string("dispatch focuswindow address:") + address);
        return ForegroundWindow() == window;
    }
    bool IsMinimised(WindowId) override { return false; }
    void Restore(WindowId) override {}
    void Minimise(WindowId) override {}

  private:
    std::string socket_;
};

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

} // namespace

std::unique_ptr<WindowSystem> OpenSwayWindows() {
    const std::string socket = Env("SWAYSOCK");
    if (socket.empty() || access(socket.c_str(), W_OK) != 0) return nullptr;
    return std::make_unique<SwayWindows>(socket);
}

std::unique_ptr<WindowSystem> OpenHyprlandWindows() {
    const std::string signature = Env("HYPRLAND_INSTANCE_SIGNATURE");
    if (signature.empty()) return nullptr;
    // The socket moved from /tmp to the runtime directory in later versions.
    for (const std::string& dir : {Env("XDG_RUNTIME_DIR") + "/hypr/", std::string("/tmp/hypr/")}) {
        const std::string socket = dir + signature + "/.socket.sock";
        if (access(socket.c_str(), W_OK) == 0) return std::make_unique<HyprlandWindows>(socket);
    }
    return nullptr;
}

} // namespace pv::wayland
