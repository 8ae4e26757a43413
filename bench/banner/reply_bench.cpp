// Prints how fast the reply reader takes a 1 MB body with a length, chunked
// in 4 KB chunks, and read to the close, fed in 1460-byte pieces as a socket would.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "banner/http_message.h"

namespace {

using namespace talkpost::http;

class PieceSource : public ByteSource {
public:
    explicit PieceSource(const std::string& bytes) : bytes_(bytes) {}
    std::size_t receive(char* buffer, std::size_t size) override
    {
        std::size_t n = std::min({size, std::size_t{1460}, bytes_.size() - pos_});
        std::copy_n(bytes_.data() + pos_, n, buffer);
        pos_ += n;
        return n;
    }

private:
    const std::string& bytes_;
    std::size_t pos_ = 0;
};

void measure(const char* name, const std::string& reply, std::size_t bodySize)
{
    constexpr int kRounds = 50;
    auto start = std::chrono::steady_clock::now();
    std::size_t total = 0;
    for (int i = 0; i < kRounds; ++i) {
        PieceSource source(reply);
        StringSink sink;
        readReply(source, sink);
        total += sink.text.size();
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%-14s %8.1f MB/s  (%d replies of %zu body bytes, %zu read)\n", name,
                static_cast<double>(bodySize) * kRounds / seconds / 1e6, kRounds, bodySize, total / kRounds);
}

}  // namespace

int main()
{
    const std::size_t size = 1 << 20;
    std::string body(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        body[i] = static_cast<char>(i * 131);
    std::string chunked;
    for (std::size_t at = 0; at < size; at += 4096) {
        char line[16];
        std::snprintf(line, sizeof line, "%zx\r\n", std::min<std::size_t>(4096, size - at));
        chunked += line + body.substr(at, 4096) + "\r\n";
    }
    chunked += "0\r\n\r\n";
    measure("length", "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(size) + "\r\n\r\n" + body, size);
    measure("chunked", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n" + chunked, size);
    measure("to the close", "HTTP/1.1 200 OK\r\n\r\n" + body, size);
    return 0;
}
