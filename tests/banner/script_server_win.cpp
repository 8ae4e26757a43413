// The scripted loopback HTTP server of the banner tests.
#include "banner/script_server_win.h"

#include <ws2tcpip.h>

#include <stdexcept>

namespace talkpost::test {
namespace {

struct WinsockUser {
    WinsockUser()
    {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    }
    ~WinsockUser() { WSACleanup(); }
};

SOCKET listenOnLoopback(std::uint16_t& port)
{
    static WinsockUser winsock;
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(s, 8) != 0)
        throw std::runtime_error("cannot listen on 127.0.0.1");
    int length = sizeof address;
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    return s;
}

}  // namespace

ScriptServer::ScriptServer(Handler handler) : handler_(std::move(handler))
{
    listener_ = listenOnLoopback(port_);
    stopEvent_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    releaseEvent_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    thread_ = std::thread([this] { run(); });
}

ScriptServer::~ScriptServer()
{
    stopping_ = true;
    SetEvent(stopEvent_);
    closesocket(listener_);
    thread_.join();
    CloseHandle(stopEvent_);
    CloseHandle(releaseEvent_);
}

void ScriptServer::run()
{
    while (!stopping_) {
        SOCKET client = accept(listener_, nullptr, nullptr);
        if (client == INVALID_SOCKET)
            break;
        std::string head;
        char buffer[4096];
        while (head.find("\r\n\r\n") == std::string::npos) {
            int n = recv(client, buffer, sizeof buffer, 0);
            if (n <= 0)
                break;
            head.append(buffer, static_cast<std::size_t>(n));
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            requests_.push_back(head);
        }
        handler_(*this, client, head);
        // Whether the client closes its side once it has the reply.
        shutdown(client, SD_SEND);
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(client, &readable);
        timeval wait{10, 0};
        if (select(0, &readable, nullptr, nullptr, &wait) == 1 && recv(client, buffer, sizeof buffer, 0) <= 0)
            ++closedByClient_;
        closesocket(client);
    }
}

std::vector<std::string> ScriptServer::requests() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

std::vector<std::string> ScriptServer::targets() const
{
    std::vector<std::string> result;
    for (const std::string& request : requests()) {
        std::size_t first = request.find(' ');
        std::size_t second = request.find(' ', first + 1);
        result.push_back(first == std::string::npos ? std::string() : request.substr(first + 1, second - first - 1));
    }
    return result;
}

bool ScriptServer::send(SOCKET client, const std::string& bytes)
{
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        int n = ::send(client, bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
        if (n <= 0)
            return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

void ScriptServer::waitUntilStopped() { WaitForSingleObject(stopEvent_, INFINITE); }

void ScriptServer::waitUntilReleased()
{
    HANDLE either[] = {stopEvent_, releaseEvent_};
    WaitForMultipleObjects(2, either, FALSE, INFINITE);
}

void ScriptServer::release() { SetEvent(releaseEvent_); }

ScriptServer::Handler ScriptServer::files(std::map<std::string, std::string> replies)
{
    return [replies = std::move(replies)](ScriptServer&, SOCKET client, const std::string& request) {
        std::size_t first = request.find(' ');
        std::size_t second = request.find(' ', first + 1);
        std::string target = first == std::string::npos ? std::string() : request.substr(first + 1, second - first - 1);
        auto found = replies.find(target);
        send(client, found != replies.end()
                         ? found->second
                         : std::string("HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\nnot found"));
    };
}

std::string ScriptServer::ok(const std::string& body)
{
    return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

std::uint16_t unusedPort()
{
    std::uint16_t port = 0;
    SOCKET s = listenOnLoopback(port);
    closesocket(s);
    return port;
}

}  // namespace talkpost::test
