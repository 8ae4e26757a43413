// The banner fetch's wire rules: taking a URL apart, composing the GET
// request and reading the reply (status line, headers, body framing) from
// any byte source. Portable; the socket side lives in http_fetch_win.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/app_error.h"

namespace talkpost::http {

// The longest status, header or chunk-size line, CR LF not counted.
inline constexpr std::size_t kMaxLineLength = 16384;

// The largest bodies the banner takes: the list and one picture.
inline constexpr std::uint64_t kMaxListBytes = 1u << 20;
inline constexpr std::uint64_t kMaxPictureBytes = 16u << 20;
inline constexpr const char* kReplyTooLargeMessage = "Reply too large.";

// Socket error numbers the fetch reports itself.
inline constexpr int kHostNotFound = 11001;
inline constexpr int kConnectionRefused = 10061;
inline constexpr int kTimedOut = 10060;

enum class ErrorKind {
    Socket,                 // "Socket Error # %d\r\n%s"
    ConnClosedGracefully,   // closed before the reply was complete
    MaxLineLengthExceeded,  // a line over kMaxLineLength
    Protocol,               // not 2xx, a redirect or a Location header: the status line
    HttpsUnsupported,
    UnknownProtocol,
    MalformedReply,         // a chunk-size line that is no number
    InvalidUrl,             // a port that is no port number
    ReplyTooLarge,          // a body, or a Content-Length, over the fetch's limit
};

class HttpError : public AppError {
public:
    HttpError(ErrorKind kind, const std::string& message, int socketCode = 0, int statusCode = 0,
              std::string body = {})
        : AppError(message), kind_(kind), socketCode_(socketCode), statusCode_(statusCode), body_(std::move(body))
    {
    }
    ErrorKind kind() const { return kind_; }
    int socketCode() const { return socketCode_; }
    int statusCode() const { return statusCode_; }
    const std::string& body() const { return body_; }

private:
    ErrorKind kind_;
    int socketCode_;
    int statusCode_;
    std::string body_;
};

// The short text of a socket error number, empty when the number is not one
// of the well-known ones (the caller then asks the system).
std::string socketErrorText(int code);
// "Socket Error # <code>\r\n<text>".
HttpError socketError(int code, const std::string& text);
HttpError socketError(int code);

struct Url {
    std::string host;
    std::uint16_t port = 80;
    std::string target;  // path and query, at least "/"
};

// Takes an absolute URL apart; a missing scheme means http. Throws HttpError
// (HttpsUnsupported, UnknownProtocol, InvalidUrl for a port that is no port
// number; a URL without a host name fails later, like an unknown host).
Url parseUrl(const std::string& url);

// The request line, Host, Accept, Accept-Encoding, User-Agent and the empty line.
std::string buildRequest(const Url& url);

// Where the reply's bytes come from. receive() returns 0 when the peer has
// closed the connection and throws HttpError on a socket failure.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::size_t receive(char* buffer, std::size_t size) = 0;
};

// Where a successful reply's body goes.
class BodySink {
public:
    virtual ~BodySink() = default;
    virtual void write(const char* data, std::size_t size) = 0;
};

class StringSink : public BodySink {
public:
    void write(const char* data, std::size_t size) override { text.append(data, size); }
    std::string text;
};

// Reads one reply: skips 100 replies, fails on redirects, Location and every
// code other than 2xx with an HttpError carrying the status line, code and
// body; otherwise writes the body to the sink and returns the status code.
// A body over maxBodyBytes, or a Content-Length that announces one (checked
// before any byte of the body is read), fails as ReplyTooLarge.
int readReply(ByteSource& source, BodySink& sink, std::uint64_t maxBodyBytes = UINT64_MAX);

}  // namespace talkpost::http
