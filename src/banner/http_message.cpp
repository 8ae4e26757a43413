// Composing the banner fetch's request and reading its reply.
#include "banner/http_message.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "base/decimal.h"

namespace talkpost::http {
namespace {

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string lowered(std::string text)
{
    for (char& c : text)
        c = lower(c);
    return text;
}

std::string trimmed(const std::string& text)
{
    std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    std::size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// Buffered line and block reading over a ByteSource.
class Reader {
public:
    explicit Reader(ByteSource& source) : source_(source) {}

    // One line up to LF, a CR before the LF dropped. Returns false when the
    // peer closed before the LF.
    bool readLine(std::string& line)
    {
        line.clear();
        for (;;) {
            if (pos_ == end_ && !fill())
                return false;
            const char* start = buffer_.data() + pos_;
            const char* stop = buffer_.data() + end_;
            const char* lf = static_cast<const char*>(std::memchr(start, '\n', static_cast<std::size_t>(stop - start)));
            const char* take = lf != nullptr ? lf : stop;
            line.append(start, static_cast<std::size_t>(take - start));
            pos_ = static_cast<std::size_t>(take - buffer_.data());
            if (lf != nullptr) {
                ++pos_;
                if (!line.empty() && line.back() == '\r')
                    line.pop_back();
                if (line.size() > kMaxLineLength)
                    throw tooLong();
                return true;
            }
            // Room for the content and a CR that may still turn out to end it.
            if (line.size() > kMaxLineLength + 1)
                throw tooLong();
        }
    }

    // Up to count bytes to the sink; returns how many came before the close.
    unsigned long long copy(unsigned long long count, BodySink& sink)
    {
        unsigned long long done = 0;
        while (done < count) {
            if (pos_ == end_ && !fill())
                break;
            std::size_t n = static_cast<std::size_t>(std::min<unsigned long long>(end_ - pos_, count - done));
            sink.write(buffer_.data() + pos_, n);
            pos_ += n;
            done += n;
        }
        return done;
    }

    void copyToClose(BodySink& sink)
    {
        for (;;) {
            if (pos_ == end_ && !fill())
                return;
            sink.write(buffer_.data() + pos_, end_ - pos_);
            pos_ = end_;
        }
    }

private:
    static HttpError tooLong() { return HttpError(ErrorKind::MaxLineLengthExceeded, "Max line length exceeded."); }

    bool fill()
    {
        pos_ = 0;
        end_ = source_.receive(buffer_.data(), buffer_.size());
        return end_ > 0;
    }

    ByteSource& source_;
    std::array<char, 8192> buffer_{};
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
};

HttpError closedGracefully() { return HttpError(ErrorKind::ConnClosedGracefully, "Connection Closed Gracefully."); }

struct Head {
    std::string statusLine;
    int code = -1;
    std::string location;
    bool hasLocation = false;
    bool chunked = false;
    long long contentLength = -1;  // -1: none, or none that reads as a number
    bool contentLengthTooLarge = false;  // digits only, but beyond every length
};

// The number after the first space of the status line, -1 when there is none.
int statusCode(const std::string& statusLine)
{
    std::size_t space = statusLine.find(' ');
    if (space == std::string::npos)
        return -1;
    std::size_t start = space + 1;
    std::size_t stop = statusLine.find(' ', start);
    std::string digits = statusLine.substr(start, stop == std::string::npos ? std::string::npos : stop - start);
    auto code = parseDecimal(digits, 999999);
    return code ? static_cast<int>(*code) : -1;
}

Head readHead(Reader& reader)
{
    Head head;
    if (!reader.readLine(head.statusLine))
        throw closedGracefully();
    head.code = statusCode(head.statusLine);
    std::string line;
    bool contentLengthSeen = false;
    for (;;) {
        if (!reader.readLine(line))
            throw closedGracefully();
        if (line.empty())
            break;
        std::size_t colon = line.find(':');
        if (colon == std::string::npos)
            continue;
        std::string name = lowered(trimmed(line.substr(0, colon)));
        std::string value = trimmed(line.substr(colon + 1));
        if (name == "location") {
            head.hasLocation = true;
            head.location = value;
        } else if (name == "transfer-encoding") {
            if (lowered(value).find("chunked") != std::string::npos)
                head.chunked = true;
        } else if (name == "content-length" && !contentLengthSeen) {
            contentLengthSeen = true;
            auto length = parseDecimal(value, 0x7fffffffffffffffULL);
            head.contentLength = length ? static_cast<long long>(*length) : -1;
            head.contentLengthTooLarge = head.contentLength < 0 && !value.empty() &&
                                         value.find_first_not_of("0123456789") == std::string::npos;
        }
    }
    return head;
}

unsigned long long parseChunkSize(const std::string& line)
{
    std::size_t stop = line.find_first_of(" ;\t");
    std::string digits = line.substr(0, stop);
    if (digits.empty() || digits.size() > 15)
        throw HttpError(ErrorKind::MalformedReply, "Invalid chunk size in the reply.");
    unsigned long long value = 0;
    for (char c : digits) {
        char l = lower(c);
        int digit = (l >= '0' && l <= '9') ? l - '0' : (l >= 'a' && l <= 'f') ? l - 'a' + 10 : -1;
        if (digit < 0)
            throw HttpError(ErrorKind::MalformedReply, "Invalid chunk size in the reply.");
        value = value * 16 + static_cast<unsigned>(digit);
    }
    return value;
}

void readChunked(Reader& reader, BodySink& sink)
{
    std::string line;
    for (;;) {
        if (!reader.readLine(line))
            throw closedGracefully();
        unsigned long long size = parseChunkSize(line);
        if (size == 0) {
            // The trailer's empty line; a peer that closes instead has still
            // delivered the whole body.
            reader.readLine(line);
            return;
        }
        if (reader.copy(size, sink) < size)
            throw closedGracefully();
        if (!reader.readLine(line))
            throw closedGracefully();
    }
}

bool hasNoBody(int code) { return code == 204 || code == 304 || (code >= 100 && code < 200); }

void readBody(Reader& reader, const Head& head, BodySink& sink)
{
    if (hasNoBody(head.code))
        return;
    if (head.chunked)
        readChunked(reader, sink);
    else if (head.contentLength > 0)
        reader.copy(static_cast<unsigned long long>(head.contentLength), sink);
    else if (head.contentLength == 0)
        return;
    else
        reader.copyToClose(sink);
}

}  // namespace

std::string socketErrorText(int code)
{
    struct Entry {
        int code;
        const char* text;
    };
    static const Entry kTexts[] = {
        {10004, "Interrupted system call."},
        {10009, "Bad file number."},
        {10013, "Access denied."},
        {10014, "Bad address."},
        {10022, "Invalid argument."},
        {10024, "Too many open files."},
        {10035, "Operation would block."},
        {10036, "Operation now in progress."},
        {10037, "Operation already in progress."},
        {10038, "Socket operation on non-socket."},
        {10040, "Message too long."},
        {10047, "Address family not supported by protocol family."},
        {10048, "Address already in use."},
        {10049, "Cannot assign requested address."},
        {10050, "Network is down."},
        {10051, "Network is unreachable."},
        {10052, "Net dropped connection or reset."},
        {10053, "Software caused connection abort."},
        {10054, "Connection reset by peer."},
        {10055, "No buffer space available."},
        {10056, "Socket is already connected."},
        {10057, "Socket is not connected."},
        {10058, "Cannot send or receive after socket is closed."},
        {10060, "Connection timed out."},
        {10061, "Connection refused."},
        {10064, "Host is down."},
        {10065, "No route to host."},
        {10091, "Network subsystem is unavailable."},
        {10093, "Winsock is not initialised."},
        {11001, "Host not found."},
        {11002, "Non-authoritative response (try again or check DNS setup)."},
        {11003, "Non-recoverable errors: FORMERR, REFUSED, NOTIMP."},
        {11004, "Valid name, no data record (check DNS setup)."},
    };
    for (const Entry& e : kTexts)
        if (e.code == code)
            return e.text;
    return {};
}

HttpError socketError(int code, const std::string& text)
{
    return HttpError(ErrorKind::Socket, "Socket Error # " + std::to_string(code) + "\r\n" + text, code);
}

HttpError socketError(int code) { return socketError(code, socketErrorText(code)); }

Url parseUrl(const std::string& text)
{
    std::string rest = text;
    std::string scheme = "http";
    std::size_t marker = rest.find("://");
    if (marker != std::string::npos) {
        scheme = lowered(rest.substr(0, marker));
        rest = rest.substr(marker + 3);
    }
    std::size_t pathStart = rest.find_first_of("/?#");
    std::string authority = rest.substr(0, pathStart);
    std::string target = pathStart == std::string::npos ? std::string() : rest.substr(pathStart);
    std::size_t fragment = target.find('#');
    if (fragment != std::string::npos)
        target.erase(fragment);
    if (target.empty() || target.front() != '/')
        target = std::string(1, '/').append(target);
    std::size_t at = authority.rfind('@');
    if (at != std::string::npos)
        authority.erase(0, at + 1);

    Url url;
    url.target = target;
    std::string portText;
    bool bracketed = !authority.empty() && authority.front() == '[';
    std::size_t colon = bracketed ? authority.find("]:") : authority.rfind(':');
    if (colon != std::string::npos) {
        std::size_t portStart = colon + (bracketed ? 2 : 1);
        portText = authority.substr(portStart);
        authority.erase(bracketed ? colon + 1 : colon);
    }
    if (bracketed && authority.size() >= 2 && authority.back() == ']')
        authority = authority.substr(1, authority.size() - 2);
    url.host = authority;

    bool portGiven = colon != std::string::npos;
    if (scheme == "https")
        throw HttpError(ErrorKind::HttpsUnsupported, "HTTPS is not supported");
    if (scheme != "http" && !portGiven)
        throw HttpError(ErrorKind::UnknownProtocol, "Unknown Protocol");
    if (portGiven) {
        auto port = parseDecimal(portText, 65535);
        if (!port || *port == 0)
            throw HttpError(ErrorKind::InvalidUrl, "Invalid port number in the address \"" + text + "\"");
        url.port = static_cast<std::uint16_t>(*port);
    }
    return url;
}

std::string buildRequest(const Url& url)
{
    std::string request;
    request.append("GET ").append(url.target).append(" HTTP/1.1\r\n");
    request.append("Host: ");
    if (url.host.find(':') != std::string::npos)
        request.append("[").append(url.host).append("]");
    else
        request.append(url.host);
    if (url.port != 80)
        request.append(":").append(std::to_string(url.port));
    request.append("\r\n"
                   "Accept: text/html, */*\r\n"
                   "Accept-Encoding: identity\r\n"
                   "User-Agent: Mozilla/3.0 (compatible; Talkpost)\r\n"
                   "\r\n");
    return request;
}

namespace {

// Passes the body on until it grows over the limit.
class LimitedSink : public BodySink {
public:
    LimitedSink(BodySink& sink, std::uint64_t limit) : sink_(sink), limit_(limit) {}
    void write(const char* data, std::size_t size) override
    {
        if (size > limit_ - written_)
            throw tooLarge();
        written_ += size;
        sink_.write(data, size);
    }
    static HttpError tooLarge() { return HttpError(ErrorKind::ReplyTooLarge, kReplyTooLargeMessage); }

private:
    BodySink& sink_;
    std::uint64_t limit_;
    std::uint64_t written_ = 0;
};

}  // namespace

int readReply(ByteSource& source, BodySink& outerSink, std::uint64_t maxBodyBytes)
{
    Reader reader(source);
    Head head = readHead(reader);
    while (head.code == 100)
        head = readHead(reader);

    bool redirect = head.code >= 300 && head.code < 400 && head.code != 304;
    bool success = head.code >= 200 && head.code < 300;
    if (redirect || head.hasLocation || !success) {
        StringSink body;
        try {
            LimitedSink limited(body, maxBodyBytes);
            readBody(reader, head, limited);
        } catch (const HttpError&) {
            // The status line tells the caller more than a broken body would.
        }
        throw HttpError(ErrorKind::Protocol, head.statusLine, 0, head.code, std::move(body.text));
    }
    if (head.contentLengthTooLarge ||
        (head.contentLength > 0 && static_cast<std::uint64_t>(head.contentLength) > maxBodyBytes))
        throw LimitedSink::tooLarge();
    LimitedSink sink(outerSink, maxBodyBytes);
    readBody(reader, head, sink);
    return head.code;
}

}  // namespace talkpost::http
