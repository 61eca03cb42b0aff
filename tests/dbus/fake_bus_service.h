#pragma once

// A D-Bus service of the tests' own, written with sd-bus directly (not with
// the library under test), on a thread of its own.
#include <systemd/sd-bus.h>

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace clickwisp::test {

class FakeBusService {
public:
    // Answers a method call (it must send the reply itself).
    using Handler = std::function<void(sd_bus_message* call)>;

    FakeBusService(const std::string& address, const std::string& name)
    {
        if (sd_bus_new(&m_bus) < 0 || sd_bus_set_address(m_bus, address.c_str()) < 0
            || sd_bus_set_bus_client(m_bus, 1) < 0 || sd_bus_negotiate_fds(m_bus, 1) < 0 || sd_bus_start(m_bus) < 0
            || sd_bus_request_name(m_bus, name.c_str(), 0) < 0)
            throw std::runtime_error("the fake service cannot take " + name + " on " + address);
        sd_bus_add_filter(m_bus, nullptr, &FakeBusService::filter, this);
    }

    ~FakeBusService()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        sd_bus_flush_close_unref(m_bus);
    }

    // Set every handler before start(): "Interface.Member".
    void on(const std::string& method, Handler handler) { m_handlers[method] = std::move(handler); }
    void start()
    {
        m_thread = std::thread([this] {
            while (!m_stop) {
                while (sd_bus_process(m_bus, nullptr) > 0) { }
                runPosted();
                sd_bus_wait(m_bus, 10000);
            }
        });
    }

    // Runs work on the service's thread (to emit a signal).
    void post(std::function<void(sd_bus*)> work)
    {
        std::lock_guard lock(m_mutex);
        m_posted.push_back(std::move(work));
    }

    // Every call received: "Interface.Member path signature".
    std::vector<std::string> calls() const
    {
        std::lock_guard lock(m_mutex);
        return m_calls;
    }

    // The string-valued entries of the a{sv} the call is at; others skipped.
    static std::map<std::string, std::string> stringOptions(sd_bus_message* call)
    {
        std::map<std::string, std::string> out;
        if (sd_bus_message_enter_container(call, 'a', "{sv}") <= 0)
            return out;
        while (sd_bus_message_enter_container(call, 'e', "sv") > 0) {
            const char* key = nullptr;
            const char* value = nullptr;
            sd_bus_message_read_basic(call, 's', &key);
            const char* contents = nullptr;
            sd_bus_message_peek_type(call, nullptr, &contents);
            if (contents && std::string(contents) == "s") {
                sd_bus_message_read(call, "v", "s", &value);
                out[key] = value;
            } else {
                sd_bus_message_skip(call, "v");
            }
            sd_bus_message_exit_container(call);
        }
        sd_bus_message_exit_container(call);
        return out;
    }

    // The path a portal's Request object has for the caller of call and token.
    static std::string requestPath(sd_bus_message* call, const std::string& token)
    {
        std::string sender = sd_bus_message_get_sender(call) + 1;
        for (char& c : sender)
            c = c == '.' ? '_' : c;
        return "/org/freedesktop/portal/desktop/request/" + sender + "/" + token;
    }

    // Replies to a portal call (its options the last argument) with the path
    // of its Request, and has respond send the Response on that path before
    // (early) or after the reply; respond may send none.
    static void answerRequest(
        sd_bus_message* call, bool early, const std::function<void(const std::string& path)>& respond)
    {
        const std::string signature = sd_bus_message_get_signature(call, 1);
        sd_bus_message_rewind(call, 1);
        if (signature != "a{sv}")
            sd_bus_message_skip(call, signature.substr(0, signature.size() - 5).c_str());
        const auto options = stringOptions(call);
        const auto token = options.find("handle_token");
        const std::string path = requestPath(call, token == options.end() ? std::string("none") : token->second);
        if (early)
            respond(path);
        sd_bus_reply_method_return(call, "o", path.c_str());
        if (!early)
            respond(path);
    }

private:
    static int filter(sd_bus_message* message, void* data, sd_bus_error*)
    {
        auto* self = static_cast<FakeBusService*>(data);
        if (!sd_bus_message_is_method_call(message, nullptr, nullptr))
            return 0;
        const std::string method
            = std::string(sd_bus_message_get_interface(message)) + "." + sd_bus_message_get_member(message);
        {
            std::lock_guard lock(self->m_mutex);
            self->m_calls.push_back(
                method + " " + sd_bus_message_get_path(message) + " " + sd_bus_message_get_signature(message, 1));
        }
        const auto handler = self->m_handlers.find(method);
        if (handler == self->m_handlers.end())
            return 0;
        handler->second(message);
        return 1;
    }

    void runPosted()
    {
        std::vector<std::function<void(sd_bus*)>> work;
        {
            std::lock_guard lock(m_mutex);
            work.swap(m_posted);
        }
        for (auto& item : work)
            item(m_bus);
        sd_bus_flush(m_bus);
    }

    sd_bus* m_bus = nullptr;
    std::map<std::string, Handler> m_handlers;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_calls;
    std::vector<std::function<void(sd_bus*)>> m_posted;
    std::atomic<bool> m_stop { false };
    std::thread m_thread;
};

} // namespace clickwisp::test
