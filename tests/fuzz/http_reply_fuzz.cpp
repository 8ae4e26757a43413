// Fuzz target: any bytes as a reply, handed out in pieces whose sizes the
// input also decides, and as a URL. Nothing may crash or read out of bounds;
// a reply that reads is a success with a body within the limit.
#include <cstddef>
#include <cstdint>
#include <string>

#include "banner/banner_list.h"
#include "banner/http_message.h"
#include "fuzz/fuzz_check.h"

namespace {

class PiecewiseSource : public talkpost::http::ByteSource {
public:
    PiecewiseSource(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::size_t receive(char* buffer, std::size_t capacity) override
    {
        if (pos_ >= size_)
            return 0;
        // The first byte of each piece picks its length.
        std::size_t want = 1 + data_[pos_] % 64;
        std::size_t n = want < capacity ? want : capacity;
        if (n > size_ - pos_)
            n = size_ - pos_;
        for (std::size_t i = 0; i < n; ++i)
            buffer[i] = static_cast<char>(data_[pos_ + i]);
        pos_ += n;
        return n;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace talkpost::http;
    PiecewiseSource source(data, size);
    StringSink sink;
    try {
        const int status = readReply(source, sink, kMaxListBytes);
        FUZZ_CHECK(status >= 200 && status <= 299);
        FUZZ_CHECK(sink.text.size() <= kMaxListBytes);
    } catch (const HttpError&) {
    }
    std::string text(reinterpret_cast<const char*>(data), size);
    try {
        const std::string request = buildRequest(parseUrl(text));
        FUZZ_CHECK(request.size() >= 4 && request.compare(request.size() - 4, 4, "\r\n\r\n") == 0);
    } catch (const HttpError&) {
    }
    talkpost::BannerRotation rotation;
    rotation.load(text);
    rotation.select("http://h");
    rotation.advance();
    return 0;
}
