// A scripted HTTP server on 127.0.0.1 for the banner tests: a thread that
// accepts one connection after the other, reads the request head and lets
// the test's handler answer it; the connection is closed after the handler.
#pragma once

#include <winsock2.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace talkpost::test {

class ScriptServer {
public:
    // Handler: the accepted socket and the request head (up to the empty line).
    using Handler = std::function<void(ScriptServer& server, SOCKET client, const std::string& request)>;

    explicit ScriptServer(Handler handler);
    ~ScriptServer();
    ScriptServer(const ScriptServer&) = delete;
    ScriptServer& operator=(const ScriptServer&) = delete;

    std::uint16_t port() const { return port_; }
    std::string base() const { return "http://127.0.0.1:" + std::to_string(port_); }

    std::vector<std::string> requests() const;
    // The request targets ("/TALKPOST/one.gif") in the order they came.
    std::vector<std::string> targets() const;
    // How many connections the client had closed when the handler was done.
    int closedByClient() const { return closedByClient_; }

    // For handlers: send bytes (false once the client has gone); wait until
    // the server stops (a server that goes quiet), or until the test
    // releases it; whether the server is stopping.
    static bool send(SOCKET client, const std::string& bytes);
    void waitUntilStopped();
    void waitUntilReleased();
    bool stopping() const { return stopping_; }

    // Lets every handler waiting in waitUntilReleased go on, now and later.
    void release();

    // A handler serving fixed replies by request target; others get 404.
    static Handler files(std::map<std::string, std::string> replies);
    static std::string ok(const std::string& body);

private:
    void run();

    Handler handler_;
    SOCKET listener_ = INVALID_SOCKET;
    std::uint16_t port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<int> closedByClient_{0};
    HANDLE stopEvent_ = nullptr;
    HANDLE releaseEvent_ = nullptr;
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
    std::thread thread_;
};

// A loopback port on which nothing listens.
std::uint16_t unusedPort();

}  // namespace talkpost::test
