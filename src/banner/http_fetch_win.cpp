// The banner fetch on Winsock: resolve, connect, send the request, read the
// reply through the portable reader with a time-out on every read and one
// for the whole fetch.
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

// The whole fetch's clock: every wait on the socket ends at the deadline or
// when the caller cancels, whichever comes first. Waits are cut into short
// slices so that a cancel is seen soon.
class Deadline {
public:
    explicit Deadline(const FetchOptions& options)
        : end_(GetTickCount64() + options.totalTimeoutMs), cancel_(options.cancel)
    {
    }

    // Waits until the socket is readable (or writable, for a connect or a
    // send), at most limitMs; fails as a time-out when the time is up.
    void waitFor(SOCKET s, bool write, unsigned limitMs) const
    {
        const ULONGLONG limitEnd = GetTickCount64() + limitMs;
        for (;;) {
            if (cancel_ != nullptr && cancel_->load())
                throw socketFailure(kTimedOut);
            ULONGLONG now = GetTickCount64();
            ULONGLONG end = limitEnd < end_ ? limitEnd : end_;
            if (now >= end)
                throw socketFailure(kTimedOut);
            ULONGLONG slice = end - now < kSliceMs ? end - now : kSliceMs;
            fd_set ready, failed;
            FD_ZERO(&ready);
            FD_SET(s, &ready);
            FD_ZERO(&failed);
            FD_SET(s, &failed);
            timeval wait{0, static_cast<long>(slice * 1000)};
            int n = select(0, write ? nullptr : &ready, write ? &ready : nullptr, write ? &failed : nullptr, &wait);
            if (n == SOCKET_ERROR)
                throw socketFailure(WSAGetLastError());
            if (n > 0)
                return;
        }
    }

private:
    static constexpr ULONGLONG kSliceMs = 100;
    ULONGLONG end_;
    const std::atomic<bool>* cancel_;
};

constexpr unsigned kNoLimit = 0xFFFFFFFFu;

// A non-blocking connect that the deadline can end.
bool connectWithin(SOCKET s, const addrinfo* a, const Deadline& deadline, int& error)
{
    u_long nonBlocking = 1;
    if (ioctlsocket(s, FIONBIO, &nonBlocking) == SOCKET_ERROR) {
        error = WSAGetLastError();
        return false;
    }
    if (connect(s, a->ai_addr, static_cast<int>(a->ai_addrlen)) == 0)
        return true;
    error = WSAGetLastError();
    if (error != WSAEWOULDBLOCK && error != WSAEINPROGRESS)
        return false;
    deadline.waitFor(s, true, kNoLimit);
    int soError = 0;
    int length = sizeof soError;
    if (getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&soError), &length) == SOCKET_ERROR)
        soError = WSAGetLastError();
    error = soError;
    return soError == 0;
}

SOCKET connectTo(const std::string& host, std::uint16_t port, const Deadline& deadline)
{
    AddressList addresses(host, port);
    int lastError = kHostNotFound;
    for (const addrinfo* a = addresses.first(); a != nullptr; a = a->ai_next) {
        Socket s(socket(a->ai_family, a->ai_socktype, a->ai_protocol));
        if (!s) {
            lastError = WSAGetLastError();
            continue;
        }
        if (connectWithin(s.get(), a, deadline, lastError))
            return s.release();
    }
    throw socketFailure(lastError);
}

void sendAll(SOCKET s, const std::string& bytes, const Deadline& deadline)
{
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        int n = send(s, bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
        if (n == SOCKET_ERROR) {
            int error = WSAGetLastError();
            if (error != WSAEWOULDBLOCK)
                throw socketFailure(error);
            deadline.waitFor(s, true, kNoLimit);
            continue;
        }
        sent += static_cast<std::size_t>(n);
    }
}

class SocketSource : public ByteSource {
public:
    SocketSource(SOCKET s, unsigned timeoutMs, const Deadline& deadline)
        : s_(s), timeoutMs_(timeoutMs), deadline_(deadline)
    {
    }
    std::size_t receive(char* buffer, std::size_t size) override
    {
        deadline_.waitFor(s_, false, timeoutMs_);
        int n = recv(s_, buffer, static_cast<int>(size), 0);
        if (n == SOCKET_ERROR)
            throw socketFailure(WSAGetLastError());
        return static_cast<std::size_t>(n);
    }

private:
    SOCKET s_;
    unsigned timeoutMs_;
    const Deadline& deadline_;
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
    Deadline deadline(options);
    WinsockSession session;
    Socket s(connectTo(parts.host, parts.port, deadline));
    sendAll(s.get(), buildRequest(parts), deadline);
    SocketSource source(s.get(), options.readTimeoutMs, deadline);
    readReply(source, sink, maxBodyBytes);
}

}  // namespace

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

std::string httpGetPicture(const std::string& url, const FetchOptions& options)
{
    StringSink sink;
    get(url, sink, options, kMaxPictureBytes);
    return std::move(sink.text);
}

}  // namespace talkpost::http
