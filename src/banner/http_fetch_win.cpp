// The banner fetch on Winsock: resolve, connect, send the request, read the
// reply through the portable reader with a time-out on every read.
#include <winsock2.h>
#include <ws2tcpip.h>

#include "banner/http_fetch_win.h"

#include "win/handles_win.h"
#include "win/win32_error_win.h"

namespace talkpost::http {
namespace {

HttpError socketFailure(int code)
{
    std::string text = socketErrorText(code);
    if (text.empty())
        text = systemErrorText(static_cast<DWORD>(code));
    return socketError(code, text);
}

class WinsockSession {
public:
    WinsockSession()
    {
        WSADATA data;
        int rc = WSAStartup(MAKEWORD(2, 2), &data);
        if (rc != 0)
            throw socketFailure(rc);
    }
    ~WinsockSession() { WSACleanup(); }
    WinsockSession(const WinsockSession&) = delete;
    WinsockSession& operator=(const WinsockSession&) = delete;
};

struct SocketTraits {
    static SOCKET invalid() { return INVALID_SOCKET; }
    static void close(SOCKET s) { closesocket(s); }
};
using Socket = UniqueResource<SOCKET, SocketTraits>;

class AddressList {
public:
    AddressList(const std::string& host, std::uint16_t port)
    {
        // A URL without a host name names no host that could be found.
        if (host.empty())
            throw socketFailure(kHostNotFound);
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        hints.ai_protocol = IPPROTO_TCP;
        int rc = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &list_);
        if (rc != 0)
            throw socketFailure(rc == WSANO_DATA || rc == WSAHOST_NOT_FOUND ? kHostNotFound : rc);
    }
    ~AddressList() { freeaddrinfo(list_); }
    AddressList(const AddressList&) = delete;
    AddressList& operator=(const AddressList&) = delete;
    const addrinfo* first() const { return list_; }

private:
    addrinfo* list_ = nullptr;
};

SOCKET connectTo(const std::string& host, std::uint16_t port)
{
    AddressList addresses(host, port);
    int lastError = kHostNotFound;
    for (const addrinfo* a = addresses.first(); a != nullptr; a = a->ai_next) {
        SOCKET s = socket(a->ai_family, a->ai_socktype, a->ai_protocol);
        if (s == INVALID_SOCKET) {
            lastError = WSAGetLastError();
            continue;
        }
        if (connect(s, a->ai_addr, static_cast<int>(a->ai_addrlen)) == 0)
            return s;
        lastError = WSAGetLastError();
        closesocket(s);
    }
    throw socketFailure(lastError);
}

void sendAll(SOCKET s, const std::string& bytes)
{
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        int n = send(s, bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
        if (n == SOCKET_ERROR)
            throw socketFailure(WSAGetLastError());
        sent += static_cast<std::size_t>(n);
    }
}

class SocketSource : public ByteSource {
public:
    SocketSource(SOCKET s, unsigned timeoutMs) : s_(s), timeoutMs_(timeoutMs) {}
    std::size_t receive(char* buffer, std::size_t size) override
    {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(s_, &readable);
        timeval wait{static_cast<long>(timeoutMs_ / 1000), static_cast<long>((timeoutMs_ % 1000) * 1000)};
        int ready = select(0, &readable, nullptr, nullptr, &wait);
        if (ready == 0)
            throw socketFailure(kTimedOut);
        if (ready == SOCKET_ERROR)
            throw socketFailure(WSAGetLastError());
        int n = recv(s_, buffer, static_cast<int>(size), 0);
        if (n == SOCKET_ERROR)
            throw socketFailure(WSAGetLastError());
        return static_cast<std::size_t>(n);
    }

private:
    SOCKET s_;
    unsigned timeoutMs_;
};

class StreamSink : public BodySink {
public:
    explicit StreamSink(IStream* stream) : stream_(stream) {}
    void write(const char* data, std::size_t size) override
    {
        ULONG written = 0;
        HRESULT hr = stream_->Write(data, static_cast<ULONG>(size), &written);
        if (FAILED(hr) || written != size)
            throw Win32Error("Could not store the downloaded data", static_cast<DWORD>(hr));
    }

private:
    IStream* stream_;
};

}  // namespace

namespace {

void get(const std::string& url, BodySink& sink, const FetchOptions& options, std::uint64_t maxBodyBytes)
{
    Url parts = parseUrl(url);
    WinsockSession session;
    Socket s(connectTo(parts.host, parts.port));
    sendAll(s.get(), buildRequest(parts));
    SocketSource source(s.get(), options.readTimeoutMs);
    readReply(source, sink, maxBodyBytes);
}

}  // namespace

void httpGet(const std::string& url, BodySink& sink, const FetchOptions& options)
{
    get(url, sink, options, UINT64_MAX);
}

std::string httpGetText(const std::string& url, const FetchOptions& options)
{
    StringSink sink;
    get(url, sink, options, kMaxListBytes);
    return std::move(sink.text);
}

void httpGetStream(const std::string& url, IStream* stream, const FetchOptions& options)
{
    StreamSink sink(stream);
    get(url, sink, options, kMaxPictureBytes);
}

}  // namespace talkpost::http
