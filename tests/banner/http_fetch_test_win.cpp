// The banner fetch on real sockets against scripted servers on 127.0.0.1.
#include "banner/http_fetch_win.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "banner/script_server_win.h"
#include "support/test_support_win.h"

namespace talkpost::http {
namespace {

using test::ScriptServer;

TEST(HttpFetch, SendsExactlyTheRequestAndReturnsTheBody)
{
    ScriptServer server(ScriptServer::files({{"/TALKPOST/Banner.txt", ScriptServer::ok("abcde")}}));
    EXPECT_EQ(httpGetText(server.base() + "/TALKPOST/Banner.txt"), "abcde");
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requests()[0], "GET /TALKPOST/Banner.txt HTTP/1.1\r\n"
                                    "Host: 127.0.0.1:" + std::to_string(server.port()) + "\r\n"
                                    "Accept: text/html, */*\r\n"
                                    "Accept-Encoding: identity\r\n"
                                    "User-Agent: Mozilla/3.0 (compatible; Talkpost)\r\n"
                                    "\r\n");
}

TEST(HttpFetch, UsesAFreshConnectionPerFetchAndClosesIt)
{
    // No length: the body ends only when the server closes, so the client
    // must close its side after every fetch on its own.
    ScriptServer server([](ScriptServer&, SOCKET client, const std::string&) {
        ScriptServer::send(client, "HTTP/1.1 200 OK\r\nConnection: keep-alive\r\nContent-Length: 2\r\n\r\nhi");
    });
    EXPECT_EQ(httpGetText(server.base() + "/a"), "hi");
    EXPECT_EQ(httpGetText(server.base() + "/b"), "hi");
    EXPECT_EQ(server.targets(), (std::vector<std::string>{"/a", "/b"}));
    // The server counts a close once it has seen it.
    EXPECT_TRUE(test::waitUntil([&] { return server.closedByClient() == 2; }));
}

TEST(HttpFetch, StreamGetsTheBodyAtItsPositionByteForByte)
{
    const std::string body("GIF89a\xff\x80\x00\x01", 10);
    ScriptServer server([&](ScriptServer&, SOCKET client, const std::string&) {
        ScriptServer::send(client, "HTTP/1.1 200 OK\r\n\r\n" + body);  // read to the close
    });
    IStream* stream = nullptr;
    ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &stream), S_OK);
    ULONG written = 0;
    stream->Write("xy", 2, &written);
    httpGetStream(server.base() + "/p.gif", stream);
    STATSTG stat{};
    stream->Stat(&stat, STATFLAG_NONAME);
    std::string all(static_cast<std::size_t>(stat.cbSize.QuadPart), '\0');
    LARGE_INTEGER zero{};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    ULONG read = 0;
    stream->Read(all.data(), static_cast<ULONG>(all.size()), &read);
    stream->Release();
    EXPECT_EQ(all, "xy" + body);
}

struct FailureCase {
    const char* name;
    std::function<std::string(const ScriptServer&)> url;
    ErrorKind kind;
    std::string message;
};

TEST(HttpFetch, ReportsEveryFailureWithItsMessage)
{
    ScriptServer server([](ScriptServer&, SOCKET client, const std::string& request) {
        if (request.find("GET /missing ") == 0)
            ScriptServer::send(client, "HTTP/1.1 404 Not Found\r\nContent-Length: 4\r\n\r\ngone");
        else if (request.find("GET /moved ") == 0)
            ScriptServer::send(client, "HTTP/1.1 301 Moved Permanently\r\nLocation: /elsewhere\r\n\r\n");
        // "/silent": closed without a word.
    });
    const std::uint16_t nobody = test::unusedPort();
    const FailureCase cases[] = {
        {"refused", [&](auto&) { return "http://127.0.0.1:" + std::to_string(nobody) + "/x"; }, ErrorKind::Socket,
         "Socket Error # 10061\r\nConnection refused."},
        {"closed", [](auto& s) { return s.base() + "/silent"; }, ErrorKind::ConnClosedGracefully,
         "Connection Closed Gracefully."},
        {"404", [](auto& s) { return s.base() + "/missing"; }, ErrorKind::Protocol, "HTTP/1.1 404 Not Found"},
        {"redirect", [](auto& s) { return s.base() + "/moved"; }, ErrorKind::Protocol,
         "HTTP/1.1 301 Moved Permanently"},
        {"https", [](auto& s) { return "https://127.0.0.1:" + std::to_string(s.port()) + "/x"; },
         ErrorKind::HttpsUnsupported, "HTTPS is not supported"},
        {"scheme", [](auto&) { return std::string("gopher://127.0.0.1/x"); }, ErrorKind::UnknownProtocol,
         "Unknown Protocol"},
        {"no host", [](auto&) { return std::string("http:///TALKPOST/Banner.txt"); }, ErrorKind::Socket,
         "Socket Error # 11001\r\nHost not found."},
    };
    for (const FailureCase& c : cases) {
        try {
            httpGetText(c.url(server));
            ADD_FAILURE() << c.name << ": no error";
        } catch (const HttpError& e) {
            EXPECT_EQ(e.kind(), c.kind) << c.name;
            EXPECT_EQ(std::string(e.what()), c.message) << c.name;
        }
    }
    // The redirect's target was never asked for.
    EXPECT_EQ(server.targets(), (std::vector<std::string>{"/silent", "/missing", "/moved"}));
}

