// The banner fetch's request bytes and reply reading, fed from scripted bytes.
#include "banner/http_message.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace talkpost::http {
namespace {

// Hands out the scripted reply in pieces of at most `step` bytes, then reports the close.
class ScriptedSource : public ByteSource {
public:
    ScriptedSource(std::string bytes, std::size_t step) : bytes_(std::move(bytes)), step_(step) {}
    std::size_t receive(char* buffer, std::size_t size) override
    {
        std::size_t n = std::min({size, step_, bytes_.size() - pos_});
        std::copy_n(bytes_.data() + pos_, n, buffer);
        pos_ += n;
        return n;
    }

private:
    std::string bytes_;
    std::size_t step_;
    std::size_t pos_ = 0;
};

struct ReplyCase {
    const char* name;
    std::string reply;
    std::string body;     // on success
    ErrorKind error;      // when failing
    std::string message;  // empty: success
    int statusCode;
    std::string errorBody;
};

ReplyCase ok(const char* name, std::string reply, std::string body)
{
    return {name, std::move(reply), std::move(body), ErrorKind::Socket, "", 0, ""};
}

ReplyCase fails(const char* name, std::string reply, ErrorKind kind, std::string message, int status = 0,
                std::string errorBody = "")
{
    return {name, std::move(reply), "", kind, std::move(message), status, std::move(errorBody)};
}

const std::string kLong(kMaxLineLength, 'x');

const ReplyCase kReplies[] = {
    ok("LengthFive", "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nabcde", "abcde"),
    ok("LengthTenButClosedAfterFour", "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabcd", "abcd"),
    ok("ExtraBytesAfterLengthIgnored", "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nabcd", "ab"),
    ok("NoLengthReadsToClose", "HTTP/1.1 200 OK\r\nServer: x\r\n\r\nuntil the end\r\n", "until the end\r\n"),
    ok("ZeroLengthIsEmpty", "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\nignored", ""),
    ok("Chunked", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n0\r\n\r\n", "abc"),
    ok("ChunkedAnyCaseBeatsLength",
       "HTTP/1.1 200 OK\r\ncontent-length: 1\r\nTRANSFER-ENCODING: gzip, Chunked\r\n\r\n"
       "3 ext\r\nabc\r\nA\r\n0123456789\r\n0\r\n\r\n",
       "abc0123456789"),
    ok("ChunkedClosedAfterLastChunk", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nab\r\n0\r\n", "ab"),
    ok("LfOnlyLines", "HTTP/1.1 200 OK\nContent-Length: 3\n\nxyz", "xyz"),
    ok("ContinueThenOk", "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok", "ok"),
    ok("TwoContinues",
       "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 100 Continue\r\nX: y\r\n\r\nHTTP/1.1 200 OK\r\n\r\nz", "z"),
    ok("NoContentHasNoBody", "HTTP/1.1 204 No Content\r\n\r\nnot a body", ""),
    ok("BytesAbove127Unchanged", std::string("HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\n\xff\x80\xe4\x00", 43),
       std::string("\xff\x80\xe4\x00", 4)),
    ok("LineOfMaximumLength", "HTTP/1.1 200 OK\r\nX: " + kLong.substr(3) + "\r\n\r\nb", "b"),
    fails("MovedWithLocation",
          "HTTP/1.1 301 Moved Permanently\r\nLocation: http://elsewhere/\r\nContent-Length: 3\r\n\r\nbye",
          ErrorKind::Protocol, "HTTP/1.1 301 Moved Permanently", 301, "bye"),
    fails("RedirectWithoutLocation", "HTTP/1.1 307 Temporary Redirect\r\nContent-Length: 0\r\n\r\n",
          ErrorKind::Protocol, "HTTP/1.1 307 Temporary Redirect", 307),
    fails("OkWithLocationFails", "HTTP/1.1 200 OK\r\nlocation: /other\r\nContent-Length: 2\r\n\r\nhi",
          ErrorKind::Protocol, "HTTP/1.1 200 OK", 200, "hi"),
    fails("NotFound", "HTTP/1.1 404 Not Found\r\nContent-Length: 4\r\n\r\ngone", ErrorKind::Protocol,
          "HTTP/1.1 404 Not Found", 404, "gone"),
    fails("NotFoundBrokenBodyStillReportsStatus",
          "HTTP/1.1 404 Not Found\r\nTransfer-Encoding: chunked\r\n\r\n9\r\nab", ErrorKind::Protocol,
          "HTTP/1.1 404 Not Found", 404, "ab"),
    fails("StatusWithoutNumber", "garbage\r\n\r\n", ErrorKind::Protocol, "garbage", -1),
    fails("ClosedBeforeStatusLine", "", ErrorKind::ConnClosedGracefully, "Connection Closed Gracefully."),
    fails("ClosedInsideStatusLine", "HTTP/1.1 20", ErrorKind::ConnClosedGracefully, "Connection Closed Gracefully."),
    fails("ClosedInsideHeaders", "HTTP/1.1 200 OK\r\nContent-", ErrorKind::ConnClosedGracefully,
          "Connection Closed Gracefully."),
    fails("ClosedInsideChunk", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nab",
          ErrorKind::ConnClosedGracefully, "Connection Closed Gracefully."),
    fails("StatusLineTooLong", "HTTP/1.1 200 " + kLong + "\r\n\r\n", ErrorKind::MaxLineLengthExceeded,
          "Max line length exceeded."),
    fails("HeaderLineOneOverMaximum", "HTTP/1.1 200 OK\r\nX: " + kLong.substr(2) + "\r\n\r\n",
          ErrorKind::MaxLineLengthExceeded, "Max line length exceeded."),
    fails("EndlessLineWithoutBreak", "HTTP/1.1 200 OK\r\nX: " + kLong + kLong + kLong,
          ErrorKind::MaxLineLengthExceeded, "Max line length exceeded."),
    fails("ChunkSizeNoNumber", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n",
          ErrorKind::MalformedReply, "Invalid chunk size in the reply."),
    // Lengths that fit no integer are refused before any arithmetic on them.
    fails("ContentLengthJustBeyondSignedRange",
          "HTTP/1.1 200 OK\r\nContent-Length: 9223372036854775808\r\n\r\nabc", ErrorKind::ReplyTooLarge,
          "Reply too large."),
    fails("ContentLengthBeyondUnsignedRange",
          "HTTP/1.1 200 OK\r\nContent-Length: 184467440737095516160\r\n\r\nabc", ErrorKind::ReplyTooLarge,
          "Reply too large."),
};

TEST(ReplyLimit, BodiesOverTheLimitFailAsReplyTooLarge)
{
    struct Case {
        const char* name;
        std::string reply;
        bool tooLarge;
    };
    const std::string ten = "0123456789";
    const Case cases[] = {
        {"length at the limit", "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n" + ten, false},
        {"length over the limit, refused before the body",
         "HTTP/1.1 200 OK\r\nContent-Length: 11\r\n\r\n", true},
        {"largest signed length", "HTTP/1.1 200 OK\r\nContent-Length: 9223372036854775807\r\n\r\n", true},
        {"body until close over the limit", "HTTP/1.1 200 OK\r\n\r\n" + ten + "x", true},
        {"body until close at the limit", "HTTP/1.1 200 OK\r\n\r\n" + ten, false},
        {"chunks over the limit", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n6\r\n012345\r\n"
                                  "6\r\n012345\r\n0\r\n\r\n", true},
    };
    for (const auto& c : cases) {
        ScriptedSource source(c.reply, 3);
        StringSink sink;
        try {
            readReply(source, sink, 10);
            EXPECT_FALSE(c.tooLarge) << c.name;
            EXPECT_EQ(sink.text, ten) << c.name;
        } catch (const HttpError& e) {
            EXPECT_TRUE(c.tooLarge) << c.name << ": " << e.what();
            EXPECT_EQ(e.kind(), ErrorKind::ReplyTooLarge) << c.name;
            EXPECT_LE(sink.text.size(), 10u) << c.name;
        }
    }
    EXPECT_EQ(kMaxListBytes, 1048576u);
    EXPECT_EQ(kMaxPictureBytes, 16777216u);
}

class ReplyTable : public ::testing::TestWithParam<std::tuple<ReplyCase, std::size_t>> {};

TEST_P(ReplyTable, ReadsReplyByItsRules)
{
    const auto& [c, step] = GetParam();
    ScriptedSource source(c.reply, step);
    StringSink sink;
    if (c.message.empty()) {
        EXPECT_GE(readReply(source, sink), 200);
        EXPECT_EQ(sink.text, c.body);
        return;
    }
    try {
        readReply(source, sink);
        FAIL() << "no error, body " << sink.text;
    } catch (const HttpError& e) {
        EXPECT_EQ(e.kind(), c.error);
        EXPECT_EQ(std::string(e.what()), c.message);
        if (c.error == ErrorKind::Protocol) {
            EXPECT_EQ(e.statusCode(), c.statusCode);
            EXPECT_EQ(e.body(), c.errorBody);
            EXPECT_EQ(sink.text, "") << "a failing reply's body never reaches the caller";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Replies, ReplyTable,
                         ::testing::Combine(::testing::ValuesIn(kReplies), ::testing::Values(1, 7, 100000)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) + "_step" +
                                    std::to_string(std::get<1>(info.param));
                         });

TEST(HttpRequest, HostCarriesThePortOnlyWhenItIsNot80)
{
    EXPECT_EQ(buildRequest(parseUrl("http://banner.local/TALKPOST/Banner.txt")),
              "GET /TALKPOST/Banner.txt HTTP/1.1\r\n"
              "Host: banner.local\r\n"
              "Accept: text/html, */*\r\n"
              "Accept-Encoding: identity\r\n"
              "User-Agent: Mozilla/3.0 (compatible; Talkpost)\r\n"
              "\r\n");
    EXPECT_EQ(buildRequest(parseUrl("http://banner.local:80/a")), buildRequest(parseUrl("banner.local/a")));
    EXPECT_EQ(buildRequest(parseUrl("http://127.0.0.1:8080/TALKPOST/x.gif?v=1")),
              "GET /TALKPOST/x.gif?v=1 HTTP/1.1\r\n"
              "Host: 127.0.0.1:8080\r\n"
              "Accept: text/html, */*\r\n"
              "Accept-Encoding: identity\r\n"
              "User-Agent: Mozilla/3.0 (compatible; Talkpost)\r\n"
              "\r\n");
}

TEST(HttpUrl, TakesTheAddressApart)
{
    struct Case {
        const char* url;
        const char* host;
        int port;
        const char* target;
    };
    const Case cases[] = {
        {"http://h/TALKPOST/", "h", 80, "/TALKPOST/"},
        {"HTTP://h:8088", "h", 8088, "/"},
        {"h:81?q=1", "h", 81, "/?q=1"},
        {"http://user:pw@h/p#frag", "h", 80, "/p"},
        {"http://[::1]:8080/x", "::1", 8080, "/x"},
        {"ftp://h:21/x", "h", 21, "/x"},
        {"http:///x", "", 80, "/x"},
    };
    for (const Case& c : cases) {
        Url url = parseUrl(c.url);
        EXPECT_EQ(url.host, c.host) << c.url;
        EXPECT_EQ(url.port, c.port) << c.url;
        EXPECT_EQ(url.target, c.target) << c.url;
    }
}

TEST(HttpUrl, RefusesSchemesItCannotFetch)
{
    struct Case {
        const char* url;
        ErrorKind kind;
        const char* message;
    };
    const Case cases[] = {
        {"https://h/x", ErrorKind::HttpsUnsupported, "HTTPS is not supported"},
        {"HTTPS://h:443/x", ErrorKind::HttpsUnsupported, "HTTPS is not supported"},
        {"ftp://h/x", ErrorKind::UnknownProtocol, "Unknown Protocol"},
        {"http://h:99999/x", ErrorKind::InvalidUrl, "Invalid port number in the address \"http://h:99999/x\""},
        {"http://h:port/x", ErrorKind::InvalidUrl, "Invalid port number in the address \"http://h:port/x\""},
    };
    for (const Case& c : cases) {
        try {
            parseUrl(c.url);
            ADD_FAILURE() << c.url;
        } catch (const HttpError& e) {
            EXPECT_EQ(e.kind(), c.kind) << c.url;
            EXPECT_STREQ(e.what(), c.message);
        }
    }
}

TEST(HttpSocketError, MessageNamesNumberAndText)
{
    EXPECT_STREQ(socketError(kHostNotFound).what(), "Socket Error # 11001\r\nHost not found.");
    EXPECT_STREQ(socketError(kConnectionRefused).what(), "Socket Error # 10061\r\nConnection refused.");
    EXPECT_STREQ(socketError(kTimedOut).what(), "Socket Error # 10060\r\nConnection timed out.");
    EXPECT_STREQ(socketError(10054).what(), "Socket Error # 10054\r\nConnection reset by peer.");
    EXPECT_STREQ(socketError(10065).what(), "Socket Error # 10065\r\nNo route to host.");
    EXPECT_EQ(socketError(10054).socketCode(), 10054);
}

}  // namespace
}  // namespace talkpost::http
