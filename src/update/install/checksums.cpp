// Byte sum, update checksum and file size of a local file.
#include "update/install/checksums.h"

#include <array>
#include <cstdio>
#include <memory>

#include "base/utf8_file.h"

namespace talkpost::update {
namespace {

constexpr std::array<std::uint32_t, 256> makeTable()
{
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}
constexpr auto kTable = makeTable();

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

File openForReading(const std::string& path) { return File(openFile(path, "rb")); }

// Feeds the whole file to the accumulator; false when it cannot be opened or read.
template <typename Accumulator>
bool feed(const std::string& path, Accumulator& accumulator)
{
    File file = openForReading(path);
    if (!file)
        return false;
    unsigned char block[4096];
    std::size_t got;
    while ((got = std::fread(block, 1, sizeof block, file.get())) > 0)
        accumulator.add(block, got);
    return std::ferror(file.get()) == 0;
}

}  // namespace

void ByteSum::add(const unsigned char* data, std::size_t size)
{
    std::uint32_t sum = sum_;
    for (std::size_t i = 0; i < size; ++i)
        sum += data[i];
    sum_ = sum;
}

void UpdateChecksum::add(const unsigned char* data, std::size_t size)
{
    std::uint32_t v = v_;
    for (std::size_t i = 0; i < size; ++i)
        v += kTable[(v ^ data[i]) & 0xFFu] ^ (v >> 8);
    v_ = v;
}

std::int32_t byteSum(const std::string& path)
{
    ByteSum sum;
    return feed(path, sum) ? sum.value() : -1;
}

std::int32_t fileChecksum(const std::string& path)
{
    UpdateChecksum sum;
    return feed(path, sum) ? sum.value() : 0;
}

std::int32_t fileSize(const std::string& path)
{
    File file = openForReading(path);
    if (!file || std::fseek(file.get(), 0, SEEK_END) != 0)
        return -1;
    long long size = 0;
#ifdef _WIN32
    size = _ftelli64(file.get());
#else
    size = ftello(file.get());
#endif
    if (size < 0)
        return -1;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(size));  // the low 32 bits, as the platform gives them
}

}  // namespace talkpost::update