TEST(HttpFetch, AServerThatGoesQuietTimesOutLikeASocketError)
{
    ScriptServer server([](ScriptServer& self, SOCKET client, const std::string&) {
        ScriptServer::send(client, "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc");
        self.waitUntilStopped();
    });
    FetchOptions quick;
    quick.readTimeoutMs = 300;
    try {
        httpGetText(server.base() + "/slow", quick);
        ADD_FAILURE() << "no error";
    } catch (const HttpError& e) {
        EXPECT_EQ(e.kind(), ErrorKind::Socket);
        EXPECT_STREQ(e.what(), "Socket Error # 10060\r\nConnection timed out.");
    }
}

// Servers that never end a reply on their own. Each fetch must still end,
// with a clear error: the whole fetch has a time limit even when every
// single read gets its bytes in time, and a body has a size limit.
struct HostileCase {
    const char* name;
    ScriptServer::Handler handler;
    bool picture;  // fetched as a picture (16 MiB) instead of a list (1 MiB)
    ErrorKind kind;
    std::string message;
    unsigned totalTimeoutMs;  // the limit on the whole fetch
};

TEST(HttpFetch, HostileServersEndEachFetchWithAClearError)
{
    const std::string timedOut = "Socket Error # 10060\r\nConnection timed out.";
    // Only the limit on the whole fetch can end the slow ones: each read
    // alone would wait far longer. The size limit ends the others, however
    // slowly a loaded machine moves their bytes: their time limit is far off.
    const unsigned soon = 1000;
    const unsigned farOff = 300000;
    auto endless = [](ScriptServer& self, SOCKET client, const std::string&) {
        const std::string chunk(64 * 1024, 'x');
        if (ScriptServer::send(client, "HTTP/1.1 200 OK\r\n\r\n"))
            while (!self.stopping() && ScriptServer::send(client, chunk)) {
            }
    };
    auto hugeLength = [](ScriptServer&, SOCKET client, const std::string&) {
        ScriptServer::send(client, "HTTP/1.1 200 OK\r\nContent-Length: 9223372036854775807\r\n\r\nabc");
    };
    const HostileCase cases[] = {
        {"accepts and never answers", [](ScriptServer& self, SOCKET, const std::string&) { self.waitUntilStopped(); },
         false, ErrorKind::Socket, timedOut, soon},
        {"one byte now and then, for ever",
         [](ScriptServer& self, SOCKET client, const std::string&) {
             if (!ScriptServer::send(client, "HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n"))
                 return;
             // A slow peer: one byte every tenth of a second.
             while (!self.stopping() && ScriptServer::send(client, "x"))
                 Sleep(100);
         },
         false, ErrorKind::Socket, timedOut, soon},
        {"endless list", endless, false, ErrorKind::ReplyTooLarge, kReplyTooLargeMessage, farOff},
        {"endless picture", endless, true, ErrorKind::ReplyTooLarge, kReplyTooLargeMessage, farOff},
        {"huge length of a list", hugeLength, false, ErrorKind::ReplyTooLarge, kReplyTooLargeMessage, farOff},
        {"huge length of a picture", hugeLength, true, ErrorKind::ReplyTooLarge, kReplyTooLargeMessage, farOff},
    };
    for (const HostileCase& c : cases) {
        FetchOptions options;
        options.readTimeoutMs = 600000;
        options.totalTimeoutMs = c.totalTimeoutMs;
        ScriptServer server(c.handler);
        try {
            if (c.picture)
                httpGetPicture(server.base() + "/p.gif", options);
            else
                httpGetText(server.base() + "/TALKPOST/Banner.txt", options);
            ADD_FAILURE() << c.name << ": no error";
        } catch (const HttpError& e) {
            EXPECT_EQ(e.kind(), c.kind) << c.name;
            EXPECT_EQ(std::string(e.what()), c.message) << c.name;
        }
    }
}

TEST(HttpFetch, ACancelEndsARunningFetch)
{
    ScriptServer server([](ScriptServer& self, SOCKET, const std::string&) { self.waitUntilStopped(); });
    std::atomic<bool> cancel{false};
    FetchOptions options;
    options.readTimeoutMs = 600000;
    options.totalTimeoutMs = 600000;
    options.cancel = &cancel;
    std::thread canceller([&] {
        test::waitUntil([&] { return !server.requests().empty(); });
        cancel = true;
    });
    EXPECT_THROW(httpGetText(server.base() + "/TALKPOST/Banner.txt", options), HttpError);
    canceller.join();
}

}  // namespace
}  // namespace talkpost::http
